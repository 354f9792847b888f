// ProblemList: the numbered problem entries of a run, "     n) --- path ... reason".
//
// A run over a million files that finds nothing has a million entries, one per file, of
// few folders and mostly one reason: each entry keeps its name and the number of its
// folder and of its reason, and every folder and reason is kept once (a folder again only
// when entries of another came between). The entry's number is its place in the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kesto {

class ProblemList {
public:
    // `loggedPath` as the log writes it; an empty `reason` adds none.
    void Add(std::string_view loggedPath, std::string_view reason);

    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    // Entry `index` (from 0) as the log shows it, in `out`, replacing what it held.
    void WriteEntry(std::size_t index, std::string& out) const;
    std::string Entry(std::size_t index) const;

private:
    struct Record {
        std::size_t nameStart;  // in m_names; the name ends where the next one starts
        std::uint32_t folder;
        std::uint32_t reason;
    };
    std::uint32_t FolderNumber(std::string_view folder);
    std::uint32_t ReasonNumber(std::string_view reason);

    std::vector<Record> m_entries;
    std::string m_names;
    std::vector<std::string> m_folders;
    std::unordered_map<std::string, std::uint32_t> m_reasonNumbers;
    std::vector<const std::string*> m_reasons;  // keys of m_reasonNumbers, by number
};

}  // namespace kesto
