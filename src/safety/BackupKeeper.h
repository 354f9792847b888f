// BackupKeeper: no file is rewritten in place.
//
// A pass opens a file for reading (OpenForReading) and, only once it knows the file will
// change, renames it to its backup name and opens a new file under the original name for
// writing (BeginRewrite): a file without a match is only ever read. A file that changed
// keeps its backup (KeepRewrittenFile) so that an aborted run can put every original back
// (RestoreChangedFiles); any other file gets its original back at once (RestoreOneFile).
// At the end of a run the backups are kept or removed (RemoveBackups). Exactly one file is
// prepared at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Prompter.h"
#include "log/LogStore.h"
#include "safety/BackupName.h"
#include "safety/RecycleBin.h"
#include "safety/UniqueFd.h"
#include "selection/FileEligibility.h"
#include "session/SessionOptions.h"

namespace kesto {

// The largest file a pass takes.
inline constexpr std::uint64_t kMaxFileSize = 8'388'608;

// The file being rewritten.
struct PreparedFile {
    std::string path;        // the file rewritten: through a symbolic link, its target
    std::string backupPath;  // beside `path`
    std::uint64_t size = 0;
    std::string extension;
    UniqueFd input;        // the original, for reading (under the backup name once renamed)
    UniqueFd output;       // the new file under the original name, for writing
    bool renamed = false;  // the original is under the backup name
};

class BackupKeeper {
public:
    BackupKeeper(SessionOptions& options, LogStore& log, Prompter& prompter);

    void SetNaming(BackupNaming naming) { m_naming = std::move(naming); }
    const BackupNaming& naming() const { return m_naming; }
    // Asked before a file is touched; without one every file is eligible.
    void SetEligibility(FileEligibility* eligibility) { m_eligibility = eligibility; }

    // Opens `directory`/`fileName` for reading after the checks that refuse a file. On
    // refusal the reason is recorded as a problem entry (except while the run is stopping
    // or aborting). The file is not touched until BeginRewrite.
    bool OpenForReading(const std::string& directory, const std::string& fileName);
    // Moves the original opened for reading to its backup name and creates the new file
    // under its own name. On refusal the file is as it was and the reason recorded.
    bool BeginRewrite();
    // Both of the above.
    bool OpenForRewrite(const std::string& directory, const std::string& fileName);

    PreparedFile& current() { return m_current; }
    const std::string& shortDisplayName() const { return m_shortDisplayName; }

    // Closes the new file, which keeps the backup's permission bits (and owner and group
    // where allowed; a loss is logged), and lists it in changedFiles. False when the new
    // file could not be completed; the caller then restores the file.
    bool KeepRewrittenFile();

    // Abandons both streams and renames the backup back to the original name. A refusal is
    // shown and logged as "Could NOT Restore!: path".
    void RestoreOneFile();

    // After an abort: puts the backup of every changed file back. True when all succeeded.
    bool RestoreChangedFiles();

    // At the end of a run that keeps no backups: flushes the rewritten files to disk, then
    // deletes their backups, or moves them to `bin` in batches of at most 32000 bytes.
    void RemoveBackups(bool deletePermanently, RecycleBin& bin);

    const std::vector<std::string>& changedFiles() const { return m_changedFiles; }

private:
    bool Refuse(std::string_view reason);
    bool CreateBackupByCopy(const std::string& path, const std::string& backupPath);
    bool RestoreQuietly();
    bool AdoptBackupMetadata();
    bool MoveBatchToRecycleBin(std::vector<std::string>& batch, RecycleBin& bin);

    SessionOptions& m_options;
    LogStore& m_log;
    Prompter& m_prompter;
    FileEligibility* m_eligibility = nullptr;
    BackupNaming m_naming;
    PreparedFile m_current;
    std::string m_shortDisplayName;
    std::vector<std::string> m_changedFiles;
};

}  // namespace kesto
