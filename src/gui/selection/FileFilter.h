// CFileFilter: the "File Filters" options page: the named filters offered by the file
// dialog and the start directory dialog, each a description and one or more patterns.
#pragma once

#include "gui/options/OptionsPage.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace kesto {

class CFileFilter : public COptionsPage {
    Q_OBJECT
public:
    explicit CFileFilter(CKestoDoc& doc, QWidget* parent = nullptr);

    void OnSetActive() override;
    bool OnKillActive() override;

    // The checks of Add and Replace; the normalized filter (patterns joined with ";"), or
    // nothing after the message was shown.
    std::optional<std::string> Validate();

    QLineEdit* descriptionField() const { return m_description; }
    QLineEdit* filterField() const { return m_filter; }
    QListWidget* list() const { return m_list; }
    QPushButton* upButton() const { return m_up; }
    QPushButton* downButton() const { return m_down; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* defaultButton() const override { return m_add; }
    QPushButton* replaceButton() const { return m_replace; }
    QPushButton* removeButton() const { return m_remove; }

private:
    void OnAdd();
    void OnReplace();
    void OnRemove();
    void Move(int step);
    void UpdateEnabling();
    QString NewLine(const std::string& normalized) const;

    QLineEdit* m_description;
    QLineEdit* m_filter;
    QListWidget* m_list;
    QPushButton* m_up;
    QPushButton* m_down;
    QPushButton* m_add;
    QPushButton* m_replace;
    QPushButton* m_remove;
    bool m_filled = false;
};

}  // namespace kesto
