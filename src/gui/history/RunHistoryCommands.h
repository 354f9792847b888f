// RunHistoryCommands: the commands that take runs back: Undo Last Run, Run History (its
// dialog chooses a run, the command asks and undoes it), the undo of one run by its id, and
// at start the offer to finish the runs that did not end. Each asks before it changes a
// file, and none works while the state folder is not the user's own: the user is told why.
// While files are taken back, and while the kept runs are read, the status bar counts them
// and the window goes on painting; the input is dropped meanwhile, except the gestures that
// stop an undo or a recovery after the file in hand (see TakeBackInputGuard), as does a
// signal that ends the program. What became of each file is shown as a report in a window
// the owner opens; the kept runs are then pruned to the number the settings keep.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "journal/RunHistory.h"

class QWidget;

namespace kesto {

class CChildFrame;
class IniFile;
class Prompter;
class RecycleBin;
class TakeBackInputGuard;

class RunHistoryCommands {
public:
    // Opens a window that shows `lines` as its log, under `title`.
    using ShowReport = std::function<CChildFrame*(const std::string& title,
                                                  const std::vector<std::string>& lines)>;

    // Shows in the status bar what is being done ("Undoing 20 of 2000 files").
    using ShowStatus = std::function<void(const std::string& what)>;

    // `ini`: the settings, which say how many runs are kept; `dialogParent`: the window
    // over which the run history opens.
    RunHistoryCommands(const IniFile& ini, Prompter& prompter, RecycleBin& recycleBin,
                       QWidget& dialogParent, ShowReport showReport, ShowStatus showStatus);

    // Where the runs keep their journals (by default the user's state folder).
    void SetJournalFolder(std::string folder) { m_journalFolder = std::move(folder); }
    const std::string& journalFolder() const { return m_journalFolder; }

    // Undoes run `id` (empty: the newest that can be undone) and shows what became of each
    // file; nothing (and a message) when the run cannot be undone at all.
    CChildFrame* UndoRun(const std::string& id);
    // Asks before undoing the newest run that can be undone.
    CChildFrame* UndoLastRun();
    // The run history; the run chosen there is undone once the user says yes.
    void ShowRunHistory();
    // Offers to finish the runs that did not end; their result in a report.
    CChildFrame* OfferRecovery();

    // Whether runs are being read or taken back: the window must stay open until it ends.
    bool busy() const { return m_busy; }

private:
    void PruneRuns();
    // Shows how far the files are taken back and lets the window paint; false once the user
    // or a signal has asked to stop.
    TakeBackProgress ShowingProgress(const std::string& doing, const TakeBackInputGuard& guard);
    // The kept runs, less those whose backups are all gone, with a count while they are read.
    std::vector<KeptRun> PruneAndReadRuns(RunHistory& history);
    // Shows how far the files of the run chosen in the run history are checked.
    ReadingProgress CountingChecks();

    const IniFile& m_ini;
    Prompter& m_prompter;
    RecycleBin& m_recycleBin;
    QWidget& m_dialogParent;
    ShowReport m_showReport;
    ShowStatus m_showStatus;
    std::string m_journalFolder = DefaultRunJournalFolder();
    bool m_busy = false;
};

}  // namespace kesto
