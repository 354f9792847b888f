#include "gui/log/PreviewChoices.h"

#include <QHeaderView>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/qt/DisplayText.h"

namespace kesto {
namespace {

// How much of each version a change's line shows.
constexpr int kShownCharacters = 100;

// One version of a change as one line of text: its line breaks shown as marks.
QString OneLine(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    QString shown = DisplayText(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral(" \u23ce "));
    shown.replace(QChar('\n'), QStringLiteral(" \u23ce "));
    shown.replace(QChar('\r'), QStringLiteral(" \u23ce "));
    shown.replace(QChar('\t'), QChar(' '));
    if (shown.size() > kShownCharacters) shown = shown.left(kShownCharacters) + QChar(0x2026);
    return shown;
}

QString ChangeText(const PatchChange& change) {
    const QString before =
        change.before.empty() ? QStringLiteral("(nothing)") : OneLine(change.before);
    const QString after =
        change.after.empty() ? QStringLiteral("(nothing)") : OneLine(change.after);
    return QStringLiteral("Line %1: %2  \u2192  %3").arg(change.lineNumber).arg(before, after);
}

}  // namespace

CPreviewChoices::CPreviewChoices(QWidget* parent)
    : QWidget(parent), m_count(new QLabel(this)), m_tree(new QTreeWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_count);
    layout->addWidget(m_tree);
    m_tree->setHeaderHidden(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setFocusPolicy(Qt::StrongFocus);
    m_tree->setAccessibleName(QStringLiteral("Changes to apply"));
    m_count->setBuddy(m_tree);
    // A file's box sets each of its changes' boxes: the count is made once they are set.
    auto* recount = new QTimer(this);
    recount->setSingleShot(true);
    recount->setInterval(0);
    connect(recount, &QTimer::timeout, this, [this] {
        UpdateCount();
        emit choiceChanged();
    });
    connect(m_tree, &QTreeWidget::itemChanged, recount, qOverload<>(&QTimer::start));
}

void CPreviewChoices::ShowChanges(std::vector<FilePatch> patches, bool lineForLine) {
    const QSignalBlocker blocker(m_tree);
    m_tree->clear();
    m_patches = std::move(patches);
    m_lineForLine = lineForLine;
    m_changeCount = 0;
    for (const FilePatch& patch : m_patches) {
        auto* file = new QTreeWidgetItem(m_tree, {DisplayText(patch.path())});
        // A file without hunks to choose from (text that is not UTF-8) goes only with all.
        if (!patch.refusal.empty()) {
            file->setText(
                0, file->text(0) + QStringLiteral(" (") + DisplayText(patch.refusal) + QChar(')'));
            file->setFlags(file->flags() & ~Qt::ItemIsUserCheckable);
            continue;
        }
        file->setFlags(file->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
        file->setCheckState(0, Qt::Checked);
        for (const PatchChange& change : patch.Changes(lineForLine)) {
            auto* item = new QTreeWidgetItem(file, {ChangeText(change)});
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, Qt::Checked);
            ++m_changeCount;
        }
    }
    m_tree->expandAll();
    if (m_tree->topLevelItemCount() > 0) m_tree->setCurrentItem(m_tree->topLevelItem(0));
    UpdateCount();
}

bool CPreviewChoices::Chosen(int file, std::size_t change) const {
    const QTreeWidgetItem* item = m_tree->topLevelItem(file)->child(static_cast<int>(change));
    return item && item->checkState(0) == Qt::Checked;
}

bool CPreviewChoices::AllChosen() const {
    return chosenChanges() == m_changeCount;
}

std::vector<FilePatch> CPreviewChoices::ChosenPatches() const {
    std::vector<FilePatch> chosen;
    for (int f = 0; f < m_tree->topLevelItemCount(); ++f) {
        const std::size_t file = static_cast<std::size_t>(f);
        FilePatch kept = m_patches[file].Keeping(
            m_lineForLine, [this, f](std::size_t change) { return Chosen(f, change); });
        if (!kept.hunks.empty()) chosen.push_back(std::move(kept));
    }
    return chosen;
}

int CPreviewChoices::chosenChanges() const {
    int chosen = 0;
    for (int f = 0; f < m_tree->topLevelItemCount(); ++f) {
        const QTreeWidgetItem* file = m_tree->topLevelItem(f);
        for (int c = 0; c < file->childCount(); ++c)
            chosen += file->child(c)->checkState(0) == Qt::Checked;
    }
    return chosen;
}

int CPreviewChoices::chosenFiles() const {
    int chosen = 0;
    for (int f = 0; f < m_tree->topLevelItemCount(); ++f) {
        const QTreeWidgetItem* file = m_tree->topLevelItem(f);
        chosen += file->childCount() > 0 && file->checkState(0) != Qt::Unchecked;
    }
    return chosen;
}

void CPreviewChoices::UpdateCount() {
    m_count->setText(QStringLiteral("&Changes to apply: %1 of %2 in %3 of %4 files")
                         .arg(chosenChanges())
                         .arg(m_changeCount)
                         .arg(chosenFiles())
                         .arg(m_tree->topLevelItemCount()));
}

}  // namespace kesto
