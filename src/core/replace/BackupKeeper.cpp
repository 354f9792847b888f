#include "replace/BackupKeeper.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <new>
#include <set>
#include <utility>

#include "files/FileMetadata.h"
#include "log/LoggedPath.h"
#include "text/WriteAll.h"

namespace kesto {
namespace {

// Only regular files are rewritten: opening a FIFO would block, and a device holds no
// file's content. Never through a link: one is resolved on its own first.
constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

constexpr std::size_t kRecycleBatchBytes = 32000;

// `count` random bytes in hexadecimal digits.
std::string RandomHex(std::size_t count) {
    unsigned char bytes[16] = {};
    count = std::min(count, sizeof bytes);
    if (::getrandom(bytes, count, 0) != static_cast<ssize_t>(count)) {
        for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(std::rand());
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < count; ++i) {
        hex += kHex[bytes[i] >> 4];
        hex += kHex[bytes[i] & 15];
    }
    return hex;
}

// A name nobody can guess ahead, so that nothing can be planted under it; hidden,
// recognisable as Kesto's own, and as the run's by `prefix`, which its journal records.
std::string UnpredictableName(std::string_view prefix) {
    return TemporaryNamePrefix(prefix) + RandomHex(8) + ".tmp";
}

// Creates a new file under an unpredictable name in `folder`; never opens what is there.
UniqueFd CreateExclusive(int folder, std::string_view prefix, std::string& name) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        name = UnpredictableName(prefix);
        UniqueFd fd(::openat(folder, name.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (fd.valid() || errno != EEXIST) return fd;
    }
    return UniqueFd();
}

// Copies every byte of `from`, read from its start, to `to`.
bool CopyAll(int from, int to) {
    char buffer[64 * 1024];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(from, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!WriteAll(to, std::string_view(buffer, static_cast<std::size_t>(n)))) return false;
        at += n;
    }
}

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

std::optional<std::string> RealPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    if (!resolved) return std::nullopt;
    return std::string(resolved.get());
}

bool Inside(const std::string& path, const std::string& folder) {
    if (folder == "/") return path.size() > 1 && path.front() == '/';
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

}  // namespace

BackupKeeper::BackupKeeper(RunControl& control, RunEventSink& events, Prompter& prompter)
    : m_control(control),
      m_events(events),
      m_prompter(prompter),
      m_temporaryPrefix(kesto::NewTemporaryPrefix()) {
}

const std::string& BackupKeeper::NewTemporaryPrefix() {
    m_temporaryPrefix = kesto::NewTemporaryPrefix();
    return m_temporaryPrefix;
}

void BackupKeeper::SetWalk(const std::string& startDirectory, const ListedFolders* folders) {
    m_startDirectory = FolderKey(startDirectory);
    m_listedFolders = folders;
}

void BackupKeeper::SetFileList() {
    m_startDirectory.reset();
    m_listedFolders = nullptr;
}

bool BackupKeeper::Refuse(std::string_view reason) {
    m_events.On(FileRefused{reason});
    return false;
}

void BackupKeeper::Report(const std::string& text) {
    m_events.On(ReportLine{text});
}

bool BackupKeeper::Abandon(std::string_view reason) {
    RestoreOneFile();
    m_current = PreparedFile();
    return Refuse(reason);
}

std::string BackupKeeper::KeyOf(const HeldFolder& folder, std::string_view name) const {
    const FolderIdentity& id = folder.identity();
    return std::to_string(id.device) + ':' + std::to_string(id.inode) + '/' + std::string(name);
}

HeldFolder* BackupKeeper::HoldFolder(const std::string& directory, bool inWalk) {
    const std::string key = FolderKey(directory);
    if (const auto known = m_folderByPath.find(key); known != m_folderByPath.end()) {
        const FolderId id = known->second;
        CloseIdleFolder(id);
        return m_folders.at(id).folder.get();
    }

    std::optional<FolderIdentity> expected;
    if (inWalk && m_listedFolders) {
        const auto listed = m_listedFolders->find(key);
        if (listed != m_listedFolders->end()) expected = listed->second;
    }
    // The walk never enters a link, so below the start directory a link is a swap.
    const bool noFollow = inWalk && m_startDirectory && key != *m_startDirectory;
    std::optional<HeldFolder> opened = HeldFolder::Open(directory, expected, noFollow);
    if (!opened) return nullptr;
    const FolderId id{opened->identity().device, opened->identity().inode};
    CloseIdleFolder(id);
    // One descriptor per folder and run: the run's holds live on it, and another
    // descriptor of the same folder would take them for another run's.
    OpenFolder& entry = m_folders[id];
    if (!entry.folder) entry.folder = std::make_unique<HeldFolder>(std::move(*opened));
    entry.paths.push_back(key);
    m_folderByPath.emplace(key, id);
    return entry.folder.get();
}

