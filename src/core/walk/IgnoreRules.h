// IgnoreRules: which entries of a walk the ignore files of its folders leave out, by git's
// rules for .gitignore.
//
// The walk lists folders breadth first from its start folder (the root). LoadRoot reads
// the rules that hold in the root: its own ignore files and, when the root lies inside a
// git work tree, the work tree's info/exclude and the ignore files of the folders from
// the work tree's top down to the root. The walk calls EnterFolder for each folder before
// it asks about the folder's entries, and IsIgnored for each entry.
//
// A folder has two ignore files: `.gitignore`, and `.ignore`, whose lines override those of
// the `.gitignore` beside it. A deeper folder's files override a shallower folder's, and
// the work tree's info/exclude is the lowest of all; within one file the last line that
// matches decides. A folder that holds `.git` is the top of a work tree of its own: the
// files of the folders above it no longer count, its info/exclude does.
//
// The walk never enters an ignored folder, so the answer for a path is what the lines that
// match that path say; whether a folder above it is ignored is the walk's to know. Files
// are read with plain POSIX calls: one that is missing, unreadable, not a regular file or
// larger than 1 MiB holds no rules (and an ignore file inside the walk is never read
// through a symbolic link, as git does).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kesto {

class IgnoreRules {
public:
    // `root` is the walk's start folder; nothing is read before LoadRoot.
    explicit IgnoreRules(std::string root);
    ~IgnoreRules();
    IgnoreRules(IgnoreRules&&) noexcept;
    IgnoreRules& operator=(IgnoreRules&&) noexcept;

    // Starts over with the rules that hold in the root (every folder entered before is
    // forgotten).
    void LoadRoot();

    // Reads the ignore files of `relativeFolder` (relative to the root, '/'-separated, no
    // leading "./" and no trailing '/'), after the folder above it was entered, as a breadth
    // first walk does. A folder entered twice is read once; a folder never entered has no
    // ignore files of its own.
    void EnterFolder(std::string_view relativeFolder);

    // Whether git would ignore `relativePath` (written as for EnterFolder), a folder when
    // `isDirectory`. Safe to call from several threads while no folder is being entered;
    // allocates nothing.
    bool IsIgnored(std::string_view relativePath, bool isDirectory) const;

private:
    // The compiled lines of one ignore file.
    struct PatternList;

    // A folder whose ignore files were read.
    struct Folder {
        // The folder whose rules come next, less strong; none at the top of a work tree.
        std::size_t above = kNone;
        // This folder, or the nearest one above it that has rules; none when no folder has.
        std::size_t nearestWithRules = kNone;
        // Its lists in m_lists, weakest first.
        std::size_t firstList = 0;
        std::size_t listCount = 0;
        // The length of its path relative to the root.
        std::size_t pathLength = 0;
        // For a folder above the root: the root's path relative to it, ending in '/'.
        std::string pathToRoot;
    };

    struct FolderHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view path) const {
            return std::hash<std::string_view>{}(path);
        }
    };

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    std::size_t AddFolder(Folder folder, const std::string& diskPath, bool isWorkTreeTop);
    void LoadEnclosingWorkTree(std::size_t& above);
    void AddList(const std::string& path, bool followLinks);
    std::size_t FolderOf(std::string_view relativeFolder) const;
    std::size_t NextWithRules(std::size_t folder) const;

    std::string m_root;
    std::vector<Folder> m_folders;
    std::vector<PatternList> m_lists;
    // The folders at or below the root, by their path relative to it.
    std::unordered_map<std::string, std::size_t, FolderHash, std::equal_to<>> m_folderIndex;
};

}  // namespace kesto
