// StripInsertPass: one file of a strip run (white space removed from every line end) or an
// insert run (a string put in at a fixed column of every line). No pattern, no question,
// no ORG:/MOD: lines: every line is rewritten and ends with the file's line break.
#pragma once

#include <string>

#include "passes/FilePass.h"

namespace kesto {

// Removes the white space (blank, tab, LF, VT, FF, CR) at the end of `line`. A line that
// ended in white space adds one to `lineCount`; every removed character adds one to
// `charCount`. Returns the number removed.
int StripLineEnd(std::string& line, int& charCount, int& lineCount);

// The first column-1 characters of `line` (padded with blanks when it is shorter), then
// `insert`, then the rest of the line. Returns 1.
int InsertStringAtColumn(std::string& line, std::string_view insert, int column);

class StripInsertPass : public FilePass {
public:
    explicit StripInsertPass(PassContext& context) : FilePass(context) {}

    bool StripOrInsertFile(const std::string& directory, const std::string& fileName);
};

}  // namespace kesto
