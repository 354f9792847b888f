// CMySheet: the options sheet, "Search/Replace": seven pages of settings of the active
// session window. A page is checked, stored and written when it is left (another page
// chosen, or OK); a failed check keeps it on top. What a left page wrote stays written if
// the sheet is then cancelled.
#pragma once

#include <QDialog>
#include <vector>

class QPushButton;
class QTabWidget;

namespace kesto {

class CKestoDoc;
class COptionsPage;

class CMySheet : public QDialog {
    Q_OBJECT
public:
    explicit CMySheet(CKestoDoc& doc, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return m_tabs; }
    COptionsPage* page(int index) const { return m_pages.at(static_cast<std::size_t>(index)); }
    // Leaves the page on top, as OK does; false when its check failed.
    bool LeaveCurrentPage();

    void accept() override;

private:
    void OnTabChanged(int index);
    void UpdateDefaultButton();

    QTabWidget* m_tabs;
    std::vector<COptionsPage*> m_pages;
    QPushButton* m_ok = nullptr;
    int m_current = 0;
    bool m_switching = false;
};

}  // namespace kesto
