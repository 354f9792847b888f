#include "safety/BackupKeeper.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <new>
#include <set>

namespace kesto {
namespace {

constexpr std::size_t kRecycleBatchBytes = 32000;

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The file a path stands for: a symbolic link to a regular file is followed, so that the
// target is rewritten, its backup stands beside it, and the link stays a link.
std::string ResolveLink(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    std::error_code error;
    const std::filesystem::path target = std::filesystem::canonical(path, error);
    return error ? path : target.string();
}

}  // namespace

BackupKeeper::BackupKeeper(SessionOptions& options, LogStore& log, Prompter& prompter)
    : m_options(options), m_log(log), m_prompter(prompter) {
}

bool BackupKeeper::Refuse(std::string_view reason) {
    m_log.RecordProblemFile(reason);
    return false;
}

bool BackupKeeper::OpenForReading(const std::string& directory, const std::string& fileName) {
    const std::string givenPath = JoinPath(directory, fileName);
    m_log.BeginFile(givenPath);
    m_current = PreparedFile();

    if (m_eligibility && !m_eligibility->IsFileEligible(fileName)) {
        // Stop Now or Abort given to the extension question ends the run; the file was
        // not excluded, so it gets no entry.
        if (m_options.abortRequested || m_options.stopRequested) return false;
        return Refuse("Excluded from search!");
    }
    if (m_options.abortRequested || m_options.stopRequested) return false;

    const std::string path = ResolveLink(givenPath);
    const std::string backupPath = BackupName(path, m_naming);
    if (SamePathIgnoringCase(backupPath, path)) {
        return Refuse("Source and Backup have same file name, can't create backup!");
    }
    // Only regular files are rewritten: opening a FIFO or a device would block or read
    // something that is not a file's content.
    struct stat original {};
    if (::stat(path.c_str(), &original) != 0 || !S_ISREG(original.st_mode)) {
        return Refuse("Couldn't Open this file");
    }

    m_current.path = path;
    m_current.backupPath = backupPath;
    m_current.input = UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat opened {};
    if (!m_current.input.valid() || ::fstat(m_current.input.get(), &opened) != 0) {
        m_current = PreparedFile();
        return Refuse("Couldn't Open this file");
    }
    m_current.size = static_cast<std::uint64_t>(opened.st_size);
    if (m_current.size == 0) {
        m_current = PreparedFile();
        return Refuse("Is Empty!");
    }
    if (m_current.size > kMaxFileSize) {
        m_current = PreparedFile();
        return Refuse("larger than " + std::to_string(kMaxFileSize) +
                      " bytes, this applications limit!");
    }

    const std::string_view name = FileNameOf(path);
    const std::size_t dot = name.rfind('.');
    m_current.extension = dot == std::string_view::npos ? "" : std::string(name.substr(dot + 1));
    m_shortDisplayName = ShortDisplayName(givenPath);
    return true;
}

bool BackupKeeper::BeginRewrite() {
    const std::string& path = m_current.path;
    const std::string& backupPath = m_current.backupPath;
    struct stat original {};
    if (::fstat(m_current.input.get(), &original) != 0) {
        m_current = PreparedFile();
        return Refuse("Couldn't Open this file");
    }
    // rename() replaces an old backup of that name in one step, so the original is at
    // every moment complete under one of the two names.
    if (::rename(path.c_str(), backupPath.c_str()) != 0 && !CreateBackupByCopy(path, backupPath)) {
        m_current = PreparedFile();
        return Refuse("Couldn't Create Backup file!");
    }
    m_current.renamed = true;
    m_current.output = UniqueFd(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, original.st_mode & 0777));
    if (!m_current.output.valid()) {
        RestoreQuietly();
        return Refuse("Couldn't Open this file");
    }
    return true;
}

bool BackupKeeper::OpenForRewrite(const std::string& directory, const std::string& fileName) {
    return OpenForReading(directory, fileName) && BeginRewrite();
}

