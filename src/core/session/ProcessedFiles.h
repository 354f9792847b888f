// ProcessedFiles: remembers the files a run has taken, so that a second entry for the same
// file (listed twice, or reached through a link) is passed over: a second pass would make a
// backup of already changed content.
//
// A file is known by its folder, as the file system names it (device and inode, asked once
// per folder), and its name there; only a link is resolved to its target's path first. The
// file's own inode would not do: a rewritten file is a new one under the same name.
//
// The regular files a walk found cannot meet each other, only the entries that may share a
// file (links, files of a folder met twice) or entries from outside the walk. Those are
// resolved once, before the first of the walk's files is asked about, and a regular file
// is looked at and remembered only when one of them names it: a walk of a million files
// without links costs no call and no memory per file. The first entry for a file still
// wins, in whatever order the link and its target come.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "walk/WalkListing.h"

namespace kesto {

class ProcessedFiles {
public:
    // True the first time the file `path` names is asked about, and for a path that cannot
    // be looked at (the pass then refuses it with its own reason).
    bool FirstTime(const std::string& path);
    // The same for entry `index` of `list`, of which `walk` tells the entries the walk made.
    bool FirstTime(const std::vector<std::string>& list, std::size_t index,
                   const WalkListing& walk);

private:
    // The file `path` names, as "device:inode/name" of its folder; none when it cannot be
    // looked at.
    std::optional<std::string> KeyOf(const std::string& path);
    // The key of `path` as it is spelled, its last part taken for no link.
    std::optional<std::string> KeyAsSpelled(const std::string& path);
    void NoteSharedFiles(const std::vector<std::string>& list, const WalkListing& walk);
    const std::string* FolderIdentity(const std::string& folder);

    std::unordered_map<std::string, std::string> m_folders;
    std::unordered_set<std::string> m_seen;
    bool m_sharedNoted = false;
    // The files the entries that may share name, resolved before the walk's files came.
    std::unordered_set<std::string> m_shared;
};

}  // namespace kesto
