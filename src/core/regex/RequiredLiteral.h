// The literal a regular expression needs: a run of plain bytes that every match of the
// pattern holds, found in the pattern's text. A text without it holds no match, so the
// block finder rules a file or a line out before the regular expression runs on it.
#pragma once

#include <string>
#include <string_view>

namespace kesto {

// The longest such run; empty when the pattern does not show one plainly (alternation at
// its top level, option settings, quoting, verbs), which only costs speed.
std::string RequiredLiteral(std::string_view pattern);

// Whether the pattern names a line break (\n, \r, \R, or a CR or LF byte): it is then
// matched against the whole text rather than line by line.
bool NamesLineBreak(std::string_view pattern);

}  // namespace kesto