bool BackupKeeper::CreateBackupByCopy(const std::string& path, const std::string& backupPath) {
    UniqueFd source(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!source.valid()) return false;
    struct stat st {};
    if (::fstat(source.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    UniqueFd target(
        ::open(backupPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777));
    if (!target.valid()) return false;

    const auto length = static_cast<std::size_t>(st.st_size);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[length + 2]);
    if (!buffer) return false;
    std::size_t got = 0;
    while (got < length) {
        const ssize_t n = ::read(source.get(), buffer.get() + got, length - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    const bool copied = got == length && WriteAll(target.get(), buffer.get(), length) &&
                        ::fchmod(target.get(), st.st_mode & 07777) == 0 &&
                        ::fsync(target.get()) == 0 && target.Close();
    if (!copied) ::unlink(backupPath.c_str());
    return copied;
}

bool BackupKeeper::RestoreQuietly() {
    m_current.input.Reset();
    m_current.output.Reset();
    if (!m_current.renamed) return true;  // only read: the original never left its name
    if (::rename(m_current.backupPath.c_str(), m_current.path.c_str()) != 0) return false;
    m_current.renamed = false;
    return true;
}

bool BackupKeeper::AdoptBackupMetadata() {
    struct stat backup {};
    if (::fstat(m_current.input.get(), &backup) != 0) return false;
    const int out = m_current.output.get();
    bool kept = true;
    // Owner first: changing the owner clears set-user-ID and set-group-ID bits.
    struct stat now {};
    if (::fstat(out, &now) == 0 && (now.st_uid != backup.st_uid || now.st_gid != backup.st_gid)) {
        kept = ::fchown(out, backup.st_uid, backup.st_gid) == 0;
        if (!kept) ::fchown(out, static_cast<uid_t>(-1), backup.st_gid);
    }
    return ::fchmod(out, backup.st_mode & 07777) == 0 && kept;
}

bool BackupKeeper::KeepRewrittenFile() {
    if (!AdoptBackupMetadata()) {
        m_log.AddLogLine("Couldn't keep the owner, group or permissions of " + m_current.path +
                         "!");
    }
    m_current.input.Reset();
    if (!m_current.output.Close()) return false;
    m_changedFiles.push_back(m_current.path);
    return true;
}

void BackupKeeper::RestoreOneFile() {
    if (RestoreQuietly()) return;
    const int error = errno;
    std::string message = "Could NOT Restore!: " + m_current.path;
    if (error == EACCES || error == EPERM) message += " --> Access denied.";
    m_prompter.ShowMessage(message, MessageIcon::Stop);
    m_log.AddLogLine(message);
}

bool BackupKeeper::RestoreChangedFiles() {
    bool allRestored = true;
    for (const std::string& path : m_changedFiles) {
        const std::string backupPath = BackupName(path, m_naming);
        if (!Exists(backupPath)) continue;
        if (::rename(backupPath.c_str(), path.c_str()) != 0) {
            m_log.AddLogLine("Can't Restore file: " + path);
            allRestored = false;
        }
    }
    return allRestored;
}

void BackupKeeper::RemoveBackups(bool deletePermanently, RecycleBin& bin) {
    // The rewritten files reach the disk before their backups go, so that a crash cannot
    // lose both versions. One syncfs per file system covers every file on it.
    std::set<dev_t> flushed;
    for (const std::string& path : m_changedFiles) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !flushed.insert(st.st_dev).second) continue;
        UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.valid()) ::syncfs(fd.get());
    }

    std::vector<std::string> batch;
    std::size_t batchBytes = 0;
    for (std::size_t i = 0; i < m_changedFiles.size(); ++i) {
        const std::string backupPath = BackupName(m_changedFiles[i], m_naming);
        if (deletePermanently) {
            if (Exists(backupPath) && ::unlink(backupPath.c_str()) != 0) {
                m_log.AddLogLine("Can't Remove file: " + backupPath);
            }
            continue;
        }
        batchBytes += backupPath.size() + 1;
        batch.push_back(backupPath);
        const bool last = i + 1 == m_changedFiles.size();
        if ((batchBytes > kRecycleBatchBytes || last) && !MoveBatchToRecycleBin(batch, bin)) return;
        if (batch.empty()) batchBytes = 0;
    }
}

bool BackupKeeper::MoveBatchToRecycleBin(std::vector<std::string>& batch, RecycleBin& bin) {
    if (!bin.MoveToRecycleBin(batch)) {
        m_prompter.ShowMessage(
            "Error occurred deleting files to recycle bin!\r\nDelete Operation Terminated!",
            MessageIcon::Stop);
        m_options.abortRequested = true;
        return false;
    }
    batch.clear();
    return true;
}

}  // namespace kesto
