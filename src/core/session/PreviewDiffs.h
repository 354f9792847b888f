// PreviewDiffs: the changes a preview would make, kept as diff hunks per file, for the
// window's "Save as Diff".
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "replace/RewriteObserver.h"

namespace kesto {

class PreviewDiffs : public RewriteObserver {
public:
    void WouldRewrite(const std::string& path, std::string_view before,
                      std::string_view after) override;
    void Clear() { m_files.clear(); }
    bool empty() const { return m_files.empty(); }

    // Writes the unified diff of every file in the order the run took them, each named
    // relative to `folder` when it lies below it; false when `out` failed.
    bool WriteTo(std::ostream& out, const std::string& folder) const;

private:
    struct FileHunks {
        std::string path;
        std::string hunks;
    };
    std::vector<FileHunks> m_files;
    // The hunks of the file at hand, kept warm from file to file.
    std::string m_scratch;
};

}  // namespace kesto
