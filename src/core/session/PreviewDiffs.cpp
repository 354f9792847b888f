#include "session/PreviewDiffs.h"

#include "text/UnifiedDiff.h"

namespace kesto {

void PreviewDiffs::WouldRewrite(const std::string& path, std::string_view before,
                                std::string_view after) {
    std::string hunks = UnifiedDiff::Hunks(before, after);
    if (!hunks.empty()) m_files.push_back({path, std::move(hunks)});
}

bool PreviewDiffs::WriteTo(std::ostream& out, const std::string& folder) const {
    std::string header;
    for (const FileHunks& file : m_files) {
        header.clear();
        UnifiedDiff::AppendHeader(header, UnifiedDiff::RelativeName(file.path, folder));
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        out.write(file.hunks.data(), static_cast<std::streamsize>(file.hunks.size()));
    }
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace kesto
