#include "files/FileMetadata.h"

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {
namespace {

bool CopyOwnerAndMode(int from, int to) {
    struct stat original {};
    struct stat now {};
    if (::fstat(from, &original) != 0 || ::fstat(to, &now) != 0) return false;
    bool kept = true;
    // Owner first: changing the owner clears set-user-ID and set-group-ID bits.
    if (now.st_uid != original.st_uid || now.st_gid != original.st_gid) {
        kept = ::fchown(to, original.st_uid, original.st_gid) == 0;
        if (!kept) ::fchown(to, static_cast<uid_t>(-1), original.st_gid);
    }
    return ::fchmod(to, original.st_mode & 07777) == 0 && kept;
}

// The access ACL is an extended attribute too; user attributes are the user's own data.
// Other namespaces (security labels, trusted attributes) belong to the system and are left
// to it.
bool IsCarried(std::string_view name) {
    return name.starts_with("user.") || name == "system.posix_acl_access";
}

// A list or value read in full, grown when the file changed between the size query and
// the read.
template <typename Read>
bool ReadSized(Read read, std::vector<char>& out) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = read(nullptr, 0);
        if (size < 0) return false;
        out.resize(static_cast<std::size_t>(size));
        const ssize_t got = read(out.data(), out.size());
        if (got >= 0) {
            out.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) return false;
    }
    return false;
}

bool CopyExtendedAttributes(int from, int to) {
    std::vector<char> names;
    if (!ReadSized(
            [from](char* buffer, std::size_t size) { return ::flistxattr(from, buffer, size); },
            names)) {
        // A file system without extended attributes has none to lose.
        return errno == ENOTSUP;
    }
    bool kept = true;
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size();) {
        const std::string name(names.data() + at);
        at += name.size() + 1;
        if (!IsCarried(name)) continue;
        const bool read = ReadSized(
            [from, &name](char* buffer, std::size_t size) {
                return ::fgetxattr(from, name.c_str(), buffer, size);
            },
            value);
        if (!read || ::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) {
            kept = false;
        }
    }
    return kept;
}

}  // namespace

bool CopyFileMetadata(int from, int to) {
    const bool ownerAndMode = CopyOwnerAndMode(from, to);
    // After the mode: setting the ACL brings the group bits in line with its mask.
    const bool attributes = CopyExtendedAttributes(from, to);
    return ownerAndMode && attributes;
}

}  // namespace kesto
