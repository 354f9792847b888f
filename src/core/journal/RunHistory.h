// RunHistory: the runs kept in the state folder, and the two ways of taking one back.
//
// Undo puts the files of a finished run back as they were before it, each only when it
// still holds exactly what the run wrote and its backup exactly the original; it swaps the
// two, so the run's version becomes the backup and the undo can itself be undone. Recover
// finishes a run that died (its journal not ended and held by no process): as an abort
// would, each file it had replaced gets its original back and what it left half made goes;
// a run that had made its last change and was removing its backups has that removal
// finished instead, so its result stands.
//
// Nothing is done unless the state folder is the user's own (see StateFolder), and nothing
// to a file whose record is damaged (see RunJournal). Every step on a file is taken through
// a descriptor of its folder, opened without following a link and checked against the
// folder its run recorded. An undo or a recovery holds the run it takes back, so no other
// process takes it back at the same time, and it takes a run's holds on each folder and
// file (see HeldFolder): the check of a file and its swap are one step that no run, undo or
// recovery interleaves with, and a file another run is changing is left alone.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/RecycleBin.h"
#include "journal/RunJournal.h"
#include "journal/StateFolder.h"

namespace kesto {

// The journal folder when none is named: $XDG_STATE_HOME/kesto/runs, else
// ~/.local/state/kesto/runs.
std::string DefaultRunJournalFolder();

struct KeptRun {
    std::string path;
    JournalContents journal;
    // The files it changed; for a run that died, those it may have changed.
    int filesChanged = 0;
    bool undoable = false;
    // Not ended, and no process holds it: the run died.
    bool unfinished = false;
    // The kept undo that took this run back, when one did: the run is then no longer one to
    // undo, however its backups stand.
    std::string undoneBy;
    // The files its kept undos put back: short of filesChanged, the rest can still be undone.
    int filesUndone = 0;
};

// What became of one file.
struct FileOutcome {
    std::string path;
    bool done = false;
    std::string reason;  // why it was left as it was
};

struct TakeBackResult {
    std::string runId;
    std::string newRunId;  // the journal of the undo itself
    std::vector<FileOutcome> files;
    // A recovered run that had made its last change: its backups were removed as it was
    // doing ("delete" or "trash"), and each file done is a backup removed.
    std::string finishedRemoval;
    std::string error;  // the whole request was refused
    // Stopped between two files at the caller's word. An undo lists the files it did not
    // reach, left as they were; a recovery leaves its run not ended, to be recovered again.
    bool stopped = false;

    int leftAlone() const;
};

// Why an undo left a file as it was when it stopped before it.
inline constexpr std::string_view kNotReached = "not reached, the undo was stopped";

// Called before each file an undo or a recovery takes, with the files done and the files of
// the run, on the caller's thread: a window keeps painting and shows how far it is. False
// stops the work before that file, so that every file is either taken back whole or left.
using TakeBackProgress = std::function<bool(std::size_t done, std::size_t total)>;
// Called before each journal is read, or each file is looked at, with those done and all.
using ReadingProgress = std::function<void(std::size_t done, std::size_t total)>;

class RunHistory {
public:
    explicit RunHistory(std::string folder) : m_folder(std::move(folder)) {}

    const std::string& folder() const { return m_folder; }
    // Why the state folder may not be used now; empty when it may. While it may not, there
    // are no runs, and undo and recovery are refused with this reason.
    std::string Refusal() const;

    // Every journal of the folder, newest first (a damaged one included, as far as it can be
    // read).
    std::vector<KeptRun> Runs(const ReadingProgress& progress = {}) const;
    // The ids of runs that died; reads only the end of each journal.
    std::vector<std::string> UnfinishedRuns() const;

    // For each file `run` changed: empty when it can be undone, else why not.
    std::vector<FileOutcome> CheckUndo(const KeptRun& run, RecycleBin* bin = nullptr,
                                       const ReadingProgress& progress = {}) const;
    // Undoes run `id` (empty: the newest that can be undone). `settingsPath` goes into the
    // undo's own journal.
    TakeBackResult Undo(const std::string& id, RecycleBin& bin, const std::string& settingsPath,
                        const TakeBackProgress& progress = {});
    // Finishes every run that died; one result per run. A backup that went to `bin` (when
    // given) is taken back from it, and one the run was moving there goes there. Stopped,
    // the last result is the run it stopped in, and the runs after it are left for later.
    std::vector<TakeBackResult> Recover(RecycleBin* bin = nullptr,
                                        const TakeBackProgress& progress = {});

    // Deletes the journals of all but the newest `keep` runs that ended, and what runs
    // killed while making their journal left. Reads only the end of each journal, so a run
    // can do it as it ends.
    void Prune(int keep);
    // Deletes the journals of runs that ended whose backups are all recorded as deleted or
    // put back; the runs left, as Runs gives them.
    std::vector<KeptRun> PruneGone(const ReadingProgress& progress = {});

private:
    // The state folder as it is now; nothing when it may not be used.
    std::optional<StateFolder> State() const;
    std::vector<KeptRun> RunsIn(const StateFolder& state,
                                const ReadingProgress& progress = {}) const;

    std::string m_folder;
};

}  // namespace kesto
