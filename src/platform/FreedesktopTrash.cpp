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

// The trash folder for a file on `device`, created as needed; empty when there is none.
std::string TrashFor(const std::string& path, dev_t device) {
    const std::string home = HomeTrash();
    fs::path existing = home;
    while (!existing.empty() && !fs::exists(existing)) existing = existing.parent_path();
    struct stat homeStat {};
    if (!existing.empty() && ::stat(existing.c_str(), &homeStat) == 0 &&
        homeStat.st_dev == device) {
        std::error_code ignored;
        fs::create_directories(fs::path(home).parent_path(), ignored);
        return MakeDirectory(home, 0700) ? home : std::string();
    }
    const std::string top = TopDirectory(path, device);
    const std::string uid = std::to_string(::getuid());
    const auto shared = LinkStatus(top + "/.Trash");
    if (shared && S_ISDIR(shared->st_mode) && (shared->st_mode & S_ISVTX)) {
        const std::string mine = top + "/.Trash/" + uid;
        if (MakeDirectory(mine, 0700)) return mine;
    }
    const std::string own = top + "/.Trash-" + uid;
    const auto ownStatus = LinkStatus(own);
    if (ownStatus && !S_ISDIR(ownStatus->st_mode)) return {};
    return MakeDirectory(own, 0700) ? own : std::string();
}

std::string DeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string FreedesktopTrash::EncodeTrashPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
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

bool FreedesktopTrash::MoveToRecycleBin(const std::vector<std::string>& paths) {
    bool all = true;
    for (const std::string& path : paths) all = MoveToTrash(path) && all;
    return all;
}

bool FreedesktopTrash::MoveToTrash(const std::string& path) {
    const auto status = LinkStatus(path);
    if (!status) return false;
    std::error_code error;
    const std::string absolute = fs::absolute(path, error).string();
    if (error) return false;
    const std::string trash = TrashFor(absolute, status->st_dev);
    if (trash.empty()) return false;
    const std::string files = trash + "/files";
    const std::string info = trash + "/info";
    if (!MakeDirectory(files, 0700) || !MakeDirectory(info, 0700)) return false;

    const std::string name = fs::path(absolute).filename().string();
    const std::string content = "[Trash Info]\nPath=" + EncodeTrashPath(absolute) +
                                "\nDeletionDate=" + DeletionDate() + "\n";
    for (int attempt = 1; attempt < 10000; ++attempt) {
        const std::string entry = attempt == 1 ? name : name + "." + std::to_string(attempt);
        const std::string infoPath = info + "/" + entry + ".trashinfo";
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        const bool written = WriteAll(fd, content);
        const bool closed = ::close(fd) == 0;
        const std::string target = files + "/" + entry;
        if (!written || !closed || LinkStatus(target)) {
            ::unlink(infoPath.c_str());
            if (written && closed) continue;  // a stale file of that name: try another
            return false;
        }
        if (::rename(absolute.c_str(), target.c_str()) != 0) {
            ::unlink(infoPath.c_str());
            return false;
        }
        return true;
    }
    return false;
}

}  // namespace kesto
