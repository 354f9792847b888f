#include "journal/StateFolder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "log/LoggedPath.h"

namespace kesto {
namespace {

// How many links a path may pass through, as the kernel allows.
constexpr int kMaxLinks = 40;

std::deque<std::string> Components(std::string_view path) {
    std::deque<std::string> parts;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        if (!part.empty() && part != ".") parts.emplace_back(part);
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
    }
    return parts;
}

std::string Absolute(const std::string& path) {
    if (path.starts_with('/')) return path;
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    return std::string(cwd ? cwd.get() : "") + "/" + path;
}

std::string OwnerName(uid_t owner) {
    return "user " + std::to_string(owner);
}

// A folder that holds the state folder, or a folder above it: nobody but the user and root
// may have changed what its entries name. Its group may write to it only when that is the
// user's own group (a home of a user-private group, made with umask 002); the sticky bit
// lets each keep only their own entries, as in /tmp.
std::string AncestorRefusal(int fd, const std::string& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return path + ": " + std::strerror(errno);
    if (st.st_uid != ::geteuid() && st.st_uid != 0) {
        return path + " above it belongs to " + OwnerName(st.st_uid);
    }
    const bool others =
        (st.st_mode & S_IWOTH) != 0 || ((st.st_mode & S_IWGRP) != 0 && st.st_gid != ::getegid());
    if (others && (st.st_mode & S_ISVTX) == 0) return "others may write to " + path + " above it";
    return {};
}

// The state folder itself is written by the user alone.
std::string FolderRefusal(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::strerror(errno);
    if (st.st_uid != ::geteuid()) return "it belongs to " + OwnerName(st.st_uid);
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return "others may write to it";
    return {};
}

UniqueFd OpenBelow(int folder, const std::string& name) {
    return UniqueFd(
        ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// Makes the folder `name` in `folder`, private to the user whatever the umask, and opens it.
UniqueFd MakeBelow(int folder, const std::string& name) {
    if (::mkdirat(folder, name.c_str(), 0700) != 0 && errno != EEXIST) return UniqueFd();
    UniqueFd made = OpenBelow(folder, name);
    struct stat st {};
    if (made.valid() && ::fstat(made.get(), &st) == 0 && st.st_uid == ::geteuid() &&
        (st.st_mode & 07777) != 0700) {
        ::fchmod(made.get(), 0700);
    }
    return made;
}

}  // namespace

std::optional<StateFolder> StateFolder::Open(const std::string& path, bool create,
                                             std::string& refusal) {
    // No folder named: no journals are kept.
    if (path.empty()) return StateFolder(UniqueFd(), path);
    const std::string absolute = Absolute(path);
    const auto refuse = [&](const std::string& reason) -> std::optional<StateFolder> {
        refusal = "Run journals can't be kept in " + LoggedPath(absolute) + ": " + reason + "!";
        return std::nullopt;
    };
    // The folders walked so far, from the root: what each ".." goes back to, and what each
    // entry met is checked against.
    struct Walked {
        UniqueFd fd;
        std::string path;
    };
    std::vector<Walked> walked;
    walked.push_back({UniqueFd(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC)), "/"});
    std::deque<std::string> rest = Components(absolute);
    int links = 0;
    while (!rest.empty()) {
        const std::string name = rest.front();
        rest.pop_front();
        if (name == "..") {
            if (walked.size() > 1) walked.pop_back();
            continue;
        }
        const Walked& parent = walked.back();
        if (!parent.fd.valid()) return refuse(parent.path + ": " + std::strerror(errno));
        if (const std::string reason = AncestorRefusal(parent.fd.get(), parent.path);
            !reason.empty()) {
            return refuse(reason);
        }
        const std::string here = (parent.path == "/" ? "" : parent.path) + "/" + name;
        UniqueFd fd = OpenBelow(parent.fd.get(), name);
        if (!fd.valid() && errno == ENOENT) {
            if (!create) return StateFolder(UniqueFd(), absolute);
            fd = MakeBelow(parent.fd.get(), name);
        }
        if (!fd.valid()) {
            const int failure = errno;
            struct stat st {};
            const bool link =
                ::fstatat(parent.fd.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode);
            if (!link) return refuse(here + ": " + std::strerror(failure));
            if (rest.empty()) return refuse("it is a symbolic link");
            // A link in a folder nobody else may write was put there by the user or root:
            // where it leads is walked and checked in turn.
            char target[PATH_MAX];
            const ssize_t length =
                ::readlinkat(parent.fd.get(), name.c_str(), target, sizeof target - 1);
            if (length <= 0 || ++links > kMaxLinks)
                return refuse(here + ": " + std::strerror(ELOOP));
            const std::string_view text(target, static_cast<std::size_t>(length));
            std::deque<std::string> through = Components(text);
            rest.insert(rest.begin(), through.begin(), through.end());
            if (text.starts_with('/')) walked.resize(1);
            continue;
        }
        walked.push_back({std::move(fd), here});
    }
    Walked& folder = walked.back();
    if (!folder.fd.valid()) return refuse(std::strerror(errno));
    if (const std::string reason = FolderRefusal(folder.fd.get()); !reason.empty()) {
        return refuse(reason);
    }
    return StateFolder(std::move(folder.fd), absolute);
}

std::string StateFolder::JournalRefusal(const struct stat& status) {
    if (!S_ISREG(status.st_mode)) return "not a regular file";
    if (status.st_uid != ::geteuid()) return "the file belongs to " + OwnerName(status.st_uid);
    if ((status.st_mode & 077) != 0) return "others may read or write the file";
    return {};
}

}  // namespace kesto
