#include "platform/FreedesktopTrash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>

#include "text/UniqueFd.h"
#include "text/WriteAll.h"

namespace kesto {
namespace {

namespace fs = std::filesystem;

std::optional<struct stat> LinkStatus(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return st;
}

bool MakeDirectory(const std::string& path, mode_t mode) {
    if (::mkdir(path.c_str(), mode) == 0) return true;
    return errno == EEXIST && fs::is_directory(path);
}

// The folder `name` in `at`, never reached through a link.
UniqueFd OpenFolder(int at, const std::string& name) {
    return UniqueFd(::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

std::optional<struct stat> StatusOf(const UniqueFd& fd) {
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) return std::nullopt;
    return st;
}

bool OwnedByUser(const UniqueFd& fd) {
    const auto status = StatusOf(fd);
    return status && status->st_uid == ::geteuid();
}

// A trash folder's two subfolders, opened: files go into `files`, their records into `info`.
struct TrashFolders {
    UniqueFd files;
    UniqueFd info;
    std::string filesPath;
};

// Opens (creating them as needed) the subfolders of `trash`. A link there is never
// followed; on a shared volume each must also be the user's own, or another user could
// read and replace what this user throws away. Both are looked at before either is made,
// so a trash that is refused is left as it was found.
std::optional<TrashFolders> OpenSubfolders(const UniqueFd& trash, bool mustBeOwn,
                                           const std::string& trashPath, bool create) {
    static constexpr const char* kNames[] = {"files", "info"};
    for (const char* name : kNames) {
        struct stat st {};
        if (::fstatat(trash.get(), name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISDIR(st.st_mode) || (mustBeOwn && st.st_uid != ::geteuid())) return std::nullopt;
    }
    TrashFolders folders;
    folders.filesPath = trashPath + "/files";
    UniqueFd* opened[] = {&folders.files, &folders.info};
    for (int i = 0; i < 2; ++i) {
        if (create && ::mkdirat(trash.get(), kNames[i], 0700) != 0 && errno != EEXIST) {
            return std::nullopt;
        }
        *opened[i] = OpenFolder(trash.get(), kNames[i]);
        if (!opened[i]->valid() || (mustBeOwn && !OwnedByUser(*opened[i]))) return std::nullopt;
    }
    return folders;
}

std::string HomeTrash() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome) return std::string(dataHome) + "/Trash";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "") + "/.local/share/Trash";
}

// The mount point above `path`: the highest ancestor on the same device.
std::string TopDirectory(const std::string& path, dev_t device) {
    fs::path top = fs::path(path).parent_path();
    while (top.has_parent_path() && top != top.root_path()) {
        struct stat st {};
        if (::stat(top.parent_path().c_str(), &st) != 0 || st.st_dev != device) break;
        top = top.parent_path();
    }
    return top.string();
}

// The trash of the volume `device` above `path`. Anyone may write on a shared volume, so a
// folder found there is used only when it is this user's own: $topdir/.Trash/$uid inside a
// sticky .Trash, or $topdir/.Trash-$uid with mode 0700. One that stands there as a link or
// belongs to someone else makes the call fail; it is never taken over or fallen back from.
std::optional<TrashFolders> VolumeTrash(const std::string& path, dev_t device, bool create) {
    const std::string top = TopDirectory(path, device);
    const UniqueFd topFolder(::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!topFolder.valid()) return std::nullopt;
    const std::string uid = std::to_string(::getuid());
    const std::string base = top == "/" ? "" : top;

    const UniqueFd shared = OpenFolder(topFolder.get(), ".Trash");
    const auto sharedStatus = StatusOf(shared);
    if (sharedStatus && (sharedStatus->st_mode & S_ISVTX)) {
        if (!create || ::mkdirat(shared.get(), uid.c_str(), 0700) == 0 || errno == EEXIST) {
            const UniqueFd mine = OpenFolder(shared.get(), uid);
            if (mine.valid() && OwnedByUser(mine)) {
                return OpenSubfolders(mine, true, base + "/.Trash/" + uid, create);
            }
            if (create || mine.valid()) return std::nullopt;
        }
        // No folder of ours can be made in the shared trash: the user's own trash it is.
    }

    const std::string ownName = ".Trash-" + uid;
    const bool made = create && ::mkdirat(topFolder.get(), ownName.c_str(), 0700) == 0;
    if (create && !made && errno != EEXIST) return std::nullopt;
    const UniqueFd own = OpenFolder(topFolder.get(), ownName);
    if (!own.valid() || !OwnedByUser(own)) return std::nullopt;
    // The umask may have taken bits from a folder just made; one found must already be 0700.
    if (made && ::fchmod(own.get(), 0700) != 0) return std::nullopt;
    const auto ownStatus = StatusOf(own);
    if (!ownStatus || (ownStatus->st_mode & 07777) != 0700) return std::nullopt;
    return OpenSubfolders(own, true, base + "/" + ownName, create);
}

// The trash folder for a file on `device`, created as needed when `create`; nothing when
// there is none that may be used. The home trash too must be the user's own, with its files/
// and info/: a user's environment kept by root (sudo -E, su without -) would otherwise send
// root's backups where that user can read and delete them.
std::optional<TrashFolders> TrashFor(const std::string& path, dev_t device, bool create) {
    const std::string home = HomeTrash();
    fs::path existing = home;
    while (!existing.empty() && !fs::exists(existing)) existing = existing.parent_path();
    struct stat homeStat {};
    if (!existing.empty() && ::stat(existing.c_str(), &homeStat) == 0 &&
        homeStat.st_dev == device) {
        if (create) {
            std::error_code ignored;
            fs::create_directories(fs::path(home).parent_path(), ignored);
            if (!MakeDirectory(home, 0700)) return std::nullopt;
        }
        const UniqueFd trash(::open(home.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!trash.valid() || !OwnedByUser(trash)) return std::nullopt;
        return OpenSubfolders(trash, true, home, create);
    }
    return VolumeTrash(path, device, create);
}

// The name of `place` in the files/ folder of `trash`; nothing when it is not an entry there.
std::optional<std::string> EntryOf(const std::string& place, const TrashFolders& trash) {
    const std::string prefix = trash.filesPath + "/";
    if (!place.starts_with(prefix)) return std::nullopt;
    const std::string name = place.substr(prefix.size());
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
        return std::nullopt;
    }
    return name;
}

// The user's own trash for files of the folder `folder` open at `folderFd`, and the name of
// `place` in it.
std::optional<std::pair<TrashFolders, std::string>> PlaceFor(const std::string& place,
                                                             const std::string& folder,
                                                             int folderFd) {
    struct stat st {};
    if (::fstat(folderFd, &st) != 0) return std::nullopt;
    std::optional<TrashFolders> trash = TrashFor(folder + "/-", st.st_dev, false);
    if (!trash) return std::nullopt;
    std::optional<std::string> name = EntryOf(place, *trash);
    if (!name) return std::nullopt;
    return std::make_pair(std::move(*trash), std::move(*name));
}

std::string DeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

}  // namespace

