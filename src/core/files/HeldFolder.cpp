#include "files/HeldFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <limits>
#include <thread>

#include "files/FolderPath.h"

namespace kesto {
namespace {

// The byte that stands for a file: its inode number, kept inside the positive offsets.
struct flock ByteOf(ino_t inode, short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start =
        static_cast<off_t>(inode & static_cast<ino_t>(std::numeric_limits<off_t>::max()));
    range.l_len = 1;
    return range;
}

}  // namespace

std::optional<HeldFolder> HeldFolder::Open(const std::string& path,
                                           const std::optional<FolderIdentity>& expected,
                                           bool noFollow) {
    UniqueFd fd = OpenFolderPath(path, noFollow);
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) return std::nullopt;
    if (expected && (expected->device != st.st_dev || expected->inode != st.st_ino)) {
        return std::nullopt;
    }
    return HeldFolder(std::move(fd), FolderIdentity{st.st_dev, st.st_ino});
}

bool HeldFolder::Hold(ino_t inode) {
    struct flock range = ByteOf(inode, F_RDLCK);
    ++m_holds;
    return ::fcntl(m_fd.get(), F_OFD_SETLK, &range) == 0;
}

bool HeldFolder::HeldElsewhere(ino_t inode) const {
    // Asking for a write lock reports any read lock of another open of the folder; the
    // locks of this open never conflict with it.
    struct flock range = ByteOf(inode, F_WRLCK);
    if (::fcntl(m_fd.get(), F_OFD_GETLK, &range) != 0) return false;
    return range.l_type != F_UNLCK;
}

HeldFolder::Exclusive::~Exclusive() {
    if (m_fd >= 0) ::flock(m_fd, LOCK_UN);
}

std::optional<HeldFolder::Exclusive> HeldFolder::Enter() const {
    // Another run keeps the folder only for the few calls of one swap; waiting without a
    // limit would let anyone who can open the folder stop the run for ever.
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + seconds(5);
    auto pause = microseconds(50);
    for (;;) {
        if (::flock(m_fd.get(), LOCK_EX | LOCK_NB) == 0) return Exclusive(m_fd.get());
        if (errno != EWOULDBLOCK && errno != EINTR) return std::nullopt;
        if (steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(pause);
        pause = std::min<microseconds>(pause * 2, milliseconds(20));
    }
}

}  // namespace kesto
