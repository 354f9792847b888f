#include "gui/history/RunHistoryDlg.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/app/KeyboardAccess.h"
#include "gui/history/TakeBackInputGuard.h"
#include "platform/qt/DisplayText.h"

namespace kesto {
namespace {

// "2026-12-08T16:30:12Z" as "2026-12-08 16:30:12" in local time.
QString LocalTime(const std::string& utc) {
    const QDateTime time = QDateTime::fromString(QString::fromStdString(utc), Qt::ISODate);
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                          : QString::fromStdString(utc);
}

QString WhatWasRun(const RunDescription& run) {
    if (run.kind == "undo") return QStringLiteral("undo of ") + DisplayText(run.search);
    if (run.kind == "batch" || run.kind == "diff") return DisplayText(run.search);
    if (run.kind == "strip" || run.kind == "convert") return DisplayText(run.replace);
    return DisplayText(run.search) + QStringLiteral(" -> ") + DisplayText(run.replace);
}

QTreeWidget* NewList(const QStringList& headers, QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setStretchLastSection(true);
    return list;
}

}  // namespace

QString CRunHistoryDlg::StateOf(const KeptRun& run) {
    if (!run.journal.damage.empty()) {
        return QStringLiteral("damaged journal (") + DisplayText(run.journal.damage) +
               QStringLiteral(")");
    }
    if (run.unfinished) return QStringLiteral("did not end");
    if (!run.journal.ended) return QStringLiteral("running");
    if (run.journal.aborted) return QStringLiteral("aborted");
    if (!run.undoneBy.empty()) {
        return QStringLiteral("can't be undone (undone by ") +
               QString::fromStdString(run.undoneBy) + u')';
    }
    if (!run.undoable) return QStringLiteral("can't be undone");
    if (run.filesUndone == 0) return QStringLiteral("can be undone");
    // An undo stopped part way: the files it did not reach can be.
    return QStringLiteral("can be undone (%1 of %2 files undone)")
        .arg(run.filesUndone)
        .arg(run.filesChanged);
}

CRunHistoryDlg::CRunHistoryDlg(const RunHistory& history, QWidget* parent)
    : CRunHistoryDlg(history, history.Runs(), {}, parent) {
}

CRunHistoryDlg::CRunHistoryDlg(const RunHistory& history, std::vector<KeptRun> kept,
                               ReadingProgress checking, QWidget* parent)
    : QDialog(parent),
      m_history(history),
      m_kept(std::move(kept)),
      m_checking(std::move(checking)),
      m_runs(NewList({QStringLiteral("Started"), QStringLiteral("Kind"), QStringLiteral("What"),
                      QStringLiteral("Files"), QStringLiteral("State")},
                     this)),
      m_files(NewList({QStringLiteral("File"), QStringLiteral("State")}, this)),
      m_undo(new QPushButton(QStringLiteral("&Undo Run"), this)) {
    setWindowTitle(QStringLiteral("Run History"));
    for (const KeptRun& run : m_kept) {
        auto* item = new QTreeWidgetItem(
            m_runs, {LocalTime(run.journal.startTime), QString::fromStdString(run.journal.run.kind),
                     WhatWasRun(run.journal.run), QString::number(run.filesChanged), StateOf(run)});
        item->setToolTip(0, QString::fromStdString(run.journal.id));
    }
    m_runs->resizeColumnToContents(0);
    m_files->setColumnWidth(0, 420);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_runs);
    splitter->addWidget(m_files);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(m_undo, QDialogButtonBox::ActionRole);
    m_undo->setEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        m_kept.empty() ? QStringLiteral("No run has been kept.")
                       : QStringLiteral("Select a run to see its files and what undoing it would "
                                        "do:"),
        this));
    layout->addWidget(splitter);
    layout->addWidget(buttons);
    m_runs->setAccessibleName(QStringLiteral("Kept Runs"));
    m_files->setAccessibleName(QStringLiteral("Files of the Selected Run"));
    NameControlsAfterLabels(this);
    resize(760, 520);

    connect(m_runs, &QTreeWidget::itemSelectionChanged, this,
            &CRunHistoryDlg::ShowFilesOfSelectedRun);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_undo, &QPushButton::clicked, this, [this] {
        const int row = m_runs->indexOfTopLevelItem(m_runs->currentItem());
        if (row < 0) return;
        m_chosen = m_kept[static_cast<std::size_t>(row)].journal.id;
        accept();
    });
    if (!m_kept.empty()) m_runs->setCurrentItem(m_runs->topLevelItem(0));
}

void CRunHistoryDlg::ShowFilesOfSelectedRun() {
    m_files->clear();
    const int row = m_runs->indexOfTopLevelItem(m_runs->currentItem());
    if (row < 0) {
        m_undo->setEnabled(false);
        return;
    }
    const KeptRun& run = m_kept[static_cast<std::size_t>(row)];
    bool anyUndoable = false;
    if (run.undoable) {
        std::vector<FileOutcome> files;
        {
            // The list must not change under the check while the window paints.
            const TakeBackInputGuard guard(*this);
            files = m_history.CheckUndo(run, nullptr, m_checking);
        }
        if (m_checking) m_checking(files.size(), files.size());
        for (const FileOutcome& file : files) {
            anyUndoable = anyUndoable || file.done;
            new QTreeWidgetItem(
                m_files, {DisplayText(file.path),
                          file.done ? QStringLiteral("can be undone") : DisplayText(file.reason)});
        }
        // What its files say now decides, not only whether its backups are there.
        if (!anyUndoable) m_runs->currentItem()->setText(4, QStringLiteral("can't be undone"));
    } else {
        for (const JournalEntry& entry : run.journal.files) {
            if (entry.state != JournalEntry::State::Replaced) continue;
            new QTreeWidgetItem(m_files, {DisplayText(entry.path), StateOf(run)});
        }
    }
    m_undo->setEnabled(anyUndoable);
}

}  // namespace kesto
