// PreviewDiffs: the changes a preview would make, kept as diff hunks per file, for the
// window's "Save as Diff" and kesto-cli's --diff. It takes them from the run's events: every
// file a preview would rewrite, with both versions. A UTF-16 or UTF-32 file is named as a
// binary change, as diff names one: patch tools cut its bytes into lines at bytes that are no
// line breaks of its text.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "events/RunEvents.h"
#include "patch/FilePatch.h"

namespace kesto {

class PreviewDiffs : public RunEventSink {
public:
    void On(const FileRewritten& event) override;
    bool WantsNewContent() const override { return true; }
    // `path` (the file itself, not a link to it) would go from `before` to `after`.
    void WouldRewrite(const std::string& path, std::string_view before, std::string_view after);
    // `path` would change, in bytes that are no lines of text.
    void WouldRewriteBinary(const std::string& path);
    void Clear() { m_files.clear(); }
    bool empty() const { return m_files.empty(); }

    // Writes the unified diff of every file in the order the run took them, each named
    // relative to `folder` when it lies below it; false when `out` failed.
    bool WriteTo(std::ostream& out, const std::string& folder) const;
    // The hunks of every file, in the same order, each named by its folder and its name. A
    // UTF-16 or UTF-32 file has none: it comes with kWideTextChange for its refusal.
    std::vector<FilePatch> Patches() const;
    static constexpr std::string_view kWideTextChange =
        "UTF-16 or UTF-32 text - changed only with every change of the preview";

private:
    struct FileHunks {
        std::string path;
        std::string hunks;
        bool binary = false;
    };
    std::vector<FileHunks> m_files;
    // The hunks of the file at hand, kept warm from file to file.
    std::string m_scratch;
};

}  // namespace kesto
