#include "session/PreviewDiffs.h"

#include "text/UnifiedDiff.h"

namespace kesto {

void PreviewDiffs::WouldRewrite(const std::string& path, std::string_view before,
                                std::string_view after) {
    std::string hunks = UnifiedDiff::Hunks(before, after);
    if (!hunks.empty()) m_files.push_back({path, std::move(hunks)});
}

std::string PreviewDiffs::Text(const std::string& folder) const {
    std::string text;
    for (const FileHunks& file : m_files) {
        const std::string name = UnifiedDiff::RelativeName(file.path, folder);
        UnifiedDiff::AppendHeader(text, name);
        text += file.hunks;
    }
    return text;
}

}  // namespace kesto
