#include "gui/selection/FR_Lists.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/app/KeyboardAccess.h"
#include "platform/qt/DisplayText.h"

namespace kesto {

namespace {

constexpr int kExtensionsHelpContext = 3003;
constexpr std::string_view kExtensionCharacters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_^$~!#%&-{}()@'`";

QListWidget* SortedList(QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->setSortingEnabled(true);
    return list;
}

QPushButton* ImageButton(QStyle::StandardPixmap image, const QString& tip, QWidget* parent) {
    auto* button = new QPushButton(parent->style()->standardIcon(image), QString(), parent);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setEnabled(false);
    button->setAutoDefault(false);
    return button;
}

bool Contains(const std::vector<std::string>& list, const std::string& text) {
    return std::find(list.begin(), list.end(), text) != list.end();
}

// The selected rows, last first, so that taking them out keeps the others' rows.
QList<QListWidgetItem*> SelectedLastFirst(QListWidget* list) {
    QList<QListWidgetItem*> selected = list->selectedItems();
    std::sort(selected.begin(), selected.end(), [list](QListWidgetItem* a, QListWidgetItem* b) {
        return list->row(a) > list->row(b);
    });
    return selected;
}

}  // namespace

CFR_Lists::CFR_Lists(CKestoDoc& doc, QWidget* parent)
    : COptionsPage(doc, kExtensionsHelpContext, parent),
      m_searchField(new QLineEdit(this)),
      m_excludeField(new QLineEdit(this)),
      m_searchList(SortedList(this)),
      m_excludeList(SortedList(this)),
      m_add(new QPushButton(QStringLiteral("<<   &Add    >>"), this)),
      m_deleteSearch(ImageButton(QStyle::SP_DialogDiscardButton,
                                 QStringLiteral("Delete from Always Search"), this)),
      m_deleteExclude(ImageButton(QStyle::SP_DialogDiscardButton,
                                  QStringLiteral("Delete from Always Exclude"), this)),
      m_moveToExclude(
          ImageButton(QStyle::SP_ArrowRight, QStringLiteral("Move to Always Exclude"), this)),
      m_moveToSearch(
          ImageButton(QStyle::SP_ArrowLeft, QStringLiteral("Move to Always Search"), this)) {
    m_add->setDefault(true);
    m_add->setEnabled(false);
    auto* searchLabel = new QLabel(QStringLiteral("Always &Search"), this);
    searchLabel->setBuddy(m_searchField);
    auto* excludeLabel = new QLabel(QStringLiteral("Always &Exclude"), this);
    excludeLabel->setBuddy(m_excludeField);
    auto* remove = new QGroupBox(QStringLiteral("    Delete    "), this);
    auto* removeLayout = new QHBoxLayout(remove);
    removeLayout->addWidget(m_deleteSearch);
    removeLayout->addWidget(m_deleteExclude);
    auto* move = new QGroupBox(QStringLiteral("  Move  "), this);
    auto* moveLayout = new QHBoxLayout(move);
    moveLayout->addWidget(m_moveToExclude);
    moveLayout->addWidget(m_moveToSearch);
    auto* middle = new QVBoxLayout;
    middle->addWidget(m_add);
    middle->addWidget(remove);
    middle->addWidget(move);
    middle->addStretch();
    auto* grid = new QGridLayout(this);
    grid->addWidget(searchLabel, 0, 0);
    grid->addWidget(excludeLabel, 0, 2);
    grid->addWidget(m_searchField, 1, 0);
    grid->addWidget(m_excludeField, 1, 2);
    grid->addWidget(m_searchList, 2, 0);
    grid->addLayout(middle, 1, 1, 2, 1);
    grid->addWidget(m_excludeList, 2, 2);
    m_searchList->setAccessibleName(QStringLiteral("Always Search List"));
    m_excludeList->setAccessibleName(QStringLiteral("Always Exclude List"));
    NameControlsAfterLabels(this);
    // Row by row: the two fields with Add between them, then the two lists with the
    // buttons that work on them between them.
    ChainTabOrder({m_searchField, m_add, m_excludeField, m_searchList, m_deleteSearch,
                   m_deleteExclude, m_moveToExclude, m_moveToSearch, m_excludeList});

    for (QLineEdit* field : {m_searchField, m_excludeField}) {
        connect(field, &QLineEdit::textChanged, this, [this, field](const QString& text) {
            if (!text.isEmpty()) m_add->setEnabled(true);
            (void)field;
        });
    }
    connect(m_add, &QPushButton::clicked, this, &CFR_Lists::OnAdd);
    connect(m_searchList, &QListWidget::itemSelectionChanged, this, &CFR_Lists::UpdateEnabling);
    connect(m_excludeList, &QListWidget::itemSelectionChanged, this, &CFR_Lists::UpdateEnabling);
    ExtensionLists& lists = doc.session().extensions();
    connect(m_deleteSearch, &QPushButton::clicked, this,
            [this, &lists] { DeleteSelected(m_searchList, lists.alwaysSearchList); });
    connect(m_deleteExclude, &QPushButton::clicked, this,
            [this, &lists] { DeleteSelected(m_excludeList, lists.alwaysExcludeList); });
    connect(m_moveToExclude, &QPushButton::clicked, this, [this, &lists] {
        MoveSelected(m_searchList, lists.alwaysSearchList, m_excludeList, lists.alwaysExcludeList);
    });
    connect(m_moveToSearch, &QPushButton::clicked, this, [this, &lists] {
        MoveSelected(m_excludeList, lists.alwaysExcludeList, m_searchList, lists.alwaysSearchList);
    });
}

void CFR_Lists::OnSetActive() {
    if (m_filled) return;
    m_filled = true;
    const ExtensionLists& lists = doc().session().extensions();
    for (const std::string& ext : lists.alwaysSearchList) m_searchList->addItem(DisplayText(ext));
    for (const std::string& ext : lists.alwaysExcludeList) m_excludeList->addItem(DisplayText(ext));
    m_searchField->clear();
    m_excludeField->clear();
    m_searchField->setFocus();
}

void CFR_Lists::UpdateEnabling() {
    const bool search = !m_searchList->selectedItems().isEmpty();
    const bool exclude = !m_excludeList->selectedItems().isEmpty();
    m_deleteSearch->setEnabled(search);
    m_moveToExclude->setEnabled(search);
    m_deleteExclude->setEnabled(exclude);
    m_moveToSearch->setEnabled(exclude);
}

bool CFR_Lists::AddFrom(QLineEdit* field, bool toSearch) {
    if (field->text().isEmpty()) return true;
    const QString upper = field->text().toUpper();
    field->setText(upper);
    const std::string text = TypedBytes(upper);
    const auto invalid = std::find_if(text.begin(), text.end(), [](char c) {
        return kExtensionCharacters.find(c) == std::string_view::npos;
    });
    if (invalid != text.end()) {
        prompter().ShowMessage(
            "Extension >> " + text + " << contains invalid file extension characters!\nWon't add!",
            MessageIcon::Stop);
        field->setFocus();
        return false;
    }
    ExtensionLists& lists = doc().session().extensions();
    const bool onSearch = Contains(lists.alwaysSearchList, text);
    const bool onExclude = Contains(lists.alwaysExcludeList, text);
    const std::string quoted = "Extension >> " + text;
    bool add = false;
    if (onSearch && onExclude) {
        prompter().ShowMessage(quoted + " << already exists on BOTH lists!\nWon't add again!",
                               MessageIcon::Stop);
    } else if (toSearch ? onSearch : onExclude) {
        prompter().ShowMessage(quoted + " << already exists on " +
                                   (toSearch ? "Include" : "Exclude") + " list!\nWon't add again!",
                               MessageIcon::Stop);
    } else if (toSearch ? onExclude : onSearch) {
        add = prompter().AskYesNo(
            toSearch ? quoted + " << already exists on Exclude list!\nAdd to Include list anyway!"
                     : quoted +
                           " << already exists on Include list which takes\nprecedence over "
                           "Exclude list! Add to Exclude list anyway!");
    } else {
        add = true;
    }
    if (add) {
        (toSearch ? lists.alwaysSearchList : lists.alwaysExcludeList).push_back(text);
        (toSearch ? m_searchList : m_excludeList)->addItem(upper);
        doc().session().extensions().listsChanged = true;
    }
    field->clear();
    field->setFocus();
    return true;
}

void CFR_Lists::OnAdd() {
    if (AddFrom(m_searchField, true)) AddFrom(m_excludeField, false);
    m_add->setEnabled(false);
}

void CFR_Lists::DeleteSelected(QListWidget* list, std::vector<std::string>& from) {
    for (QListWidgetItem* item : SelectedLastFirst(list)) {
        const std::string text = TypedBytes(item->text());
        const auto found = std::find(from.begin(), from.end(), text);
        if (found != from.end()) from.erase(found);
        delete item;
    }
    doc().session().extensions().listsChanged = true;
    UpdateEnabling();
}

void CFR_Lists::MoveSelected(QListWidget* source, std::vector<std::string>& from,
                             QListWidget* target, std::vector<std::string>& to) {
    for (QListWidgetItem* item : SelectedLastFirst(source)) {
        const std::string text = TypedBytes(item->text());
        const auto found = std::find(from.begin(), from.end(), text);
        if (found != from.end()) from.erase(found);
        to.push_back(text);
        target->addItem(item->text());
        delete item;
    }
    doc().session().extensions().listsChanged = true;
    UpdateEnabling();
}

}  // namespace kesto
