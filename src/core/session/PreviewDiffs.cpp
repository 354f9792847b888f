#include "session/PreviewDiffs.h"

#include "patch/DiffReader.h"
#include "text/BackupName.h"
#include "text/PrefaultPages.h"
#include "text/UnifiedDiff.h"

namespace kesto {

void PreviewDiffs::On(const FileRewritten& event) {
    if (!event.after) return;
    if (event.decoded) {
        WouldRewriteBinary(std::string(event.path));
    } else {
        WouldRewrite(std::string(event.path), event.before, *event.after);
    }
}

void PreviewDiffs::WouldRewriteBinary(const std::string& path) {
    m_files.push_back({path, {}, true});
}

void PreviewDiffs::WouldRewrite(const std::string& path, std::string_view before,
                                std::string_view after) {
    m_scratch.clear();
    UnifiedDiff::AppendHunks(m_scratch, before, after);
    if (m_scratch.empty()) return;
    // The hunks of a whole preview stay until it is saved: each file's take fresh pages,
    // asked for in one call, and no more room than they fill.
    std::string hunks;
    hunks.reserve(m_scratch.size());
    PrefaultPages(hunks.data(), m_scratch.size());
    hunks.append(m_scratch);
    m_files.push_back({path, std::move(hunks)});
}

bool PreviewDiffs::WriteTo(std::ostream& out, const std::string& folder) const {
    std::string header;
    for (const FileHunks& file : m_files) {
        header.clear();
        const std::string name = UnifiedDiff::RelativeName(file.path, folder);
        if (file.binary) {
            UnifiedDiff::AppendBinaryChange(header, name);
        } else {
            UnifiedDiff::AppendHeader(header, name);
        }
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        out.write(file.hunks.data(), static_cast<std::streamsize>(file.hunks.size()));
    }
    out.flush();
    return static_cast<bool>(out);
}

std::vector<FilePatch> PreviewDiffs::Patches() const {
    std::vector<FilePatch> patches;
    patches.reserve(m_files.size());
    for (const FileHunks& file : m_files) {
        if (file.binary) {
            patches.push_back({std::string(DirectoryOf(file.path)),
                               std::string(FileNameOf(file.path)),
                               std::string(kWideTextChange),
                               {},
                               nullptr});
            continue;
        }
        DiffReading reading = DiffReader::Read("--- a/f\n+++ b/f\n" + file.hunks, "");
        if (reading.files.size() != 1) continue;
        FilePatch& patch = reading.files.front();
        patch.folder = DirectoryOf(file.path);
        patch.name = FileNameOf(file.path);
        patches.push_back(std::move(patch));
    }
    return patches;
}

}  // namespace kesto
