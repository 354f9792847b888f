// ProcessedFiles: remembers the files a run has taken, so that a second entry for the same
// file (listed twice, or reached through a link) is passed over: a second pass would make a
// backup of already changed content.
//
// A file is known by its folder, as the file system names it (device and inode, asked once
// per folder), and its name there; only a link is resolved to its target's path first. The
// file's own inode would not do: a rewritten file is a new one under the same name.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace kesto {

class ProcessedFiles {
public:
    // True the first time the file `path` names is asked about, and for a path that cannot
    // be looked at (the pass then refuses it with its own reason).
    bool FirstTime(const std::string& path);

private:
    const std::string* FolderIdentity(const std::string& folder);

    std::unordered_map<std::string, std::string> m_folders;
    std::unordered_set<std::string> m_seen;
};

}  // namespace kesto
