// FolderPath: a folder opened by its path, however long the path.
//
// A path longer than the system takes in one call (PATH_MAX, 4096 bytes on Linux) names a
// folder all the same: it is opened a piece at a time, each piece relative to the folder
// the piece before it reached, so that a tree as deep as its file system allows is walked
// and its files rewritten like any other.
#pragma once

#include <string>

#include "text/UniqueFd.h"

namespace kesto {

// Opens the folder `path` ("" is the working folder) for reading; with `noFollow`, its
// last component must not be a link. Invalid, with errno set, when it cannot.
UniqueFd OpenFolderPath(const std::string& path, bool noFollow);

}  // namespace kesto
