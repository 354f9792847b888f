// RegexSearch: the search string of a regular-expression run, compiled for the ways the
// passes match it.
//
// A pattern that names no line break is matched line by line, each line without its line
// break (so ^ and $ are its start and end). One that does is matched against the whole
// text, with ^ and $ at every line start and end and the file's own line break as the
// newline: that program is made for each line-break convention the first time a file of
// it comes. The literal that every match holds, when the pattern shows one, comes with a
// block finder for it.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "literal/LiteralFinder.h"
#include "regex/RegexProgram.h"
#include "text/LineBreak.h"

namespace kesto {

class RegexSearch {
public:
    // None, with `error` set, when the pattern does not compile.
    static std::unique_ptr<RegexSearch> Compile(std::string_view pattern, bool matchCase,
                                                bool wholeWord, RegexError& error);

    bool spansLines() const { return m_spansLines; }

    // The program for the lines of a file (a pattern that spans no lines), or for the whole
    // text of a file of `type`; null when it could not be made (no memory).
    RegexProgram* ProgramFor(LineBreakType type);

    // The program for lines: the one that says which groups the pattern has.
    const RegexProgram& lineProgram() const { return *m_programs[0]; }

    // The finder of the literal every match holds; null when there is none.
    const LiteralFinder* literalFinder() const { return m_literal.get(); }
    const std::string& requiredLiteral() const { return m_requiredLiteral; }

private:
    RegexSearch(std::string pattern, bool matchCase, bool wholeWord);

    std::unique_ptr<RegexProgram> Make(LineBreakType type, RegexError& error) const;

    std::string m_pattern;
    bool m_matchCase;
    bool m_wholeWord;
    bool m_spansLines;
    std::string m_requiredLiteral;
    std::unique_ptr<LiteralFinder> m_literal;
    // [0]: lines; [1 + type]: whole texts of DOS, UNIX and Mac files.
    std::array<std::unique_ptr<RegexProgram>, 4> m_programs;
    std::array<bool, 4> m_tried{};
};

}  // namespace kesto
