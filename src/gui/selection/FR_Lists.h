// CFR_Lists: the "Extensions" options page: the always-search and always-exclude lists of
// file extensions. Every change goes into the document's lists at once; the Options
// command writes them after OK.
#pragma once

#include "gui/options/OptionsPage.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace kesto {

class CFR_Lists : public COptionsPage {
    Q_OBJECT
public:
    explicit CFR_Lists(CKestoDoc& doc, QWidget* parent = nullptr);

    void OnSetActive() override;
    bool OnKillActive() override { return true; }

    QLineEdit* searchField() const { return m_searchField; }
    QLineEdit* excludeField() const { return m_excludeField; }
    QListWidget* searchList() const { return m_searchList; }
    QListWidget* excludeList() const { return m_excludeList; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* defaultButton() const override { return m_add; }
    QPushButton* deleteSearch() const { return m_deleteSearch; }
    QPushButton* deleteExclude() const { return m_deleteExclude; }
    QPushButton* moveToExclude() const { return m_moveToExclude; }
    QPushButton* moveToSearch() const { return m_moveToSearch; }

private:
    void OnAdd();
    // False when the whole Add must end (invalid characters).
    bool AddFrom(QLineEdit* field, bool toSearch);
    void DeleteSelected(QListWidget* list, std::vector<std::string>& from);
    void MoveSelected(QListWidget* source, std::vector<std::string>& from, QListWidget* target,
                      std::vector<std::string>& to);
    void UpdateEnabling();

    QLineEdit* m_searchField;
    QLineEdit* m_excludeField;
    QListWidget* m_searchList;
    QListWidget* m_excludeList;
    QPushButton* m_add;
    QPushButton* m_deleteSearch;
    QPushButton* m_deleteExclude;
    QPushButton* m_moveToExclude;
    QPushButton* m_moveToSearch;
    bool m_filled = false;
};

}  // namespace kesto
