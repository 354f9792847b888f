// DiffPass: one file of a diff's run. Its hunks are applied when they match the file byte
// for byte, through the steps every change takes (backup, temporary file, unchanged check,
// rename); the changed lines are reported as any run's are. A file the diff may not
// change, one reached through a link, and one that no longer holds what the diff was made
// from are left as they are, with the reason.
#pragma once

#include "passes/FilePass.h"
#include "patch/FilePatch.h"

namespace kesto {

class DiffPass : public FilePass {
public:
    explicit DiffPass(PassContext& context) : FilePass(context) {}

    // True when the file took the patch.
    bool ApplyToFile(const FilePatch& patch);

private:
    // Reports the file named by `path` left as it was for `reason`, without touching it.
    void Refuse(const std::string& path, std::string_view reason);
    // The changed lines, as the log shows them; returns how many changes there are.
    std::size_t ReportChanges(const FilePatch& patch);
};

}  // namespace kesto
