#include "gui/selection/OverrideDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/app/KeyboardAccess.h"
#include "platform/qt/DisplayText.h"
#include "platform/qt/HelpPages.h"
#include "settings/ExtensionLists.h"

namespace kesto {

namespace {

constexpr int kOverrideHelpContext = 3012;

QListWidget* SortedList(QWidget* parent, const std::vector<std::string>& items) {
    auto* list = new QListWidget(parent);
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->setSortingEnabled(true);
    for (const std::string& item : items) list->addItem(DisplayText(item));
    return list;
}

}  // namespace

COverrideDlg::COverrideDlg(ExtensionLists& lists, QWidget* parent)
    : QDialog(parent),
      m_lists(lists),
      m_excluded(SortedList(this, lists.alwaysExcludeList)),
      m_override(SortedList(this, lists.overrideList)),
      m_copy(new QPushButton(style()->standardIcon(QStyle::SP_ArrowRight), QStringLiteral("Copy"),
                             this)),
      m_delete(new QPushButton(style()->standardIcon(QStyle::SP_DialogDiscardButton),
                               QStringLiteral("Delete"), this)),
      m_done(new QPushButton(QStringLiteral("&Done"), this)) {
    setWindowTitle(QStringLiteral("OverRide"));
    m_copy->setEnabled(false);
    m_delete->setEnabled(false);
    m_copy->setAutoDefault(false);
    m_delete->setAutoDefault(false);
    m_done->setDefault(true);
    auto* excludedLabel = new QLabel(QStringLiteral("&Excluded List"), this);
    excludedLabel->setBuddy(m_excluded);
    auto* overrideLabel = new QLabel(QStringLiteral("&Override List"), this);
    overrideLabel->setBuddy(m_override);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(m_copy);
    middle->addWidget(m_delete);
    middle->addStretch();
    auto* grid = new QGridLayout;
    grid->addWidget(excludedLabel, 0, 0);
    grid->addWidget(overrideLabel, 0, 2);
    grid->addWidget(m_excluded, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(m_override, 1, 2);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_done, QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Override the exclusion of one or more file types for this Session ONLY!"),
        this));
    layout->addLayout(grid);
    layout->addWidget(buttons);
    NameControlsAfterLabels(this);
    // The two lists were made before the buttons that stand between them.
    QWidget::setTabOrder(m_delete, m_override);

    connect(m_excluded, &QListWidget::itemSelectionChanged, this,
            [this] { m_copy->setEnabled(!m_excluded->selectedItems().isEmpty()); });
    connect(m_override, &QListWidget::itemSelectionChanged, this,
            [this] { m_delete->setEnabled(!m_override->selectedItems().isEmpty()); });
    connect(m_copy, &QPushButton::clicked, this, &COverrideDlg::OnCopy);
    connect(m_delete, &QPushButton::clicked, this, &COverrideDlg::OnDelete);
    connect(m_done, &QPushButton::clicked, this, &COverrideDlg::OnDone);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this,
            [this] { ShowHelpTopic(kOverrideHelpContext, this); });
}

void COverrideDlg::OnCopy() {
    for (QListWidgetItem* item : m_excluded->selectedItems()) {
        if (m_override->findItems(item->text(), Qt::MatchFixedString).isEmpty()) {
            m_override->addItem(item->text());
        }
    }
    m_excluded->clearSelection();
    m_copy->setEnabled(false);
}

void COverrideDlg::OnDelete() {
    for (QListWidgetItem* item : m_override->selectedItems()) delete item;
    m_delete->setEnabled(false);
}

// An emptied Override List leaves the window's overrides as they were.
void COverrideDlg::OnDone() {
    if (m_override->count() > 0) {
        m_lists.overrideList.clear();
        for (int i = 0; i < m_override->count(); ++i) {
            m_lists.overrideList.push_back(TypedBytes(m_override->item(i)->text()));
        }
    }
    accept();
}

}  // namespace kesto
