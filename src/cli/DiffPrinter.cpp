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

std::string DiffPrinter::DiffPath(const std::string& path, const std::string& currentDirectory) {
    const std::filesystem::path absolute =
        (std::filesystem::path(currentDirectory) / path).lexically_normal();
    const std::string text = absolute.string();
    const std::string below = currentDirectory == "/" ? "/" : currentDirectory + "/";
    if (!currentDirectory.empty() && text.size() > below.size() &&
        text.compare(0, below.size(), below) == 0) {
        return text.substr(below.size());
    }
    return text;
}

void DiffPrinter::WouldRewrite(const std::string& path, std::string_view before,
                               std::string_view after) {
    if (m_failed) return;
    m_diff.clear();
    UnifiedDiff::Append(m_diff, DiffPath(path, m_currentDirectory), before, after);
    std::cout.write(m_diff.data(), static_cast<std::streamsize>(m_diff.size()));
    if (!std::cout) {
        m_failed = true;
        if (m_writeFailed) m_writeFailed();
    }
}

}  // namespace kesto::cli
