#include "files/FolderPath.h"

#include <fcntl.h>
#include <limits.h>

#include <cerrno>

namespace kesto {

UniqueFd OpenFolderPath(const std::string& path, bool noFollow) {
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    const int last = kFlags | (noFollow ? O_NOFOLLOW : 0);
    UniqueFd whole(::open(path.empty() ? "." : path.c_str(), last));
    if (whole.valid() || errno != ENAMETOOLONG) return whole;
    UniqueFd at;
    std::size_t from = 0;
    while (from < path.size()) {
        // The longest piece that fits and ends at a separator.
        std::size_t end = path.size();
        if (end - from >= PATH_MAX) {
            end = path.rfind('/', from + PATH_MAX - 1);
            if (end == std::string::npos || end <= from) {
                errno = ENAMETOOLONG;  // a single name longer than any allowed
                return UniqueFd();
            }
        }
        const bool lastPiece = end == path.size();
        // The first piece of an absolute path keeps its root.
        const std::string piece = path.substr(from, end - from);
        UniqueFd next(::openat(at.valid() ? at.get() : AT_FDCWD,
                               piece.empty() ? "/" : piece.c_str(), lastPiece ? last : kFlags));
        if (!next.valid()) return UniqueFd();
        at = std::move(next);
        from = end + 1;
    }
    return at;
}

}  // namespace kesto
