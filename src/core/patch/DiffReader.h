// DiffReader: a unified diff, as `diff -u`, `git diff` and kesto-cli --diff write it, read
// into the patch of each file it names.
//
// Names are taken as `patch -p1` takes git's: "a/" and "b/" come off (a name without them
// is taken as it is), a name in double quotes has its C escapes undone, and a name
// followed by a tab ends there. A file the diff would create, delete, rename, give another
// mode or patch as binary, and a name that leaves the folder the diff is applied in, are
// read with the reason they may not be applied. A diff whose hunks cannot be read (a
// header that counts more or fewer lines than follow, a line that belongs to no hunk,
// hunks out of order) is damaged and taken as a whole by nobody.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "patch/FilePatch.h"

namespace kesto {

struct DiffReading {
    // In the order the diff names them, each once; a name the diff gives twice is read
    // each time, refused.
    std::vector<FilePatch> files;
    // What is wrong with a damaged diff, and at which of its lines; empty when it is sound.
    std::string damage;
};

class DiffReader {
public:
    // The patches of `diff`, their names relative to `folder`. They keep the text: their
    // lines are views into it.
    static DiffReading Read(std::string diff, const std::string& folder);
};

}  // namespace kesto
