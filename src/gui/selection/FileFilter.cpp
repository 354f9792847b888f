#include "gui/selection/FileFilter.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/app/KeyboardAccess.h"
#include "platform/qt/DisplayText.h"

namespace kesto {

namespace {

constexpr int kFileFiltersHelpContext = 3010;
constexpr std::size_t kMaxDescription = 30;
constexpr std::size_t kMaxFilter = 60;
constexpr std::string_view kFilterPunctuation = ".*?_^$~!#%&-{}[]@'`";

bool IsFilterCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           kFilterPunctuation.find(c) != std::string_view::npos;
}

// "Text | *.txt" shows as "Text", a tab, " *.txt".
QString ListLine(const std::string& named) {
    const auto bar = named.find('|');
    std::string description = bar == std::string::npos ? named : named.substr(0, bar);
    const std::string filter = bar == std::string::npos ? std::string() : named.substr(bar + 1);
    while (!description.empty() && description.back() == ' ') description.pop_back();
    return DisplayText(description) + u'\t' + DisplayText(filter);
}

std::string StoredEntry(const QString& line) {
    const qsizetype tab = line.indexOf(u'\t');
    return TypedBytes(line.left(tab)) + "|" + TypedBytes(line.mid(tab + 1));
}

}  // namespace

CFileFilter::CFileFilter(CKestoDoc& doc, QWidget* parent)
    : COptionsPage(doc, kFileFiltersHelpContext, parent),
      m_description(new QLineEdit(this)),
      m_filter(new QLineEdit(this)),
      m_list(new QListWidget(this)),
      m_up(new QPushButton(QStringLiteral("&Up"), this)),
      m_down(new QPushButton(QStringLiteral("Do&wn"), this)),
      m_add(new QPushButton(QStringLiteral("&Add"), this)),
      m_replace(new QPushButton(QStringLiteral("Re&place"), this)),
      m_remove(new QPushButton(QStringLiteral("&Remove"), this)) {
    m_add->setDefault(true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("De&scription:"), m_description);
    form->addRow(QStringLiteral("&Filter:"), m_filter);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {m_up, m_down, m_add, m_replace, m_remove})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* grid = new QGridLayout(this);
    grid->addLayout(form, 0, 0);
    grid->addWidget(m_list, 1, 0);
    grid->addLayout(buttons, 0, 1, 2, 1);
    m_list->setAccessibleName(QStringLiteral("File Filters"));
    NameControlsAfterLabels(this);

    connect(m_add, &QPushButton::clicked, this, &CFileFilter::OnAdd);
    connect(m_replace, &QPushButton::clicked, this, &CFileFilter::OnReplace);
    connect(m_remove, &QPushButton::clicked, this, &CFileFilter::OnRemove);
    connect(m_up, &QPushButton::clicked, this, [this] { Move(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { Move(1); });
    connect(m_list, &QListWidget::itemSelectionChanged, this, &CFileFilter::UpdateEnabling);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const QString line = item->text();
        const qsizetype tab = line.indexOf(u'\t');
        m_description->setText(line.left(tab));
        m_filter->setText(line.mid(tab + 1));
    });
    UpdateEnabling();
}

void CFileFilter::OnSetActive() {
    if (m_filled) return;
    m_filled = true;
    for (const std::string& named : settings().fileFilters) m_list->addItem(ListLine(named));
    UpdateEnabling();
}

void CFileFilter::UpdateEnabling() {
    const int row =
        m_list->currentItem() && m_list->currentItem()->isSelected() ? m_list->currentRow() : -1;
    m_replace->setEnabled(row >= 0);
    m_remove->setEnabled(row >= 0);
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row < m_list->count() - 1);
}

std::optional<std::string> CFileFilter::Validate() {
    const std::string description = TypedBytes(m_description->text());
    const std::string filter = TypedBytes(m_filter->text());
    const auto refuse = [this](const std::string& message, QLineEdit* field) {
        prompter().ShowMessage(message, MessageIcon::Stop);
        field->setFocus();
        return std::nullopt;
    };
    if (description.size() > kMaxDescription) {
        return refuse("Filter Description must be 30 characters or less!", m_description);
    }
    if (filter.size() > kMaxFilter) {
        return refuse("File Filter must be 60 characters or less!", m_filter);
    }
    if (description.empty()) return refuse("Description may NOT be empty!", m_description);
    if (filter.empty()) return refuse("Filter may NOT be empty!", m_filter);

    std::string normalized;
    std::string piece;
    const auto flush = [&normalized, &piece] {
        if (piece.empty()) return;
        if (!normalized.empty()) normalized += ';';
        normalized += piece;
        piece.clear();
    };
    for (char c : filter) {
        if (c == ';' || c == ' ') {
            flush();
            continue;
        }
        if (!IsFilterCharacter(c)) {
            return refuse(std::string(1, c) + " is NOT a valid file filter character!", m_filter);
        }
        piece += c;
    }
    flush();
    if (normalized.empty()) return refuse("Filter may NOT be empty!", m_filter);
    return normalized;
}

QString CFileFilter::NewLine(const std::string& normalized) const {
    return m_description->text() + u'\t' + DisplayText(normalized);
}

void CFileFilter::OnAdd() {
    const auto normalized = Validate();
    if (!normalized) return;
    m_list->addItem(NewLine(*normalized));
    m_description->clear();
    m_filter->clear();
    m_list->clearSelection();
    UpdateEnabling();
}

void CFileFilter::OnReplace() {
    QListWidgetItem* selected = m_list->currentItem();
    if (!selected) return;
    const auto normalized = Validate();
    if (!normalized) return;
    selected->setText(NewLine(*normalized));
    m_description->clear();
    m_filter->clear();
    m_list->clearSelection();
    UpdateEnabling();
}

void CFileFilter::OnRemove() {
    delete m_list->takeItem(m_list->currentRow());
    m_list->clearSelection();
    UpdateEnabling();
}

void CFileFilter::Move(int step) {
    const int row = m_list->currentRow();
    const int target = row + step;
    if (row < 0 || target < 0 || target >= m_list->count()) return;
    QListWidgetItem* item = m_list->takeItem(row);
    m_list->insertItem(target, item);
    m_list->setCurrentRow(target);
    UpdateEnabling();
}

bool CFileFilter::OnKillActive() {
    if (!m_filled) return true;
    std::vector<std::string>& filters = settings().fileFilters;
    filters.clear();
    for (int i = 0; i < m_list->count(); ++i)
        filters.push_back(StoredEntry(m_list->item(i)->text()));
    for (std::size_t n = 0; n < filters.size(); ++n) {
        WriteListEntry(ini(), SettingList::FileFilters, static_cast<int>(n), filters[n]);
    }
    DeleteListKeysAbove(ini(), SettingList::FileFilters, static_cast<int>(filters.size()));
    return true;
}

}  // namespace kesto
