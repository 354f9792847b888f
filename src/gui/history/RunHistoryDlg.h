// CRunHistoryDlg: "Run History": the kept runs, newest first, with when, what and how many
// files each changed and whether it can be undone; the files of the selected run with the
// state each is in; and Undo Run for a run that can be undone. The dialog only chooses: the
// run history commands (RunHistoryCommands) ask for confirmation and undo the run.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "journal/RunHistory.h"

class QPushButton;
class QTreeWidget;

namespace kesto {

class CRunHistoryDlg : public QDialog {
    Q_OBJECT
public:
    CRunHistoryDlg(const RunHistory& history, QWidget* parent = nullptr);
    // `kept`: the runs of `history`, read already; `checking` is told how far the check of
    // the selected run's files is, and keeps the window painting; once more, with all files
    // done, when the check is over.
    CRunHistoryDlg(const RunHistory& history, std::vector<KeptRun> kept, ReadingProgress checking,
                   QWidget* parent = nullptr);

    // The run chosen with Undo Run; empty when the dialog was closed otherwise.
    const std::string& chosenRun() const { return m_chosen; }

    QTreeWidget* runList() const { return m_runs; }
    QTreeWidget* fileList() const { return m_files; }
    QPushButton* undoButton() const { return m_undo; }

    // One line of the run list: its state in words.
    static QString StateOf(const KeptRun& run);

private:
    void ShowFilesOfSelectedRun();

    const RunHistory& m_history;
    std::vector<KeptRun> m_kept;
    ReadingProgress m_checking;
    QTreeWidget* m_runs;
    QTreeWidget* m_files;
    QPushButton* m_undo;
    std::string m_chosen;
};

}  // namespace kesto
