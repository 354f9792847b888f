// FileWalk: the files of a run chosen by start directory, file filter and the
// subdirectory switch.
//
// The walk lists the start directory and, breadth first, its subdirectories (never one
// whose name begins with a dot, never through a symbolic link), keeps every regular file
// whose name the filter accepts, sorts them by directory and then by name without regard
// to case, and appends their full paths to the run's file list. A directory that cannot
// be listed is passed over. The filter's literal extensions go to the session's search
// list, so that the extension question is not asked for files the user named by them.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/FolderIdentity.h"
#include "run/ProgressReporter.h"
#include "run/RunControl.h"
#include "text/BackupName.h"
#include "walk/IgnoreRules.h"
#include "walk/WalkListing.h"

namespace kesto {

// One file that matched: its folder, by number, and where its name lies in the names of
// the list, so that a tree of a million files costs a few bytes per file beside its names.
struct CFoundFile {
    std::size_t nameStart = 0;
    std::uint32_t folder = 0;
    std::uint16_t nameLength = 0;
    bool mayShare = false;  // a link, or a file of a folder the walk reached before
};

// One subdirectory waiting to be listed.
struct CMyDirectory {
    std::string m_strShortName;
    std::string m_strName;
    std::string m_strParent;
    std::string m_strRelative;  // below the start directory, as the ignore files name it
};

// The files found, each folder and name stored once, and the directories still to list.
struct CMyFileList {
    std::vector<CFoundFile> files;
    std::string names;
    std::vector<std::string> folders;

    std::string_view NameOf(const CFoundFile& file) const {
        return std::string_view(names).substr(file.nameStart, file.nameLength);
    }
};
using CMyDirList = std::vector<CMyDirectory>;

// What a walk leaves out besides what the filter does.
struct WalkRules {
    // A file named as the backup of a file beside it, under `naming` or under the other
    // of the two schemes with the same character and extension.
    bool skipBackups = true;
    BackupNaming naming;
    // What .gitignore, .ignore and .git/info/exclude exclude.
    bool respectIgnoreFiles = false;
};

class FileWalk {
public:
    FileWalk(const RunControl& control, ProgressReporter& progress);

    void SetRules(const WalkRules& rules) { m_rules = rules; }
    const WalkRules& rules() const { return m_rules; }

    // Rebuilds the pattern list from `filter`; literal extensions are appended, upper case,
    // to `sessionSearchList`.
    void SplitFileFilter(std::string_view filter, std::vector<std::string>& sessionSearchList);
    const std::vector<std::string>& patterns() const { return m_patterns; }

    // Whether the file name (without directory) matches one of the patterns.
    bool MatchesFileFilter(std::string_view fileName) const;

    // The whole walk. Appends the sorted full paths to `searchFileList` unless the run was
    // aborted meanwhile. `logLineCount` feeds the third status pane.
    void BuildFileList(const std::string& startDirectory, std::string_view filter,
                       bool searchSubdirectories, std::vector<std::string>& sessionSearchList,
                       std::vector<std::string>& searchFileList, int logLineCount);

    int filesMatched() const { return m_nFilesMatched; }
    int filesExamined() const { return m_nFilesExamined; }
    int dirsExamined() const { return m_nDirsExamined; }
    // What the last walk left out: backups of earlier runs, and files and folders the
    // ignore files exclude.
    int backupsLeftOut() const { return m_backupsLeftOut; }
    int ignoredFilesLeftOut() const { return m_ignoredFiles; }
    int ignoredFoldersLeftOut() const { return m_ignoredFolders; }
    // Every folder the last walk listed, as it was when it was listed.
    const ListedFolders& listedFolders() const { return m_listedFolders; }
    // Which entries of the run's file list the last walk made, and which of them may name a
    // file another entry names too.
    const WalkListing& listing() const { return m_listing; }

private:
    // `relative`: the directory below the start directory ("" for the start directory).
    void ListDirectory(const std::string& directory, const std::string& relative,
                       CMyFileList& found, CMyDirList& queue, int logLineCount);
    // Whether the ignore files leave out the entry `name` of the folder `relative`.
    bool Ignored(const std::string& relative, std::string_view name, bool isDirectory);
    // Takes the backups of earlier runs out of found[from, end): `names` are all the files
    // of the folder.
    void LeaveOutBackups(CMyFileList& found, std::size_t from,
                         const std::vector<std::string>& names);
    void SortFoundFiles(CMyFileList& found);
    // Appends the full paths of the sorted files to `searchFileList` and notes them in the
    // listing.
    void HandOver(const CMyFileList& found, std::vector<std::string>& searchFileList);
    void ShowWalkCounts(int logLineCount);

    const RunControl& m_control;
    ProgressReporter& m_progress;
    std::vector<std::string> m_patterns;
    int m_nFilesMatched = 0;
    int m_nFilesExamined = 0;
    int m_nDirsExamined = 0;
    int m_backupsLeftOut = 0;
    int m_ignoredFiles = 0;
    int m_ignoredFolders = 0;
    WalkRules m_rules;
    std::optional<IgnoreRules> m_ignore;  // while a walk that respects them goes
    std::string m_entryPath;              // reused for the relative path of each entry
    ListedFolders m_listedFolders;
    std::set<std::pair<dev_t, ino_t>> m_listedIdentities;
    WalkListing m_listing;
};

}  // namespace kesto
