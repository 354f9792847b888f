// FileFingerprint: what a set of files and folders looked like at one moment (identity,
// size, times), to tell later whether any of them changed, came or went since. A link is
// noted together with what it leads to.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

namespace kesto {

class FileFingerprint {
public:
    void Clear() { m_marks.clear(); }
    // Notes `path` as it is now; a missing path is noted as missing.
    void Add(const std::string& path);
    bool empty() const { return m_marks.empty(); }
    // Whether every path noted is still as it was noted.
    bool StillHolds() const;

private:
    struct Mark {
        std::string path;
        bool exists = false;
        bool follow = false;  // the target of a link
        struct stat status {};
    };
    static bool Same(const Mark& mark, const struct stat& now);

    std::vector<Mark> m_marks;
};

}  // namespace kesto
