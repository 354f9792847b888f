// ReportLines: the report lines a worker made for a file, in order, kept in one string.
//
// A file with thousands of changed lines would otherwise cost the worker an allocation per
// line, the thread that clears them a free per line from another thread's heap, and the
// run's thread a read of each from wherever it was put.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

class ReportLines {
public:
    void Add(std::string_view line);
    void Clear();
    std::size_t size() const { return m_ends.size(); }
    std::string_view operator[](std::size_t index) const;
    // The bytes of every line, one after the other.
    std::string_view bytes() const { return m_bytes; }

private:
    std::string m_bytes;
    std::vector<std::size_t> m_ends;
};

}  // namespace kesto
