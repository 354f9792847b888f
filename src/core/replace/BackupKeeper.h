// BackupKeeper: no file is rewritten in place, and the original name always holds a
// complete version of the file.
//
// A pass opens a file for reading (OpenForReading) and, only once it knows the file will
// change, creates a temporary file beside it for the new content (BeginRewrite), or names
// the unnamed one a worker already wrote it into: a file without a match is only ever
// read. When the new content is complete, KeepRewrittenFile gives it the original's owner,
// mode, ACL and user attributes, makes the backup as a hard link to the original, checks
// that nobody changed the original meanwhile and renames the new file over the original
// name in one step. Any failure before that removes the temporary file (RestoreOneFile)
// and leaves the original as it was. A file that changed keeps its backup, so that an
// aborted run can put every original back
// (RestoreChangedFiles); at the end of a run the backups are kept or removed
// (RemoveBackups), and EndRun lets go of the run's folders.
//
// It reports what becomes of each file (begun, refused with its reason, a warning) as run
// events; it writes no log of its own.
//
// A preview takes every step that decides what happens to a file and none that writes:
// no temporary file, no backup, no rename, no hold; a file it would rewrite is listed as
// changed all the same, so that the log and the checks of the later files are the real
// run's.
//
// Every step is taken relative to the file's folder, opened once per run and checked
// against what the walk listed. Files this run changed stay held until EndRun, so that a
// second run at the same time leaves them alone. Exactly one file is prepared at a time.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "events/RunEvents.h"
#include "files/FolderIdentity.h"
#include "files/HeldFolder.h"
#include "files/RecycleBin.h"
#include "journal/RunRecorder.h"
#include "run/Prompter.h"
#include "run/RunControl.h"
#include "settings/FileEligibility.h"
#include "text/BackupName.h"
#include "text/ContentHash.h"
#include "text/UniqueFd.h"

namespace kesto {

// The largest file a pass takes.
inline constexpr std::uint64_t kMaxFileSize = 8'388'608;

// The file being rewritten.
struct PreparedFile {
    std::string path;        // the file rewritten: through a symbolic link, its target
    std::string backupPath;  // beside `path`
    std::uint64_t size = 0;
    std::string extension;
    UniqueFd input;   // the original, for reading
    UniqueFd output;  // the temporary file beside it that takes the new content
    HeldFolder* folder = nullptr;
    std::string name;            // of `path` in `folder`
    std::string backupName;      // of `backupPath` in `folder`
    std::string tempName;        // of `output` in `folder`, while it exists
    bool outputWritten = false;  // `output` came with the new content in it
    struct stat original {};     // the original as it was read
};

// The hashes of a file's original and of its new content.
struct ContentHashes {
    ContentHash before;
    ContentHash after;
};

class BackupKeeper {
public:
    BackupKeeper(RunControl& control, RunEventSink& events, Prompter& prompter);

    void SetNaming(BackupNaming naming) { m_naming = std::move(naming); }
    // A new prefix for the temporary names of the next run, which its journal records so
    // that a recovery finds what the run left; returned.
    const std::string& NewTemporaryPrefix();
    const BackupNaming& naming() const { return m_naming; }
    // Asked before a file is touched; without one every file is eligible.
    void SetEligibility(FileEligibility* eligibility) { m_eligibility = eligibility; }
    // The files of the run come from a walk of `startDirectory` that listed `folders`: a
    // folder must still be the one listed, and a link is followed only to a file inside the
    // start directory. Without a walk (a file list) the user named each file, and a link
    // is followed wherever it leads. `folders` must outlive the run.
    void SetWalk(const std::string& startDirectory, const ListedFolders* folders);
    void SetFileList();
    // Until the next call, runs are previews.
    void SetPreview(bool preview) { m_preview = preview; }
    bool preview() const { return m_preview; }
    // Until the next call, every replacement is recorded by `recorder` (may be null).
    void SetRecorder(RunRecorder* recorder) { m_recorder = recorder; }
    RunRecorder* recorder() const { return m_recorder; }

    // A file someone opened and read ahead of the run, as `read` describes it when it was
    // read. The next OpenForReading takes it instead of opening the file itself when its
    // folder still holds that very file under the name; else it is closed.
    void OfferOpenedFile(UniqueFd file, const struct stat& read);

    // Opens `directory`/`fileName` for reading after the checks that refuse a file. On
    // refusal the reason is recorded as a problem entry (except while the run is stopping
    // or aborting). The file is not touched.
    [[nodiscard]] bool OpenForReading(const std::string& directory, const std::string& fileName);
    // Creates the temporary file that takes the new content. On refusal the file is as it
    // was and the reason recorded. An unnamed file that already holds the new content,
    // `written`, made in the file's folder (O_TMPFILE), is given the temporary name instead
    // where it can be, and else copied into the new file; either way current().outputWritten
    // then says that the new content is in place.
    [[nodiscard]] bool BeginRewrite(UniqueFd written = UniqueFd());
    // Both of the above.
    [[nodiscard]] bool OpenForRewrite(const std::string& directory, const std::string& fileName);

    PreparedFile& current() { return m_current; }
    const std::string& shortDisplayName() const { return m_shortDisplayName; }