std::string FreedesktopTrash::EncodeTrashPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char byte : path) {
        const auto c = static_cast<unsigned char>(byte);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~' || c == '/';
        if (unreserved) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

bool FreedesktopTrash::MoveToRecycleBin(const std::vector<std::string>& paths,
                                        std::vector<std::string>& places) {
    bool all = true;
    places.assign(paths.size(), "");
    for (std::size_t i = 0; i < paths.size(); ++i) all = MoveToTrash(paths[i], &places[i]) && all;
    return all;
}

UniqueFd FreedesktopTrash::OpenPlace(const std::string& place, const std::string& folder,
                                     int folderFd) {
    const auto found = PlaceFor(place, folder, folderFd);
    if (!found) return UniqueFd();
    return UniqueFd(::openat(found->first.files.get(), found->second.c_str(),
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
}

bool FreedesktopTrash::TakeBack(const std::string& place, const std::string& folder, int folderFd,
                                const std::string& name) {
    const auto found = PlaceFor(place, folder, folderFd);
    if (!found) return false;
    const auto& [trash, entry] = *found;
    if (::renameat2(trash.files.get(), entry.c_str(), folderFd, name.c_str(), RENAME_NOREPLACE) !=
        0) {
        return false;
    }
    ::unlinkat(trash.info.get(), (entry + ".trashinfo").c_str(), 0);
    return true;
}

bool FreedesktopTrash::MoveToTrash(const std::string& path, std::string* place) {
    const auto status = LinkStatus(path);
    if (!status) return false;
    std::error_code error;
    const std::string absolute = fs::absolute(path, error).string();
    if (error) return false;
    return MoveIntoTrash(AT_FDCWD, absolute, absolute, status->st_dev, place);
}

bool FreedesktopTrash::MoveToRecycleBinAt(const std::string& folder, int folderFd,
                                          const std::string& name, std::string& place) {
    struct stat st {};
    if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    return MoveIntoTrash(folderFd, name, folder + "/" + name, st.st_dev, &place);
}

bool FreedesktopTrash::MoveIntoTrash(int fromFolder, const std::string& fromName,
                                     const std::string& absolute, dev_t device,
                                     std::string* place) {
    const auto trash = TrashFor(absolute, device, true);
    if (!trash) return false;

    const std::string name = fs::path(absolute).filename().string();
    const std::string content = "[Trash Info]\nPath=" + EncodeTrashPath(absolute) +
                                "\nDeletionDate=" + DeletionDate() + "\n";
    for (int attempt = 1; attempt < 10000; ++attempt) {
        const std::string entry = attempt == 1 ? name : name + "." + std::to_string(attempt);
        const std::string infoName = entry + ".trashinfo";
        UniqueFd record(::openat(trash->info.get(), infoName.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!record.valid()) {
            if (errno == EEXIST) continue;
            return false;
        }
        const bool written = WriteAll(record.get(), content);
        const bool closed = record.Close();
        struct stat taken {};
        const bool nameTaken =
            ::fstatat(trash->files.get(), entry.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0;
        if (!written || !closed || nameTaken) {
            ::unlinkat(trash->info.get(), infoName.c_str(), 0);
            if (written && closed) continue;  // a stale file of that name: try another
            return false;
        }
        if (::renameat(fromFolder, fromName.c_str(), trash->files.get(), entry.c_str()) != 0) {
            ::unlinkat(trash->info.get(), infoName.c_str(), 0);
            return false;
        }
        if (place) *place = trash->filesPath + "/" + entry;
        return true;
    }
    return false;
}

}  // namespace kesto
