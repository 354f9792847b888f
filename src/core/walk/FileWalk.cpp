#include "walk/FileWalk.h"

#include <unordered_map>
#include <unordered_set>

#include <numeric>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "files/FolderPath.h"
#include "text/AsciiCase.h"
#include "text/BackupName.h"

namespace kesto {
namespace {

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (IsAsciiLower(c)) c = SwapCase(c);
    }
    return out;
}

// The next token of `text` from `at`: leading delimiters skipped, ended by the next one,
// which is taken with it (so a blank that ends the first pattern is not part of the next).
std::string_view NextToken(std::string_view text, std::size_t& at, std::string_view delimiters) {
    const std::size_t begin = text.find_first_not_of(delimiters, at);
    if (begin == std::string_view::npos) {
        at = text.size();
        return {};
    }
    std::size_t end = text.find_first_of(delimiters, begin);
    if (end == std::string_view::npos) end = text.size();
    at = std::min(end + 1, text.size());
    return text.substr(begin, end - begin);
}

// Splits at the last dot: base and extension (empty when there is no dot).
std::pair<std::string_view, std::string_view> SplitAtLastDot(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {name, {}};
    return {name.substr(0, dot), name.substr(dot + 1)};
}

// One part of a pattern against one part of a name: a ? accepts any character and also a
// position past the end of the name part; without a star the lengths must agree.
bool PartMatches(std::string_view pattern, bool hadStar, std::string_view name) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '?') continue;
        if (i >= name.size() || pattern[i] != name[i]) return false;
    }
    return hadStar || name.size() == pattern.size();
}

// Cuts a pattern part at its first star.
std::string_view CutAtStar(std::string_view part, bool& hadStar) {
    const std::size_t star = part.find('*');
    hadStar = star != std::string_view::npos;
    return hadStar ? part.substr(0, star) : part;
}

bool PatternAccepts(std::string_view pattern, std::string_view base, std::string_view extension) {
    if (pattern == "*.*") return true;
    const auto [patternBase, patternExtension] = SplitAtLastDot(pattern);
    bool baseStar = false;
    bool extensionStar = false;
    const std::string_view cutBase = CutAtStar(patternBase, baseStar);
    const std::string_view cutExtension = CutAtStar(patternExtension, extensionStar);
    if (!cutBase.empty() && !PartMatches(cutBase, baseStar, base)) return false;
    if (cutExtension.empty()) return true;
    return PartMatches(cutExtension, extensionStar, extension);
}

