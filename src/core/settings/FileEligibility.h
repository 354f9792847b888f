// FileEligibility: whether a file's extension is to be searched in this run.
//
// The backup step asks before it touches a file. The extension lists answer, asking the
// user about an extension that is in neither list; a run without lists takes every file.
#pragma once

#include <string_view>

namespace kesto {

class FileEligibility {
public:
    virtual ~FileEligibility() = default;
    // `fileName` is the name without its directory.
    virtual bool IsFileEligible(std::string_view fileName) = 0;
};

}  // namespace kesto