void BackupKeeper::CloseIdleFolder(const std::pair<dev_t, ino_t>& next) {
    const std::optional<FolderId> last = std::exchange(m_lastFolder, next);
    if (!last || *last == next) return;
    const auto it = m_folders.find(*last);
    if (it == m_folders.end() || it->second.folder->holdsAny()) return;
    if (m_current.folder == it->second.folder.get()) return;
    for (const std::string& path : it->second.paths) m_folderByPath.erase(path);
    m_folders.erase(it);
}

std::optional<std::string> BackupKeeper::LinkRefusal(uid_t linkOwner, const std::string& target,
                                                     const struct stat& file) const {
    if (m_startDirectory) {
        const std::optional<std::string> start =
            RealPath(m_startDirectory->empty() ? "." : *m_startDirectory);
        if (!start || !Inside(target, *start)) {
            return std::string("Link leads outside the start directory, not followed!");
        }
    }
    // Root follows only a link that root or the target's owner made (as the kernel's
    // protected links do), so nobody can aim root's run at a file of someone else.
    if (::geteuid() == 0 && linkOwner != 0 && linkOwner != file.st_uid) {
        return std::string("Link not owned by root or by its target's owner, not followed!");
    }
    return std::nullopt;
}

void BackupKeeper::OfferOpenedFile(UniqueFd file, const struct stat& read) {
    m_offered = std::move(file);
    m_offeredStat = read;
}

