// StateFolder: the folder where the run journals are kept, opened only once it is known to
// be the user's own.
//
// A journal decides what undo and recovery rename, so whoever can write one can move the
// user's files. The folder is therefore trusted only when nobody else can have put anything
// in it: it is owned by the user and writable by nobody else, and its last component is no
// link; every folder above it is owned by the user or root and writable by nobody else
// (the user's own group aside) unless its sticky bit is set (as /tmp's is); a link on the
// way is followed only from such a folder, and where it leads is checked in turn. A journal
// in it must be a regular file of the user that nobody else may read or write. Everything after the
// checks is done through the folder's descriptor, so the path cannot be made to mean another folder
// later.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

#include "text/UniqueFd.h"

namespace kesto {

class StateFolder {
public:
    // Opens `path` (made absolute against the working folder). With `create`, a missing
    // folder is made, private to the user, with the folders above it that are missing. A
    // folder that is missing and not made, or an empty path, is no error: the result has no
    // descriptor and holds no journal. Nothing, and the reason in `refusal` ("Run journals can't be
    // kept in PATH: ..."), when the folder or one above it may not be trusted.
    [[nodiscard]] static std::optional<StateFolder> Open(const std::string& path, bool create,
                                                         std::string& refusal);

    bool exists() const { return m_fd.valid(); }
    int fd() const { return m_fd.get(); }
    const std::string& path() const { return m_path; }

    // Why a file of the folder, as `status` describes it, is no journal of the user's own;
    // empty when it is one.
    static std::string JournalRefusal(const struct stat& status);

private:
    StateFolder(UniqueFd fd, std::string path) : m_fd(std::move(fd)), m_path(std::move(path)) {}

    UniqueFd m_fd;
    std::string m_path;
};

}  // namespace kesto
