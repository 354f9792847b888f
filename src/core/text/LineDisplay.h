// How lines are shown to the user: in the confirm question and in the log's ORG:/MOD:
// lines, tabs become a fixed number of blanks and line numbers are zero-filled.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kesto {

// Every tab becomes `spaces` blanks (at least one).
std::string ExpandTabs(std::string_view line, int spaces);
// The same, appended to `out`.
void AppendExpandedTabs(std::string& out, std::string_view line, int spaces);

// The column at which byte `offset` of `line` shows once its tabs are expanded.
int DisplayColumn(std::string_view line, std::size_t offset, int spaces);

// "%05.5d": at least five digits, zero-filled; wider numbers keep all their digits.
std::string FormatLineNumber(int lineNumber);

}  // namespace kesto
