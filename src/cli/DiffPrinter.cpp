#include "cli/DiffPrinter.h"

#include <filesystem>
#include <iostream>

#include "text/UnifiedDiff.h"

namespace kesto::cli {

DiffPrinter::DiffPrinter(std::function<void()> writeFailed)
    : m_writeFailed(std::move(writeFailed)) {
    std::error_code error;
    m_currentDirectory = std::filesystem::current_path(error).string();
}

void DiffPrinter::WouldRewrite(const std::string& path, std::string_view before,
                               std::string_view after) {
    if (m_failed) return;
    m_diff.clear();
    // Reserved, not touched: the diff grows without being copied.
    m_diff.reserve(before.size() + after.size());
    UnifiedDiff::Append(m_diff, UnifiedDiff::RelativeName(path, m_currentDirectory), before, after);
    std::cout.write(m_diff.data(), static_cast<std::streamsize>(m_diff.size()));
    if (!std::cout) {
        m_failed = true;
        if (m_writeFailed) m_writeFailed();
    }
}

}  // namespace kesto::cli
