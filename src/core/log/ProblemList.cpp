#include "log/ProblemList.h"

namespace kesto {

void ProblemList::Add(std::string_view loggedPath, std::string_view reason) {
    const std::size_t slash = loggedPath.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::uint32_t folder = FolderNumber(loggedPath.substr(0, nameStart));
    m_entries.push_back({m_names.size(), folder, ReasonNumber(reason)});
    m_names.append(loggedPath.substr(nameStart));
}

std::uint32_t ProblemList::FolderNumber(std::string_view folder) {
    if (m_folders.empty() || m_folders.back() != folder) m_folders.emplace_back(folder);
    return static_cast<std::uint32_t>(m_folders.size() - 1);
}

std::uint32_t ProblemList::ReasonNumber(std::string_view reason) {
    const auto [at, added] = m_reasonNumbers.try_emplace(
        std::string(reason), static_cast<std::uint32_t>(m_reasons.size()));
    if (added) m_reasons.push_back(&at->first);
    return at->second;
}

void ProblemList::WriteEntry(std::size_t index, std::string& out) const {
    const Record& entry = m_entries[index];
    const std::size_t nameEnd =
        index + 1 < m_entries.size() ? m_entries[index + 1].nameStart : m_names.size();
    out.assign("     ");
    out += std::to_string(index + 1);
    out += ") --- ";
    out += m_folders[entry.folder];
    out.append(m_names, entry.nameStart, nameEnd - entry.nameStart);
    const std::string& reason = *m_reasons[entry.reason];
    if (!reason.empty()) {
        out += " ... ";
        out += reason;
    }
}

std::string ProblemList::Entry(std::size_t index) const {
    std::string entry;
    WriteEntry(index, entry);
    return entry;
}

}  // namespace kesto