bool LessIgnoringCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(ToLowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(ToLowerAscii(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

FileWalk::FileWalk(const RunControl& control, ProgressReporter& progress)
    : m_control(control), m_progress(progress) {
}

void FileWalk::SplitFileFilter(std::string_view filter,
                               std::vector<std::string>& sessionSearchList) {
    m_patterns.clear();
    std::size_t at = 0;
    const std::string_view first = NextToken(filter, at, ";, ");
    if (!first.empty()) m_patterns.emplace_back(first);
    while (at < filter.size()) {
        const std::string_view next = NextToken(filter, at, ";,");
        if (!next.empty()) m_patterns.emplace_back(next);
    }
    for (const std::string& pattern : m_patterns) {
        const std::size_t dot = pattern.rfind('.');
        if (dot == std::string::npos) continue;
        const std::string_view extension = std::string_view(pattern).substr(dot + 1);
        if (extension.find_first_of("?*") == std::string_view::npos) {
            sessionSearchList.push_back(UpperAscii(extension));
        }
    }
}

bool FileWalk::MatchesFileFilter(std::string_view fileName) const {
    const std::string name = UpperAscii(fileName);
    const auto [base, extension] = SplitAtLastDot(name);
    for (const std::string& pattern : m_patterns) {
        if (PatternAccepts(UpperAscii(pattern), base, extension)) return true;
    }
    return false;
}

void FileWalk::ShowWalkCounts(int logLineCount) {
    m_progress.ShowWalkCounts(m_nFilesMatched, m_nFilesExamined, m_nDirsExamined, logLineCount);
}

bool FileWalk::Ignored(const std::string& relative, std::string_view name, bool isDirectory) {
    if (!m_ignore) return false;
    m_entryPath.assign(relative);
    if (!m_entryPath.empty()) m_entryPath += '/';
    m_entryPath += name;
    return m_ignore->IsIgnored(m_entryPath, isDirectory);
}

void FileWalk::ListDirectory(const std::string& directory, const std::string& relative,
                             CMyFileList& found, CMyDirList& queue, int logLineCount) {
    UniqueFd folderFd = OpenFolderPath(directory, false);
    std::unique_ptr<DIR, DirCloser> listing(folderFd.valid() ? ::fdopendir(folderFd.get())
                                                             : nullptr);
    if (!listing) return;
    folderFd.Release();  // the listing closes it
    if (m_ignore && !relative.empty()) m_ignore->EnterFolder(relative);
    const int dirFd = ::dirfd(listing.get());
    struct stat folder {};
    const bool identified = ::fstat(dirFd, &folder) == 0;
    if (identified) {
        m_listedFolders[FolderKey(directory)] = FolderIdentity{folder.st_dev, folder.st_ino};
    }
    // A folder met again (mounted a second time below the start) lists files already met.
    const bool folderSeenBefore =
        !identified || !m_listedIdentities.emplace(folder.st_dev, folder.st_ino).second;
    const std::size_t firstFound = found.files.size();
    const auto folderNumber = static_cast<std::uint32_t>(found.folders.size());
    std::vector<std::string> names;  // every file of the folder, for the backup rule
    while (const dirent* entry = ::readdir(listing.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        // The listing names the kind of most entries; only links and entries of unknown
        // kind are asked about. The entry itself, not through a link: a link to a
        // directory is never entered.
        if (entry->d_type == DT_DIR) {
            st.st_mode = S_IFDIR;
        } else if (entry->d_type == DT_REG) {
            st.st_mode = S_IFREG;
        } else if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (name.front() == '.') continue;
            // An ignored folder is not entered at all.
            if (Ignored(relative, name, true)) {
                ++m_ignoredFolders;
                continue;
            }
            queue.push_back(
                {"", std::string(name), directory,
                 relative.empty() ? std::string(name) : relative + "/" + std::string(name)});
            ++m_nDirsExamined;
            continue;
        }
        // A link counts as the file it names; FIFOs, sockets and devices are no files to rewrite.
        const bool link = S_ISLNK(st.st_mode);
        if (link && ::fstatat(dirFd, entry->d_name, &st, 0) != 0) continue;
        if (!S_ISREG(st.st_mode)) continue;
        if (m_rules.skipBackups) names.emplace_back(name);
        if (MatchesFileFilter(name)) {
            if (Ignored(relative, name, false)) {
                ++m_ignoredFiles;
            } else {
                if (found.folders.size() == folderNumber) found.folders.push_back(directory);
                found.files.push_back({found.names.size(), folderNumber,
                                       static_cast<std::uint16_t>(name.size()),
                                       link || folderSeenBefore});
                found.names.append(name);
                ++m_nFilesMatched;
            }
        }
        if (++m_nFilesExamined % 100 == 0) {
            ShowWalkCounts(logLineCount);
            m_progress.PumpMessages();
        }
    }
    if (m_rules.skipBackups && found.files.size() > firstFound) {
        LeaveOutBackups(found, firstFound, names);
    }
}

void FileWalk::LeaveOutBackups(CMyFileList& found, std::size_t from,
                               const std::vector<std::string>& names) {
    std::unordered_set<std::string_view> present(names.begin(), names.end());
    const BackupNaming& naming = m_rules.naming;
    // How many files share each base (the name before its last dot): a file named
    // base.BAK is a backup when another file of that base is there. Names like base.~ext
    // are backups themselves and no original of it (b.~BAK is the backup of b.BAK).
    std::unordered_map<std::string_view, int> bases;
    for (const std::string& name : names) {
        const std::size_t dot = name.rfind('.');
        if (dot == std::string::npos) continue;
        if (dot + 1 < name.size() && name[dot + 1] == naming.backupChar) continue;
        ++bases[std::string_view(name).substr(0, dot)];
    }
    const auto isBackup = [&](std::string_view name) {
        const std::size_t dot = name.rfind('.');
        if (dot == std::string_view::npos) return false;
        const std::string_view base = name.substr(0, dot);
        const std::string_view extension = name.substr(dot + 1);
        // base.~ext, the backup of base.ext (of base, or base., when ext is empty).
        if (!extension.empty() && extension.front() == naming.backupChar) {
            const std::string original = std::string(base) + "." + std::string(extension.substr(1));
            if (present.contains(original)) return true;
            if (extension.size() == 1 && present.contains(base)) return true;
        }
        if (EqualsIgnoringAsciiCase(extension, naming.replaceExtension)) {
            if (present.contains(base) || bases[base] > 1) return true;
        }
        return false;
    };
    std::vector<CFoundFile>& files = found.files;
    const auto kept = std::stable_partition(
        files.begin() + static_cast<std::ptrdiff_t>(from), files.end(),
        [&](const CFoundFile& file) { return !isBackup(found.NameOf(file)); });
    const auto leftOut = static_cast<int>(files.end() - kept);
    files.erase(kept, files.end());
    m_backupsLeftOut += leftOut;
    m_nFilesMatched -= leftOut;
}

void FileWalk::SortFoundFiles(CMyFileList& found) {
    if (found.files.size() < 2) return;
    m_progress.host().SetStatusPanes("Sorting " + std::to_string(m_nFilesMatched) + " Files ...",
                                     {}, {});
    m_progress.PumpMessages();
    // Folders are compared once each, not once per pair of files: every folder gets a rank
    // (folders equal but for case share one), then files are sorted by rank and name.
    const std::vector<std::string>& folders = found.folders;
    std::vector<std::size_t> byPath(folders.size());
    std::iota(byPath.begin(), byPath.end(), 0);
    std::sort(byPath.begin(), byPath.end(), [&folders](std::size_t a, std::size_t b) {
        return LessIgnoringCase(folders[a], folders[b]);
    });
    std::vector<std::size_t> rank(folders.size());
    for (std::size_t k = 0, r = 0; k < byPath.size(); ++k) {
        if (k > 0 && !EqualsIgnoringAsciiCase(folders[byPath[k - 1]], folders[byPath[k]])) ++r;
        rank[byPath[k]] = r;
    }
    std::sort(found.files.begin(), found.files.end(),
              [&](const CFoundFile& a, const CFoundFile& b) {
                  if (rank[a.folder] != rank[b.folder]) return rank[a.folder] < rank[b.folder];
                  return LessIgnoringCase(found.NameOf(a), found.NameOf(b));
              });
    m_progress.host().SetStatusPanes("Sort Finsished ...", {}, {});
    m_progress.PumpMessages();
}

void FileWalk::BuildFileList(const std::string& startDirectory, std::string_view filter,
                             bool searchSubdirectories, std::vector<std::string>& sessionSearchList,
                             std::vector<std::string>& searchFileList, int logLineCount) {
    m_progress.host().BeginWaitCursor();
    SplitFileFilter(filter, sessionSearchList);
    m_listedFolders.clear();
    m_listedIdentities.clear();
    m_listing = {};
    m_backupsLeftOut = 0;
    m_ignoredFiles = 0;
    m_ignoredFolders = 0;
    CMyFileList found;
    CMyDirList queue;  // taken from the front: breadth first
    std::size_t next = 0;
    std::string directory = startDirectory;
    std::string relative;
    m_ignore.reset();
    if (m_rules.respectIgnoreFiles) {
        m_ignore.emplace(startDirectory.empty() ? std::string(".") : startDirectory);
        m_ignore->LoadRoot();
    }
    for (;;) {
        ListDirectory(directory, relative, found, queue, logLineCount);
        if (m_control.abortRequested()) break;
        if (!searchSubdirectories || next == queue.size()) break;
        const CMyDirectory& sub = queue[next++];
        directory = JoinPath(sub.m_strParent, sub.m_strName);
        relative = sub.m_strRelative;
    }
    m_ignore.reset();
    if (!m_control.abortRequested()) {
        ShowWalkCounts(logLineCount);
        m_progress.PumpMessages();
        SortFoundFiles(found);
    }
    if (!m_control.abortRequested()) HandOver(found, searchFileList);
    m_progress.host().EndWaitCursor();
}

void FileWalk::HandOver(const CMyFileList& found, std::vector<std::string>& searchFileList) {
    m_listing.first = searchFileList.size();
    m_listing.count = found.files.size();
    searchFileList.reserve(searchFileList.size() + found.files.size());
    for (const CFoundFile& file : found.files) {
        if (file.mayShare) m_listing.shared.push_back(searchFileList.size());
        searchFileList.push_back(JoinPath(found.folders[file.folder], found.NameOf(file)));
    }
}

}  // namespace kesto
