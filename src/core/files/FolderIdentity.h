// FolderIdentity: a folder as the file system knows it (device and inode), and the folders
// a walk listed, by the path the walk spelled them with.
//
// The backup step opens each folder of a run once and compares it with what the walk saw,
// so that a folder swapped for a link (or for another folder) after the walk is never
// entered.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <unordered_map>

namespace kesto {

struct FolderIdentity {
    dev_t device = 0;
    ino_t inode = 0;
};

// Listed folders by FolderKey of their path.
using ListedFolders = std::unordered_map<std::string, FolderIdentity>;

// The path of a folder without separators at its end ("/" stays "/"), so that "a/" and "a"
// name the same entry.
inline std::string FolderKey(std::string_view folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
    return std::string(folder);
}

}  // namespace kesto
