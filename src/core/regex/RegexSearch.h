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
    // With `unicode` the programs for UTF-8 text are made too; a pattern that is not valid
    // UTF-8 is then refused.
    static std::unique_ptr<RegexSearch> Compile(std::string_view pattern, bool matchCase,
                                                bool wholeWord, RegexError& error,
                                                bool unicode = false);

    // Whether files that are valid UTF-8 are matched as characters.
    bool unicode() const { return m_unicode; }

    bool spansLines() const { return m_spansLines; }

    // The program for the lines of a file (a pattern that spans no lines), or for the whole
    // text of a file of `type`; null when it could not be made (no memory).
    RegexProgram* ProgramFor(LineBreakType type, bool utf = false);

    // The program for lines: the one that says which groups the pattern has.
    const RegexProgram& lineProgram() const { return *m_programs[0]; }

    // The finder of the literal every match holds; null when there is none, or when the
    // bytes it finds might not be all that a UTF program matches.
    const LiteralFinder* literalFinder(bool utf = false) const {
        return utf && !m_literalHoldsInUtf ? nullptr : m_literal.get();
    }
    const std::string& requiredLiteral() const { return m_requiredLiteral; }

private:
    RegexSearch(std::string pattern, bool matchCase, bool wholeWord, bool unicode);

    std::unique_ptr<RegexProgram> Make(LineBreakType type, bool utf, RegexError& error) const;

    std::string m_pattern;
    bool m_matchCase;
    bool m_wholeWord;
    bool m_unicode;
    bool m_spansLines;
    std::string m_requiredLiteral;
    std::unique_ptr<LiteralFinder> m_literal;
    bool m_literalHoldsInUtf = false;
    // [0]: lines; [1 + type]: whole texts of DOS, UNIX and Mac files; the same four again
    // for UTF-8 text.
    std::array<std::unique_ptr<RegexProgram>, 8> m_programs;
    std::array<bool, 8> m_tried{};
};

}  // namespace kesto
