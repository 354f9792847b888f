// CSearchReplaceDlg: "Search for a String  and  Replace It": the dialog that starts every
// single-mode run. Its widgets show a SearchReplaceForm, which holds every rule; the
// dialog reads the widgets into the form before each action and shows the form after it.
//
// Result Accepted: Begin was accepted and RunPlan holds the run. Rejected: Cancel,
// or Batch Mode (then batchMode is set).
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "gui/run/SearchReplaceForm.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMouseEvent;
class QPushButton;
class QStackedWidget;

namespace kesto {

class CKestoDoc;

class CSearchReplaceDlg : public QDialog {
    Q_OBJECT
public:
    // What the dialog may open besides itself; an empty function disables its button.
    struct Doors {
        std::function<bool(QWidget*)> selectFiles;  // true when the file list may have changed
        std::function<void(QWidget*)> override;
        bool batchMode = false;
    };

    CSearchReplaceDlg(CKestoDoc& doc, bool showPreviousValues, bool lastSpecialCharSession,
                      Doors doors, QWidget* parent = nullptr);
    ~CSearchReplaceDlg() override;

    SearchReplaceForm& form() { return m_form; }
    bool batchModeChosen() const { return m_batchModeChosen; }

    // The widgets, for the tests that drive the dialog.
    QComboBox* searchBox() const { return m_search; }
    QComboBox* replaceBox() const { return m_replace; }
    QAbstractButton* control(SearchReplaceForm::Control control) const;
    QCheckBox* viaFileDialogBox() const { return m_viaFileDialog; }
    QCheckBox* byDirectoryBox() const { return m_byDirectory; }
    QListWidget* specialList() const { return m_specialList; }
    QLabel* searchLabel() const { return m_searchLabel; }
    QLabel* replaceLabel() const { return m_replaceLabel; }
    QLabel* fileCountLabel() const { return m_fileCount; }

    // How the two pick questions and the extended entry are put to the user; tests
    // answer them instead.
    std::function<bool(bool wildCards, const QString& text)> askSessionSwitch;
    std::function<std::optional<std::string>(const QString& label, const QString& text)>
        extendedEntry;

protected:
    // A click on the dialog's background closes the special character list.
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    QCheckBox* AddCheck(SearchReplaceForm::Control control, const QString& label);
    QPushButton* AddButton(SearchReplaceForm::Control control, const QString& label);
    void ReadControls();
    void ShowValues();
    void Act(const std::function<void()>& action);
    void FocusField(kesto::FocusField field);
    // The refused field gets the focus, its text selected, or the caret at the error.
    void FocusRefusedField(const PatternCheck& check);
    void OnFocusChanged(QWidget* now);
    void OnPickSpecialEntry(QListWidgetItem* item);
    void OnPickSearch(int index);
    void OnExpand(kesto::FocusField field);
    void OnConvert();
    void OnSelectFiles();
    void OnBatchMode();
    // Begin, or Preview with `preview`.
    void OnBegin(bool preview = false);

    CKestoDoc& m_doc;
    SearchReplaceForm m_form;
    Doors m_doors;
    std::array<QAbstractButton*, SearchReplaceForm::kControlCount> m_controls{};
    QComboBox* m_search = nullptr;
    QComboBox* m_replace = nullptr;
    QLabel* m_searchLabel = nullptr;
    QLabel* m_replaceLabel = nullptr;
    QLabel* m_searchArrow = nullptr;
    QLabel* m_replaceArrow = nullptr;
    QCheckBox* m_viaFileDialog = nullptr;
    QCheckBox* m_byDirectory = nullptr;
    QListWidget* m_specialList = nullptr;
    QStackedWidget* m_specialStack = nullptr;
    QLabel* m_fileCount = nullptr;
    bool m_showing = false;
    bool m_batchModeChosen = false;
};

}  // namespace kesto
