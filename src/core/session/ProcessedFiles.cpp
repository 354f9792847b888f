#include "session/ProcessedFiles.h"

#include <sys/stat.h>

#include <filesystem>

namespace kesto {

bool ProcessedFiles::FirstTime(const std::string& path) {
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) != 0) return true;
    std::string resolved = path;
    if (S_ISLNK(entry.st_mode)) {
        std::error_code error;
        resolved = std::filesystem::canonical(path, error).string();
        if (error) return true;
    }
    const std::size_t slash = resolved.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : resolved.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? resolved : resolved.substr(slash + 1);
    const std::string* identity = FolderIdentity(folder);
    return !identity || m_seen.insert(*identity + name).second;
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
