#include "session/ProcessedFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace kesto {

bool ProcessedFiles::FirstTime(const std::string& path) {
    const std::optional<std::string> key = KeyOf(path);
    return !key || m_seen.insert(*key).second;
}

bool ProcessedFiles::FirstTime(const std::vector<std::string>& list, std::size_t index,
                               const WalkListing& walk) {
    const std::string& path = list[index];
    if (!walk.Contains(index) || walk.MayShare(index)) return FirstTime(path);
    if (!m_sharedNoted) NoteSharedFiles(list, walk);
    if (m_shared.empty()) return true;
    const std::optional<std::string> key = KeyAsSpelled(path);
    if (!key || !m_shared.contains(*key)) return true;
    return m_seen.insert(*key).second;
}

void ProcessedFiles::NoteSharedFiles(const std::vector<std::string>& list,
                                     const WalkListing& walk) {
    m_sharedNoted = true;
    const auto note = [&](std::size_t i) {
        if (std::optional<std::string> key = KeyOf(list[i])) m_shared.insert(std::move(*key));
    };
    const std::size_t walkEnd = std::min(walk.first + walk.count, list.size());
    for (std::size_t i = 0; i < std::min(walk.first, list.size()); ++i) note(i);
    for (const std::size_t i : walk.shared) {
        if (i < list.size()) note(i);
    }
    for (std::size_t i = walkEnd; i < list.size(); ++i) note(i);
}

std::optional<std::string> ProcessedFiles::KeyOf(const std::string& path) {
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) != 0) return std::nullopt;
    if (!S_ISLNK(entry.st_mode)) return KeyAsSpelled(path);
    std::error_code error;
    const std::string resolved = std::filesystem::canonical(path, error).string();
    if (error) return std::nullopt;
    return KeyAsSpelled(resolved);
}

std::optional<std::string> ProcessedFiles::KeyAsSpelled(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string* identity = FolderIdentity(folder);
    if (!identity) return std::nullopt;
    return *identity + (slash == std::string::npos ? path : path.substr(slash + 1));
}

const std::string* ProcessedFiles::FolderIdentity(const std::string& folder) {
    const auto known = m_folders.find(folder);
    if (known != m_folders.end()) return &known->second;
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return nullptr;
    const std::string identity = std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino) + '/';
    return &m_folders.emplace(folder, identity).first->second;
}

}  // namespace kesto
