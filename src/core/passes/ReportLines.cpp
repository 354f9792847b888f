#include "passes/ReportLines.h"

namespace kesto {

void ReportLines::Add(std::string_view line) {
    m_bytes.append(line);
    m_ends.push_back(m_bytes.size());
}

void ReportLines::Clear() {
    m_bytes.clear();
    m_ends.clear();
}

std::string_view ReportLines::operator[](std::size_t index) const {
    const std::size_t begin = index == 0 ? 0 : m_ends[index - 1];
    return std::string_view(m_bytes).substr(begin, m_ends[index] - begin);
}

}  // namespace kesto