bool BackupKeeper::TakeOfferedFile(HeldFolder& folder, const std::string& fileName,
                                   UniqueFd& offered) {
    struct stat entry {};
    if (!offered.valid() ||
        ::fstatat(folder.fd(), fileName.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(entry.st_mode) || entry.st_dev != m_offeredStat.st_dev ||
        entry.st_ino != m_offeredStat.st_ino) {
        return false;
    }
    m_current.input = std::move(offered);
    m_current.original = m_offeredStat;
    return true;
}

bool BackupKeeper::LocateFile(const std::string& directory, const std::string& fileName,
                              UniqueFd& offered) {
    const bool inWalk = m_startDirectory.has_value();
    HeldFolder* folder = HoldFolder(directory, inWalk);
    if (!folder) {
        const bool listed =
            inWalk && m_listedFolders && m_listedFolders->count(FolderKey(directory)) > 0;
        return Refuse(listed ? "Folder changed since the walk, not processed!"
                             : "Couldn't Open this file");
    }
    const std::string givenPath = JoinPath(directory, fileName);
    // A file opened ahead of the run is taken as it was read: the folder's entry names it.
    if (TakeOfferedFile(*folder, fileName, offered)) {
        m_current.folder = folder;
        m_current.name = fileName;
        m_current.path = givenPath;
        return true;
    }
    // Most files are no links: opened at once without following one, they need no look
    // of their own. A link, or a file that does not open, goes the longer way below.
    UniqueFd opened(::openat(folder->fd(), fileName.c_str(), kReadFlags));
    if (opened.valid()) {
        m_current.folder = folder;
        m_current.name = fileName;
        m_current.path = givenPath;
        m_current.input = std::move(opened);
        return true;
    }
    struct stat entry {};
    if (::fstatat(folder->fd(), fileName.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
        return Refuse("Couldn't Open this file");
    }
    if (!S_ISLNK(entry.st_mode)) {
        m_current.folder = folder;
        m_current.name = fileName;
        m_current.path = givenPath;
        return true;
    }
    // A link is followed once, from the folder already open, to a handle of what it leads
    // to (not opened: it may be a device). What the checks look at and what is read is that
    // very file; a path that means another file by the time its folder is opened (a folder
    // on the way swapped) leads nowhere.
    const UniqueFd reached(::openat(folder->fd(), fileName.c_str(), O_PATH | O_CLOEXEC));
    struct stat file {};
    if (!reached.valid() || ::fstat(reached.get(), &file) != 0 || !S_ISREG(file.st_mode)) {
        return Refuse("Couldn't Open this file");
    }
    const std::string handle = "/proc/self/fd/" + std::to_string(reached.get());
    const std::optional<std::string> target = RealPath(handle);
    if (!target) return Refuse("Couldn't Open this file");
    if (const auto refusal = LinkRefusal(entry.st_uid, *target, file)) return Refuse(*refusal);
    HeldFolder* targetFolder = HoldFolder(std::string(DirectoryOf(*target)), false);
    struct stat named {};
    const std::string name(FileNameOf(*target));
    if (!targetFolder ||
        ::fstatat(targetFolder->fd(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        named.st_dev != file.st_dev || named.st_ino != file.st_ino) {
        return Refuse("Couldn't Open this file");
    }
    m_current.input = UniqueFd(::open(handle.c_str(), kReadFlags & ~O_NOFOLLOW));
    m_current.folder = targetFolder;
    m_current.name = name;
    m_current.path = *target;
    return true;
}

std::optional<std::string> BackupKeeper::CollisionWithThisRun() const {
    const std::string own = KeyOf(*m_current.folder, m_current.name);
    const std::string backup = KeyOf(*m_current.folder, m_current.backupName);
    if (const auto it = m_backupOwnerByKey.find(own); it != m_backupOwnerByKey.end()) {
        return "Is the backup of " + LoggedPath(it->second) + " made in this run!";
    }
    if (const auto it = m_changedByKey.find(own); it != m_changedByKey.end()) {
        return "Already changed in this run as " + LoggedPath(it->second) + "!";
    }
    if (const auto it = m_backupOwnerByKey.find(backup); it != m_backupOwnerByKey.end()) {
        return "Same backup name as " + LoggedPath(it->second) + ", can't create backup!";
    }
    if (const auto it = m_changedByKey.find(backup); it != m_changedByKey.end()) {
        return "Backup name is " + LoggedPath(it->second) +
               ", changed in this run, can't create backup!";
    }
    return std::nullopt;
}

bool BackupKeeper::OpenForReading(const std::string& directory, const std::string& fileName) {
    const std::string givenPath = JoinPath(directory, fileName);
    m_events.On(FileBegun{givenPath});
    RestoreOneFile();
    m_current = PreparedFile();
    UniqueFd offered = std::move(m_offered);

    if (m_eligibility && !m_eligibility->IsFileEligible(fileName)) {
        // Stop Now or Abort given to the extension question ends the run; the file was
        // not excluded, so it gets no entry.
        if (m_control.endsRun()) return false;
        return Refuse("Excluded from search!");
    }
    if (m_control.endsRun()) return false;
    // A name with a folder in it is taken in that folder.
    if (!LocateFile(std::string(DirectoryOf(givenPath)), std::string(FileNameOf(givenPath)),
                    offered)) {
        m_current = PreparedFile();
        return false;
    }

    m_current.backupPath = BackupName(m_current.path, m_naming);
    m_current.backupName = std::string(FileNameOf(m_current.backupPath));
    if (const auto collision = CollisionWithThisRun()) {
        m_current = PreparedFile();
        return Refuse(*collision);
    }
    if (SamePathIgnoringCase(m_current.backupPath, m_current.path)) {
        m_current = PreparedFile();
        return Refuse("Source and Backup have same file name, can't create backup!");
    }

    // Not through a link planted since the folder was looked at.
    if (!m_current.input.valid()) {
        m_current.input =
            UniqueFd(::openat(m_current.folder->fd(), m_current.name.c_str(), kReadFlags));
    }
    struct stat& opened = m_current.original;
    const bool measured = S_ISREG(opened.st_mode);  // an offered file, as it was read
    if (!m_current.input.valid() || (!measured && ::fstat(m_current.input.get(), &opened) != 0) ||
        !S_ISREG(opened.st_mode)) {
        m_current = PreparedFile();
        return Refuse("Couldn't Open this file");
    }
    if (m_current.folder->HeldElsewhere(opened.st_ino)) {
        m_current = PreparedFile();
        return Refuse("Is being changed by another run!");
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

    const std::string_view name = m_current.name;
    const std::size_t dot = name.rfind('.');
    m_current.extension = dot == std::string_view::npos ? "" : std::string(name.substr(dot + 1));
    m_shortDisplayName = ShortDisplayName(givenPath);
    return true;
}

bool BackupKeeper::BeginRewrite(UniqueFd written) {
    if (m_preview) {
        // Where the run could not create its temporary file, the preview says what it would.
        if (::faccessat(m_current.folder->fd(), ".", W_OK, AT_EACCESS) == 0) return true;
        return Abandon("Couldn't Create Backup file!");
    }
    // The journal names the file, and so its folder, before anything is made there: a run
    // cut off now leaves nothing its recovery does not know of.
    if (m_recorder &&
        !m_recorder->BeforeRewrite(m_current.path, m_current.backupPath, m_current.original,
                                   m_current.folder->identity())) {
        LogRecorderFailure();
    }
    // The unnamed file is the only copy of the new content: where it can't be named (no
    // /proc, or the folder is on another file system now), its bytes go to a new file.
    const bool withContent = written.valid();
    if (withContent) m_current.output = NameWrittenFile(written);
    const bool named = m_current.output.valid();
    if (!named) {
        m_current.output =
            CreateExclusive(m_current.folder->fd(), m_temporaryPrefix, m_current.tempName);
    }
    if (!m_current.output.valid()) {
        m_current.tempName.clear();
        return Abandon("Couldn't Create Backup file!");
    }
    if (withContent && !named && !CopyAll(written.get(), m_current.output.get())) {
        return Abandon("Failed to write!");
    }
    m_current.outputWritten = withContent;
    return true;
}

UniqueFd BackupKeeper::NameWrittenFile(UniqueFd& written) {
    // Linked by its descriptor: only an unnamed file opened without O_EXCL can be, and a
    // folder on another file system (one swapped in meanwhile) refuses it.
    const std::string handle = "/proc/self/fd/" + std::to_string(written.get());
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string name = UnpredictableName(m_temporaryPrefix);
        if (::linkat(AT_FDCWD, handle.c_str(), m_current.folder->fd(), name.c_str(),
                     AT_SYMLINK_FOLLOW) == 0) {
            m_current.tempName = std::move(name);
            return std::move(written);
        }
        if (errno != EEXIST) break;
    }
    return UniqueFd();
}

bool BackupKeeper::OpenForRewrite(const std::string& directory, const std::string& fileName) {
    return OpenForReading(directory, fileName) && BeginRewrite();
}

bool BackupKeeper::UnchangedSinceRead() const {
    const struct stat& read = m_current.original;
    struct stat named {};
    struct stat opened {};
    return ::fstatat(m_current.folder->fd(), m_current.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) ==
               0 &&
           named.st_dev == read.st_dev && named.st_ino == read.st_ino &&
           ::fstat(m_current.input.get(), &opened) == 0 && opened.st_size == read.st_size &&
           SameTime(opened.st_mtim, read.st_mtim);
}

bool BackupKeeper::CopyOriginal(const std::string& tempName) {
    const int folder = m_current.folder->fd();
    std::string name;
    UniqueFd copy = CreateExclusive(folder, m_temporaryPrefix, name);
    if (!copy.valid()) return false;
    const auto length = static_cast<std::size_t>(m_current.original.st_size);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[length]);
    std::size_t got = 0;
    while (buffer && got < length) {
        const ssize_t n = ::pread(m_current.input.get(), buffer.get() + got, length - got,
                                  static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    // The copy is the only original once the new file is swapped in: it reaches the disk
    // first.
    bool copied =
        buffer && got == length && WriteAll(copy.get(), std::string_view(buffer.get(), length));
    if (copied) CopyFileMetadata(m_current.input.get(), copy.get());  // a loss is not fatal here
    copied = copied && ::fsync(copy.get()) == 0 && copy.Close() &&
             ::renameat(folder, name.c_str(), folder, tempName.c_str()) == 0;
    if (!copied) ::unlinkat(folder, name.c_str(), 0);
    return copied;
}

bool BackupKeeper::LinkOrCopyOriginal(const std::string& tempName) {
    const int folder = m_current.folder->fd();
    // The link is made to the very file that was read, not to whatever the name holds.
    const std::string opened = "/proc/self/fd/" + std::to_string(m_current.input.get());
    if (::linkat(AT_FDCWD, opened.c_str(), folder, tempName.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    if (errno == ENOENT &&
        ::linkat(folder, m_current.name.c_str(), folder, tempName.c_str(), 0) == 0) {
        return true;  // no /proc: the name was checked to be the file read, in the held folder
    }
    if (errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK || errno == EXDEV) {
        return CopyOriginal(tempName);  // a file system or a rule without hard links
    }
    return false;
}

bool BackupKeeper::MakeBackup() {
    const int folder = m_current.folder->fd();
    const char* backupName = m_current.backupName.c_str();
    struct stat old {};
    if (::fstatat(folder, backupName, &old, AT_SYMLINK_NOFOLLOW) == 0) {
        if (old.st_dev == m_current.original.st_dev && old.st_ino == m_current.original.st_ino) {
            return true;  // already a name of the original
        }
        // The backup of a file another run is changing is that run's way back.
        if (m_current.folder->HeldElsewhere(old.st_ino)) return false;
    }
    // An old backup is replaced in one step: the new one is made under a temporary name
    // and renamed over it.
    std::string tempName = UnpredictableName(m_temporaryPrefix);
    if (!LinkOrCopyOriginal(tempName)) return false;
    if (::renameat(folder, tempName.c_str(), folder, backupName) != 0) {
        ::unlinkat(folder, tempName.c_str(), 0);
        return false;
    }
    return true;
}

bool BackupKeeper::ListRewrittenFile() {
    if (m_current.folder->HeldElsewhere(m_current.original.st_ino)) {
        return Abandon("Is being changed by another run!");
    }
    if (!UnchangedSinceRead()) {
        return Abandon("Changed by another program meanwhile, not replaced!");
    }
    ListChanged(*m_current.folder);
    return true;
}

void BackupKeeper::ListChanged(HeldFolder& folder) {
    if (m_current.original.st_nlink > 1) {
        Report("Other hard links of " + LoggedPath(m_current.path) + " keep the original content!");
    }
    m_changedByKey.emplace(KeyOf(folder, m_current.name), m_current.path);
    m_backupOwnerByKey.emplace(KeyOf(folder, m_current.backupName), m_current.path);
    m_changedFiles.push_back(m_current.path);
    m_current.input.Reset();
}

bool BackupKeeper::KeepRewrittenFile(const std::optional<ContentHashes>& hashes) {
    m_currentHashes = hashes;
    if (m_preview) return ListRewrittenFile();
    const int out = m_current.output.get();
    if (!CopyFileMetadata(m_current.input.get(), out)) {
        Report("Couldn't keep the owner, group or permissions of " + LoggedPath(m_current.path) +
               "!");
    }
    struct stat rewritten {};
    if (::fstat(out, &rewritten) != 0 || !m_current.output.Close()) {
        return Abandon("Failed to write!");
    }

    RecordReplacement();
    HeldFolder& folder = *m_current.folder;
    std::optional<HeldFolder::Exclusive> alone = folder.Enter();
    if (!alone || folder.HeldElsewhere(m_current.original.st_ino)) {
        return Abandon("Is being changed by another run!");
    }
    if (!UnchangedSinceRead()) {
        return Abandon("Changed by another program meanwhile, not replaced!");
    }
    if (!MakeBackup()) return Abandon("Couldn't Create Backup file!");
    // One rename: readers see the old file or the new one, never a part.
    if (::renameat(folder.fd(), m_current.tempName.c_str(), folder.fd(), m_current.name.c_str()) !=
        0) {
        return Abandon("Failed to write!");
    }
    m_current.tempName.clear();
    if (m_recorder) m_recorder->Replaced(m_current.path);
    folder.Hold(m_current.original.st_ino);
    folder.Hold(rewritten.st_ino);
    alone.reset();

    m_changed.push_back(ChangedFile{&folder, m_current.name, m_current.backupName,
                                    m_current.backupPath, m_current.original.st_ino,
                                    rewritten.st_ino, rewritten.st_size, rewritten.st_mtim});
    ListChanged(folder);
    return true;
}

void BackupKeeper::RecordReplacement() {
    if (!m_recorder || !m_currentHashes) return;
    if (!m_recorder->BeforeReplace(m_current.path, m_current.backupPath, m_current.original,
                                   m_current.folder->identity(), m_currentHashes->before,
                                   m_currentHashes->after)) {
        LogRecorderFailure();
    }
}

void BackupKeeper::LogRecorderFailure() {
    if (m_recorderFailureLogged) return;
    m_recorderFailureLogged = true;
    Report("Couldn't keep the journal of this run (" + m_recorder->error() +
           "), it can't be undone!");
}

void BackupKeeper::RestoreOneFile() {
    m_current.input.Reset();
    m_current.output.Reset();
    if (!m_current.tempName.empty() && m_current.folder) {
        ::unlinkat(m_current.folder->fd(), m_current.tempName.c_str(), 0);
    }
    m_current.tempName.clear();
}

bool BackupKeeper::RestoreChangedFile(const ChangedFile& file) {
    const int folder = file.folder->fd();
    const std::optional<HeldFolder::Exclusive> alone = file.folder->Enter();
    if (!alone) return false;
    // Only what this run wrote is taken back, and only by what it kept.
    struct stat now {};
    struct stat backup {};
    return ::fstatat(folder, file.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
           now.st_ino == file.rewrittenInode && now.st_size == file.rewrittenSize &&
           SameTime(now.st_mtim, file.rewrittenTime) &&
           ::fstatat(folder, file.backupName.c_str(), &backup, AT_SYMLINK_NOFOLLOW) == 0 &&
           backup.st_ino == file.originalInode &&
           ::renameat(folder, file.backupName.c_str(), folder, file.name.c_str()) == 0;
}

bool BackupKeeper::RestoreChangedFiles() {
    m_restoreFailures = 0;
    for (std::size_t i = 0; i < m_changed.size(); ++i) {
        if (!RestoreChangedFile(m_changed[i])) {
            Report("Can't Restore file: " + LoggedPath(m_changedFiles[i]));
            ++m_restoreFailures;
        } else if (m_recorder) {
            m_recorder->BackupFate(m_changedFiles[i], "restored");
        }
    }
    return m_restoreFailures == 0;
}

bool BackupKeeper::FlushChangedFiles() {
    // The rewritten files reach the disk before their backups go, so that a crash cannot
    // lose both versions. One syncfs per file system covers every file on it.
    std::set<dev_t> flushed;
    bool complete = true;
    for (const ChangedFile& file : m_changed) {
        if (!flushed.insert(file.folder->identity().device).second) continue;
        if (::syncfs(file.folder->fd()) != 0) complete = false;
    }
    return complete;
}

void BackupKeeper::RemoveBackups(bool deletePermanently, RecycleBin& bin) {
    if (m_changed.empty()) return;
    if (!FlushChangedFiles()) {
        Report("Couldn't flush the changed files to disk, the backups are kept!");
        return;
    }
    // From here on a recovery finishes the removal instead of taking back what the run did.
    if (m_recorder && !m_recorder->ChangesSettled(deletePermanently ? "delete" : "trash")) {
        Report("Couldn't keep the journal of this run (" + m_recorder->error() +
               "), the backups are kept!");
        return;
    }
    std::vector<std::size_t> batch;
    std::size_t batchBytes = 0;
    for (std::size_t i = 0; i < m_changed.size(); ++i) {
        const ChangedFile& file = m_changed[i];
        if (deletePermanently) {
            struct stat backup {};
            const int folder = file.folder->fd();
            if (::fstatat(folder, file.backupName.c_str(), &backup, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;  // gone already
            }
            if (backup.st_ino != file.originalInode ||
                ::unlinkat(folder, file.backupName.c_str(), 0) != 0) {
                Report("Can't Remove file: " + LoggedPath(file.backupPath));
            } else if (m_recorder) {
                m_recorder->BackupFate(m_changedFiles[i], "deleted");
            }
            continue;
        }
        batchBytes += file.backupPath.size() + 1;
        batch.push_back(i);
        const bool last = i + 1 == m_changed.size();
        if ((batchBytes > kRecycleBatchBytes || last) && !MoveBatchToRecycleBin(batch, bin)) return;
        if (batch.empty()) batchBytes = 0;
    }
}

bool BackupKeeper::MoveBatchToRecycleBin(std::vector<std::size_t>& batch, RecycleBin& bin) {
    std::vector<std::string> paths;
    paths.reserve(batch.size());
    for (const std::size_t i : batch) paths.push_back(m_changed[i].backupPath);
    std::vector<std::string> places;
    const bool moved = bin.MoveToRecycleBin(paths, places);
    for (std::size_t k = 0; m_recorder && k < batch.size() && k < places.size(); ++k) {
        if (!places[k].empty())
            m_recorder->BackupFate(m_changedFiles[batch[k]], "trash:" + places[k]);
    }
    if (!moved) {
        m_prompter.ShowMessage(
            "Error occurred deleting files to recycle bin!\r\nDelete Operation Terminated!",
            MessageIcon::Stop);
        m_control.RequestAbort();
        return false;
    }
    batch.clear();
    return true;
}

void BackupKeeper::EndRun() {
    m_recorderFailureLogged = false;
    RestoreOneFile();
    m_current = PreparedFile();
    m_changed.clear();
    m_changedByKey.clear();
    m_backupOwnerByKey.clear();
    m_folderByPath.clear();
    m_folders.clear();
    m_lastFolder.reset();
}

}  // namespace kesto