    // Swaps the complete new content in: the backup is made, and the new file takes the
    // original's name and metadata (a loss of owner or mode is logged). The file is then
    // listed in changedFiles. On refusal the temporary file is gone, the original is as it
    // was, and the reason is recorded as a problem entry.
    // `hashes` are those of the original and of the new content, for the run's journal.
    [[nodiscard]] bool KeepRewrittenFile(const std::optional<ContentHashes>& hashes = std::nullopt);

    // Abandons both streams and the temporary file; the original never left its name.
    void RestoreOneFile();

    // After an abort: puts the backup of every changed file back over the file, where the
    // file still holds what this run wrote and the backup what it had. Each file that could
    // not be restored is logged as "Can't Restore file: path". True when all were restored.
    bool RestoreChangedFiles();
    // How many files the last RestoreChangedFiles could not restore.
    int restoreFailures() const { return m_restoreFailures; }

    // At the end of a run that keeps no backups: flushes the rewritten files to disk, then
    // deletes their backups, or moves them to `bin` in batches of at most 32000 bytes.
    // When the flush fails every backup is kept and the log says so.
    void RemoveBackups(bool deletePermanently, RecycleBin& bin);

    // The run is over: its folders are closed, and with them its hold on the files; the
    // next run starts afresh (changedFiles stays for the record).
    void EndRun();

    const std::vector<std::string>& changedFiles() const { return m_changedFiles; }

private:
    // A file this run changed, with what it takes to restore it safely.
    struct ChangedFile {
        HeldFolder* folder = nullptr;
        std::string name;
        std::string backupName;
        std::string backupPath;
        ino_t originalInode = 0;
        ino_t rewrittenInode = 0;
        off_t rewrittenSize = 0;
        timespec rewrittenTime{};
    };

    bool Refuse(std::string_view reason);
    // Drops the file in hand (temporary file included) and records `reason`.
    bool Abandon(std::string_view reason);
    HeldFolder* HoldFolder(const std::string& directory, bool inWalk);
    // Closes the folder used last unless it holds a changed file or is `next`.
    void CloseIdleFolder(const std::pair<dev_t, ino_t>& next);
    // Where the file named by `directory`/`fileName` really is: its folder and its name
    // there, following a link where that is allowed. Records the refusal otherwise.
    bool LocateFile(const std::string& directory, const std::string& fileName, UniqueFd& offered);
    // Takes `offered` as the file named `fileName` in `folder` when it is that file.
    bool TakeOfferedFile(HeldFolder& folder, const std::string& fileName, UniqueFd& offered);
    // Why the link owned by `linkOwner` to `file`, at `target`, is not followed.
    std::optional<std::string> LinkRefusal(uid_t linkOwner, const std::string& target,
                                           const struct stat& file) const;
    std::optional<std::string> CollisionWithThisRun() const;
    std::string KeyOf(const HeldFolder& folder, std::string_view name) const;
    bool UnchangedSinceRead() const;
    bool MakeBackup();
    // Names `written` in the file's folder and hands it back; invalid, with `written` left
    // as it was, when it can't be.
    UniqueFd NameWrittenFile(UniqueFd& written);
    bool LinkOrCopyOriginal(const std::string& tempName);
    bool CopyOriginal(const std::string& tempName);
    bool RestoreChangedFile(const ChangedFile& file);
    // The preview's KeepRewrittenFile: the checks, and the file listed as changed.
    bool ListRewrittenFile();
    void ListChanged(HeldFolder& folder);
    bool FlushChangedFiles();
    bool MoveBatchToRecycleBin(std::vector<std::size_t>& batch, RecycleBin& bin);
    void RecordReplacement();
    // A line of the report: a warning, or what became of a file.
    void Report(const std::string& text);
    void LogRecorderFailure();

    RunControl& m_control;
    RunEventSink& m_events;
    Prompter& m_prompter;
    FileEligibility* m_eligibility = nullptr;
    bool m_preview = false;
    RunRecorder* m_recorder = nullptr;
    bool m_recorderFailureLogged = false;
    BackupNaming m_naming;
    std::optional<std::string> m_startDirectory;
    const ListedFolders* m_listedFolders = nullptr;
    PreparedFile m_current;
    std::optional<ContentHashes> m_currentHashes;
    UniqueFd m_offered;
    struct stat m_offeredStat {};
    std::string m_shortDisplayName;
    // The folders open in this run, by identity, with the paths they were reached by. A
    // folder that holds no changed file is closed once the run moves on, so a walk over
    // many folders keeps open only those it changed something in.
    struct OpenFolder {
        std::unique_ptr<HeldFolder> folder;
        std::vector<std::string> paths;
    };
    using FolderId = std::pair<dev_t, ino_t>;
    std::map<FolderId, OpenFolder> m_folders;
    std::unordered_map<std::string, FolderId> m_folderByPath;
    std::optional<FolderId> m_lastFolder;
    // Paths of the files changed and of the backups made, by folder and name.
    std::unordered_map<std::string, std::string> m_changedByKey;
    std::unordered_map<std::string, std::string> m_backupOwnerByKey;
    std::vector<std::string> m_changedFiles;
    std::vector<ChangedFile> m_changed;
    int m_restoreFailures = 0;
    std::string m_temporaryPrefix;
};

}  // namespace kesto
