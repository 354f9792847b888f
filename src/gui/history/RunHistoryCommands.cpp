#include "gui/history/RunHistoryCommands.h"

#include <QCoreApplication>

#include "gui/history/RunHistoryDlg.h"
#include "gui/history/TakeBackInputGuard.h"
#include "log/LoggedPath.h"
#include "platform/InterruptSignals.h"
#include "run/Prompter.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"

namespace kesto {

namespace {

constexpr const char* kWhatAnUndoDoes =
    "\n\nEach file goes back to what it held before the run, where it still holds what the run "
    "wrote.";

// The first lines of a report: its heading, centred over the lines below, and a blank line.
std::vector<std::string> ReportHeading(const std::string& heading) {
    return {std::string(20, ' ') + "** " + heading + " **", " "};
}

// The lines of a report: each file put back or left as it was, and the count of each;
// names escaped as the log escapes them.
void AddOutcomes(const TakeBackResult& result, std::vector<std::string>& lines) {
    const bool trashed = result.finishedRemoval == "trash";
    const std::string done = result.finishedRemoval.empty() ? "Put back: "
                             : trashed                      ? "Backup moved to the Trash: "
                                                            : "Backup deleted: ";
    for (const FileOutcome& file : result.files) {
        lines.push_back(file.done ? "     " + done + LoggedPath(file.path)
                                  : "     Left as it was: " + LoggedPath(file.path) + " ... " +
                                        file.reason);
    }
    const std::size_t left = static_cast<std::size_t>(result.leftAlone());
    const std::size_t back = result.files.size() - left;
    lines.push_back(" ");
    if (!result.finishedRemoval.empty()) {
        lines.push_back("The run had made its changes, which stand: " + std::to_string(back) +
                        (back == 1 ? " backup" : " backups") +
                        (trashed ? " moved to the Trash, " : " deleted, ") + std::to_string(left) +
                        (left == 1 ? " left as it was" : " left as they were"));
        return;
    }
    lines.push_back(std::to_string(back) + (back == 1 ? " file" : " files") + " put back, " +
                    std::to_string(left) + (left == 1 ? " left as it was" : " left as they were"));
}

// Files are being read or taken back for as long as it lives.
class BusyScope {
public:
    explicit BusyScope(bool& busy) : m_busy(busy) { m_busy = true; }
    ~BusyScope() { m_busy = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& m_busy;
};

// Whether the state folder may be used; tells the user why not.
bool StateFolderUsable(const RunHistory& history, Prompter& prompter) {
    const std::string refusal = history.Refusal();
    if (!refusal.empty()) prompter.ShowMessage(refusal, MessageIcon::Stop);
    return refusal.empty();
}

}  // namespace

RunHistoryCommands::RunHistoryCommands(const IniFile& ini, Prompter& prompter,
                                       RecycleBin& recycleBin, QWidget& dialogParent,
                                       ShowReport showReport, ShowStatus showStatus)
    : m_ini(ini),
      m_prompter(prompter),
      m_recycleBin(recycleBin),
      m_dialogParent(dialogParent),
      m_showReport(std::move(showReport)),
      m_showStatus(std::move(showStatus)) {
}

TakeBackProgress RunHistoryCommands::ShowingProgress(const std::string& doing,
                                                     const TakeBackInputGuard& guard) {
    return [this, doing, &guard](std::size_t done, std::size_t total) {
        m_showStatus(doing + " " + std::to_string(done + 1) + " of " + std::to_string(total) +
                     (total == 1 ? " file" : " files"));
        QCoreApplication::processEvents();
        return !guard.stopAsked() && !InterruptRequested();
    };
}

std::vector<KeptRun> RunHistoryCommands::PruneAndReadRuns(RunHistory& history) {
    const BusyScope busy(m_busy);
    const TakeBackInputGuard guard(m_dialogParent);
    std::vector<KeptRun> runs = history.PruneGone([this](std::size_t done, std::size_t total) {
        m_showStatus("Reading run " + std::to_string(done + 1) + " of " + std::to_string(total));
        QCoreApplication::processEvents();
    });
    m_showStatus("Ready");
    return runs;
}

ReadingProgress RunHistoryCommands::CountingChecks() {
    return [this](std::size_t done, std::size_t total) {
        if (done == total) {
            m_showStatus("Ready");
            return;
        }
        m_showStatus("Checking " + std::to_string(done + 1) + " of " + std::to_string(total) +
                     (total == 1 ? " file" : " files"));
        QCoreApplication::processEvents();
    };
}

CChildFrame* RunHistoryCommands::UndoRun(const std::string& id) {
    RunHistory history(m_journalFolder);
    TakeBackResult result;
    {
        const BusyScope busy(m_busy);
        const TakeBackInputGuard guard(m_dialogParent);
        result = history.Undo(id, m_recycleBin, m_ini.path(), ShowingProgress("Undoing", guard));
    }
    m_showStatus("Ready");
    if (!result.error.empty()) {
        m_prompter.ShowMessage(result.error, MessageIcon::Stop);
        return nullptr;
    }
    PruneRuns();
    std::vector<std::string> lines = ReportHeading("Undo of Run " + result.runId);
    AddOutcomes(result, lines);
    if (result.stopped) {
        lines.push_back(
            "Stopped before the end: undo the run again to put back the files it "
            "did not reach.");
    }
    return m_showReport("Undo " + result.runId, lines);
}

CChildFrame* RunHistoryCommands::UndoLastRun() {
    RunHistory history(m_journalFolder);
    if (!StateFolderUsable(history, m_prompter)) return nullptr;
    for (const KeptRun& run : PruneAndReadRuns(history)) {
        if (!run.undoable) continue;
        const std::string question = "Undo the last run (" + run.journal.run.kind + ", " +
                                     std::to_string(run.filesChanged) +
                                     (run.filesChanged == 1 ? " file" : " files") + ", started " +
                                     run.journal.startTime + ")?" + kWhatAnUndoDoes;
        if (!m_prompter.AskYesNo(question)) return nullptr;
        return UndoRun(run.journal.id);
    }
    m_prompter.ShowMessage("No run to undo!", MessageIcon::Information);
    return nullptr;
}

void RunHistoryCommands::ShowRunHistory() {
    RunHistory history(m_journalFolder);
    if (!StateFolderUsable(history, m_prompter)) return;
    CRunHistoryDlg dialog(history, PruneAndReadRuns(history), CountingChecks(), &m_dialogParent);
    if (dialog.exec() != QDialog::Accepted || dialog.chosenRun().empty()) return;
    const std::string question = "Undo run " + dialog.chosenRun() + "?" + kWhatAnUndoDoes;
    if (m_prompter.AskYesNo(question)) UndoRun(dialog.chosenRun());
}

CChildFrame* RunHistoryCommands::OfferRecovery() {
    RunHistory history(m_journalFolder);
    // Runs are refused until the folder is the user's own: said at once, not at the first run.
    if (!StateFolderUsable(history, m_prompter)) return nullptr;
    const std::vector<std::string> unfinished = history.UnfinishedRuns();
    if (unfinished.empty()) return nullptr;
    const std::string question =
        "A run did not end (" + LoggedPath(unfinished.front()) +
        (unfinished.size() > 1 ? " and " + std::to_string(unfinished.size() - 1) + " more" : "") +
        "): the program was ended or the computer went off while it changed files.\n\n"
        "Put back the original files it was changing?";
    if (!m_prompter.AskYesNo(question)) return nullptr;
    // At start the window is shown once its first windows are open: the count needs it now.
    m_dialogParent.show();
    std::vector<std::string> lines = ReportHeading("Recovery of Runs That Did Not End");
    std::vector<TakeBackResult> results;
    {
        const BusyScope busy(m_busy);
        const TakeBackInputGuard guard(m_dialogParent);
        results = history.Recover(&m_recycleBin, ShowingProgress("Recovering", guard));
    }
    m_showStatus("Ready");
    for (const TakeBackResult& result : results) {
        lines.push_back("Run " + LoggedPath(result.runId) + ":");
        if (!result.error.empty()) {
            lines.push_back("     Couldn't recover it: " + result.error);
            continue;
        }
        AddOutcomes(result, lines);
        if (result.stopped) {
            lines.push_back(
                "Stopped before the end: the rest of this run, and any run after "
                "it, is offered for recovery at the next start.");
        }
        lines.push_back(" ");
    }
    PruneRuns();
    return m_showReport("Recovery", lines);
}

void RunHistoryCommands::PruneRuns() {
    Settings settings;
    LoadSettings(m_ini, settings);
    RunHistory(m_journalFolder).Prune(settings.keepRuns);
}

}  // namespace kesto
