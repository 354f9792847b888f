// CEditPairsDlg: "Edit Batch Search/Replace Pairs": the pairs of a batch file edited on a
// working copy; Save and Save As copy it back into the document and write the file.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "pattern/BatchSRList.h"

class QFileDialog;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace kesto {

class CKestoDoc;

class CEditPairsDlg : public QDialog {
    Q_OBJECT
public:
    enum Button { List, NewSR, Delete, Up, Down, Save, SaveAs, Done, Cancel, kButtonCount };

    explicit CEditPairsDlg(CKestoDoc& doc, QWidget* parent = nullptr);

    bool modified() const { return m_modified; }
    int currentIndex() const { return m_currentIndex; }
    const CBatchSRList& workingList() const { return m_working; }

    QListWidget* pairList() const { return m_pairList; }
    QPlainTextEdit* searchBox() const { return m_search; }
    QPlainTextEdit* replaceBox() const { return m_replace; }
    QPushButton* button(Button which) const { return m_buttons.at(which); }
    QLabel* pathLine() const { return m_pathLine; }

    // How Save As asks for a name and List for a pair; tests answer instead.
    std::function<QString(QWidget*, const QString& folder)> askSavePath;
    std::function<int(QWidget*, const CBatchSRList&)> askPair;
    // The file dialog behind Save As: its title, folder and filters.
    static void PrepareSaveDialog(QFileDialog& dialog, const QString& folder);

    void reject() override;

private:
    void OnNew();
    void OnDelete();
    void OnUp();
    void OnDown();
    void OnPick(int row);
    void OnList();
    bool OnSave();
    bool OnSaveAs();
    void OnDone();

    bool RefuseEmptySearch();
    void CommitBoxes();
    void ShowPair(int index);
    void SelectRow(int row);
    void Exchange(int neighbour);
    void CopyBackToDocument();
    void UpdateButtons();
    void OnTyped();

    CKestoDoc& m_doc;
    CBatchSRList m_working;
    int m_currentIndex = -1;
    std::string m_shownSearch;
    std::string m_shownReplace;
    bool m_modified = false;
    bool m_filling = false;
    QLabel* m_pathLine;
    QListWidget* m_pairList;
    QPlainTextEdit* m_search;
    QPlainTextEdit* m_replace;
    std::array<QPushButton*, kButtonCount> m_buttons{};
};

}  // namespace kesto
