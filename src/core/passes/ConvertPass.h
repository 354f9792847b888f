// ConvertPass: one file of a line-break conversion run. The source and target conventions
// are fixed for the run by the chosen direction; the file's own convention is not examined.
#pragma once

#include <string>

#include "passes/FilePass.h"
#include "text/LineBreak.h"

namespace kesto {

class ConvertPass : public FilePass {
public:
    explicit ConvertPass(PassContext& context) : FilePass(context) {}

    bool ConvertFile(const std::string& directory, const std::string& fileName);
};

}  // namespace kesto
