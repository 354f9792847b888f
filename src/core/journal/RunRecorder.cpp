#include "journal/RunRecorder.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

namespace kesto {
namespace {

// The file a path names, links followed; its path then is the link's target.
std::optional<std::pair<std::string, struct stat>> FileAt(const std::string& path) {
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) != 0) return std::nullopt;
    if (!S_ISLNK(entry.st_mode)) return std::make_pair(path, entry);
    std::unique_ptr<char, decltype(&std::free)> target(::realpath(path.c_str(), nullptr),
                                                       &std::free);
    if (!target || ::stat(target.get(), &entry) != 0) return std::nullopt;
    return std::make_pair(std::string(target.get()), entry);
}

}  // namespace

RunRecorder::RunRecorder(std::string folder, RunDescription run)
    : m_folder(std::move(folder)), m_run(std::move(run)) {
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    if (cwd) m_workingFolder = cwd.get();
}

std::string RunRecorder::Absolute(const std::string& path) const {
    if (path.starts_with('/') || m_workingFolder.empty()) return path;
    std::string_view rest = path;
    while (rest.starts_with("./")) rest.remove_prefix(2);
    return JoinPath(m_workingFolder, rest);
}

FileStamp RunRecorder::StampOf(const struct stat& file) {
    return {static_cast<std::uint64_t>(file.st_dev), static_cast<std::uint64_t>(file.st_ino),
            static_cast<std::int64_t>(file.st_size), static_cast<std::int64_t>(file.st_mtim.tv_sec),
            static_cast<std::int64_t>(file.st_mtim.tv_nsec)};
}

void RunRecorder::Fail() {
    // A journal that stops short would later pass for a run that died: it goes, and the
    // run goes on without one.
    if (m_journal) {
        if (m_error.empty()) m_error = m_journal->path() + ": could not be written";
        ::unlink(m_journal->path().c_str());
    }
    m_failed = true;
    m_journal.reset();
    m_journalId.clear();
}

bool RunRecorder::EnsureJournal() {
    if (m_failed) return false;
    if (m_journal) return true;
    m_journal = RunJournal::Create(m_folder, m_run, m_error);
    if (!m_journal) m_failed = true;
    if (m_journal) m_journalId = m_journal->id();
    return !m_failed;
}

FolderIdentity RunRecorder::FolderOfFile(const std::string& path) {
    const std::string_view folder = DirectoryOf(path);
    if (folder != m_lastFolderPath) {
        m_lastFolderPath = folder;
        struct stat st {};
        const std::string opened = folder.empty() ? "/" : std::string(folder);
        m_lastFolder = ::stat(opened.c_str(), &st) == 0 ? FolderIdentity{st.st_dev, st.st_ino}
                                                        : FolderIdentity{};
    }
    return m_lastFolder;
}

bool RunRecorder::WriteGroup(const std::string& path, const std::string& backupPath,
                             const struct stat& original, const FolderIdentity& folder) {
    std::vector<IntendedFile> group;
    group.push_back({Absolute(path), Absolute(backupPath), StampOf(original), folder});
    const std::size_t end =
        m_files ? std::min(m_files->size(), m_position + kGroupSize) : m_position;
    for (std::size_t i = m_position + 1; i < end; ++i) {
        const auto file = FileAt((*m_files)[i]);
        if (!file || !S_ISREG(file->second.st_mode)) continue;
        const std::string absolute = Absolute(file->first);
        std::string backup = BackupName(absolute, m_run.naming);
        // A file that is its own backup name is never taken by a run.
        if (SamePathIgnoringCase(backup, absolute)) continue;
        group.push_back(
            {absolute, std::move(backup), StampOf(file->second), FolderOfFile(absolute)});
    }
    if (!m_journal->MayReplace(group)) return false;
    for (const IntendedFile& file : group) m_intended[file.path] = {file.original, file.folder};
    return true;
}

bool RunRecorder::Intend(const std::string& path, const std::string& backupPath,
                         const struct stat& original, const FolderIdentity& folder) {
    if (!EnsureJournal()) return false;
    // A file whose stamp on disk is not the file read now (it changed after its group was
    // written) gets a group of its own.
    const auto known = m_intended.find(Absolute(path));
    const bool current = known != m_intended.end() && known->second.first == StampOf(original) &&
                         known->second.second.device == folder.device &&
                         known->second.second.inode == folder.inode;
    if (!current && !WriteGroup(path, backupPath, original, folder)) {
        Fail();
        return false;
    }
    return true;
}

bool RunRecorder::BeforeRewrite(const std::string& path, const std::string& backupPath,
                                const struct stat& original, const FolderIdentity& folder) {
    return Intend(path, backupPath, original, folder);
}

bool RunRecorder::BeforeReplace(const std::string& path, const std::string& backupPath,
                                const struct stat& original, const FolderIdentity& folder,
                                const ContentHash& before, const ContentHash& after) {
    if (!Intend(path, backupPath, original, folder)) return false;
    if (!m_journal->AboutToReplace(Absolute(path), Absolute(backupPath), folder, before, after,
                                   false)) {
        Fail();
        return false;
    }
    return true;
}

bool RunRecorder::ChangesSettled(std::string_view removal) {
    if (!m_journal) return true;  // no journal to take the run back by half
    if (m_journal->ChangesSettled(removal)) return true;
    Fail();
    return false;
}

void RunRecorder::Replaced(const std::string& path) {
    m_replacedAny = true;
    if (m_journal && !m_journal->Replaced(Absolute(path))) Fail();
}

void RunRecorder::BackupFate(const std::string& path, const std::string& fate) {
    if (m_journal && !m_journal->BackupFate(Absolute(path), fate)) Fail();
}

void RunRecorder::End(bool aborted) {
    // A run that replaced no file (each one it rewrote came out as it was) has nothing to
    // take back: it keeps no journal.
    if (m_journal && !m_replacedAny) {
        ::unlink(m_journal->path().c_str());
        m_journalId.clear();
    } else if (m_journal && !m_journal->End(aborted)) {
        Fail();
    }
    m_journal.reset();
}

}  // namespace kesto
