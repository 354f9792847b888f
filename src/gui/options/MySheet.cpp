#include "gui/options/MySheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/app/KeyboardAccess.h"
#include "gui/options/BackUpPage.h"
#include "gui/options/CheckBoxDefaultsPage.h"
#include "gui/options/EditorPage.h"
#include "gui/options/PrefPage.h"
#include "gui/options/PrintingPage.h"
#include "gui/selection/FR_Lists.h"
#include "gui/selection/FileFilter.h"
#include "platform/qt/HelpPages.h"

namespace kesto {

CMySheet::CMySheet(CKestoDoc& doc, QWidget* parent)
    : QDialog(parent), m_tabs(new QTabWidget(this)) {
    setWindowTitle(QStringLiteral("Search/Replace"));
    m_pages = {new CPrefPage(doc, this),   new CCheckBoxDefaultsPage(doc, this),
               new CBackUp(doc, this),     new CEditor(doc, this),
               new CFileFilter(doc, this), new CFR_Lists(doc, this),
               new CPrinting(doc, this)};
    const std::array<const char*, 7> titles = {"Preferences", "CheckBox Defaults", "Back Ups",
                                               "Editor",      "File Filters",      "Extensions",
                                               "Printing"};
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        m_tabs->addTab(m_pages[i], QString::fromLatin1(titles[i]));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    QPushButton* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CMySheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        ShowHelpTopic(m_pages[static_cast<std::size_t>(m_current)]->helpContext(), this);
    });
    connect(m_tabs, &QTabWidget::currentChanged, this, &CMySheet::OnTabChanged);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
    m_tabs->tabBar()->setAccessibleName(QStringLiteral("Option Pages"));
    NameControlsAfterLabels(this);
    m_pages.front()->OnSetActive();
    UpdateDefaultButton();
    resize(680, 460);
}

bool CMySheet::LeaveCurrentPage() {
    return m_pages[static_cast<std::size_t>(m_current)]->OnKillActive();
}

void CMySheet::OnTabChanged(int index) {
    if (m_switching || index == m_current) return;
    if (!LeaveCurrentPage()) {
        // The page that failed its check stays on top.
        m_switching = true;
        m_tabs->setCurrentIndex(m_current);
        m_switching = false;
        return;
    }
    m_current = index;
    m_pages[static_cast<std::size_t>(index)]->OnSetActive();
    UpdateDefaultButton();
}

// Each page with a default button of its own made it the dialog's default when it was
// built; the last one built would take every Enter, even while its page is hidden.
void CMySheet::UpdateDefaultButton() {
    QPushButton* pageDefault = m_pages[static_cast<std::size_t>(m_current)]->defaultButton();
    (pageDefault ? pageDefault : m_ok)->setDefault(true);
}

void CMySheet::accept() {
    if (!LeaveCurrentPage()) return;
    QDialog::accept();
}

}  // namespace kesto
