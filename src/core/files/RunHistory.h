// RunHistory: the runs kept in the journal folder, and the two ways of taking one back.
//
// Undo puts the files of a finished run back as they were before it, each only when it
// still holds exactly what the run wrote and its backup exactly the original; it swaps the
// two, so the run's version becomes the backup and the undo can itself be undone. Recover
// finishes a run that died (its journal not ended and held by no process) as an abort
// would: each file it had replaced gets its original back.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "files/RecycleBin.h"
#include "files/RunJournal.h"

namespace kesto {

// The journal folder when none is named: $XDG_STATE_HOME/kesto/runs, else
// ~/.local/state/kesto/runs.
std::string DefaultRunJournalFolder();

struct KeptRun {
    std::string path;
    JournalContents journal;
    int filesChanged = 0;
    bool undoable = false;
    // Not ended, and no process holds it: the run died.
    bool unfinished = false;
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
    std::string error;  // the whole request was refused

    int leftAlone() const;
};

class RunHistory {
public:
    explicit RunHistory(std::string folder) : m_folder(std::move(folder)) {}

    const std::string& folder() const { return m_folder; }

    // Every journal of the folder, newest first (a damaged one included, as far as it can be
    // read).
    std::vector<KeptRun> Runs() const;
    // The ids of runs that died; reads only the end of each journal.
    std::vector<std::string> UnfinishedRuns() const;

    // For each file `run` changed: empty when it can be undone, else why not.
    std::vector<FileOutcome> CheckUndo(const KeptRun& run, RecycleBin* bin = nullptr) const;
    // Undoes run `id` (empty: the newest that can be undone). `settingsPath` goes into the
    // undo's own journal.
    TakeBackResult Undo(const std::string& id, RecycleBin& bin, const std::string& settingsPath);
    // Finishes every run that died; one result per run. A backup that went to `bin` (when
    // given) is taken back from it.
    std::vector<TakeBackResult> Recover(RecycleBin* bin = nullptr);

    // Deletes the journals of all but the newest `keep` runs that ended, and what runs
    // killed while making their journal left. Reads only the end of each journal, so a run
    // can do it as it ends.
    void Prune(int keep);
    // Deletes the journals of runs that ended whose backups are all recorded as deleted or
    // put back.
    void PruneGone();

private:
    // Puts back the original of one file of a run that died; `swap` keeps the other version
    // at the backup's name. An entry with a path names a file that was or should have been
    // put back.
    static FileOutcome RecoverFile(const JournalEntry& entry, bool swap, RecycleBin* bin);
    void RemoveAbandonedMakings() const;

    std::string m_folder;
};

}  // namespace kesto
