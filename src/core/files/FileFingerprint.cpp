#include "files/FileFingerprint.h"

namespace kesto {
namespace {

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

void FileFingerprint::Add(const std::string& path) {
    Mark mark;
    mark.path = path;
    mark.exists = ::lstat(path.c_str(), &mark.status) == 0;
    const bool link = mark.exists && S_ISLNK(mark.status.st_mode);
    m_marks.push_back(std::move(mark));
    // A link is noted as itself and as what it leads to, which is what a run reads.
    if (link) {
        Mark target;
        target.path = path;
        target.follow = true;
        target.exists = ::stat(path.c_str(), &target.status) == 0;
        m_marks.push_back(std::move(target));
    }
}

bool FileFingerprint::Same(const Mark& mark, const struct stat& now) {
    const struct stat& then = mark.status;
    // A change of content or of the entries of a folder moves the change time as well; a
    // file put back with an old modification time does not hide from it.
    return then.st_dev == now.st_dev && then.st_ino == now.st_ino && then.st_size == now.st_size &&
           then.st_mode == now.st_mode && SameTime(then.st_mtim, now.st_mtim) &&
           SameTime(then.st_ctim, now.st_ctim);
}

bool FileFingerprint::StillHolds() const {
    for (const Mark& mark : m_marks) {
        struct stat now {};
        const bool exists =
            (mark.follow ? ::stat(mark.path.c_str(), &now) : ::lstat(mark.path.c_str(), &now)) == 0;
        if (exists != mark.exists || (exists && !Same(mark, now))) return false;
    }
    return true;
}

}  // namespace kesto
