// RunRecorder: keeps the journal of one run while the run changes files.
//
// The journal is created when the run is about to rewrite its first file, so a run that
// changes nothing leaves none. Before a file gets a temporary file beside it, the journal on
// disk must name it: rather than flushing the journal once per file, the recorder writes the
// stamps of the next files of the run's list in one group and flushes once for all of
// them, so that a crash at any moment leaves a journal that names every file (and so every
// folder) the run may have touched, with enough to know the original again. The hashes of
// each file follow before its swap and reach the disk with the next flush, or when the
// system writes them.
//
// Each flush also makes the file system write out what the run changed so far, so the
// groups are large: for most runs the only flush is the one before the first change,
// when little else is waiting to be written.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "files/FolderIdentity.h"
#include "journal/RunJournal.h"
#include "text/BackupName.h"

namespace kesto {

class RunRecorder {
public:
    // The journal goes to the state folder `folder`; `run` names the run's backup naming and
    // the prefix of its temporary names.
    RunRecorder(std::string folder, RunDescription run);

    // The run's list of files, in order (must outlive the recorder), and the index of the
    // one taken now.
    void SetFileList(const std::vector<std::string>* files) { m_files = files; }
    void SetPosition(std::size_t index) { m_position = index; }

    // `path`, in `folder`, is about to be rewritten, read as `original`: a temporary file
    // is made beside it next. On disk, the journal names it then. False when the journal
    // could not be written (the reason is in error(); the run goes on without a journal).
    bool BeforeRewrite(const std::string& path, const std::string& backupPath,
                       const struct stat& original, const FolderIdentity& folder);
    // `path` is about to take its new content, `backupPath` keeping `original`. False as
    // above.
    bool BeforeReplace(const std::string& path, const std::string& backupPath,
                       const struct stat& original, const FolderIdentity& folder,
                       const ContentHash& before, const ContentHash& after);
    void Replaced(const std::string& path);
    // The run has made its last change and now removes its backups ("delete" or "trash").
    // False when the journal could not say so on disk: the backups must then stay.
    bool ChangesSettled(std::string_view removal);
    // Where the backup of `path` went: "kept", "deleted", "restored", or "trash:" and its
    // place there.
    void BackupFate(const std::string& path, const std::string& fate);
    // The run is over; the journal, if any, is closed.
    void End(bool aborted);

    // The id of the run's journal, once it has one.
    const std::string& journalId() const { return m_journalId; }
    // Why the run has no journal although it changed files; empty when it has one.
    const std::string& error() const { return m_error; }

    static FileStamp StampOf(const struct stat& file);
    // `path` made absolute against the folder the run started in, links not resolved: the
    // journal is read from anywhere.
    std::string Absolute(const std::string& path) const;

    // The number of files whose stamps are written and flushed at once.
    static constexpr std::size_t kGroupSize = 4096;

private:
    bool EnsureJournal();
    // Makes sure the journal on disk names `path` as it is now, writing and flushing the
    // stamps of the files from the current one on when it does not.
    bool Intend(const std::string& path, const std::string& backupPath, const struct stat& original,
                const FolderIdentity& folder);
    bool WriteGroup(const std::string& path, const std::string& backupPath,
                    const struct stat& original, const FolderIdentity& folder);
    // The folder a file of the list is in, as a run would open it.
    FolderIdentity FolderOfFile(const std::string& path);
    void Fail();

    std::string m_folder;
    std::string m_workingFolder;
    RunDescription m_run;
    std::optional<RunJournal> m_journal;
    std::string m_journalId;
    bool m_failed = false;
    bool m_replacedAny = false;
    std::string m_error;
    const std::vector<std::string>* m_files = nullptr;
    std::size_t m_position = 0;
    // The stamps on disk, and the folder, by the path of the file rewritten.
    std::unordered_map<std::string, std::pair<FileStamp, FolderIdentity>> m_intended;
    std::string m_lastFolderPath;
    FolderIdentity m_lastFolder;
};

}  // namespace kesto
