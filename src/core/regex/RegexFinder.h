// RegexFinder: where the matches of a regular expression lie in the text of one file, in
// the order Perl's s///g takes them: the leftmost match first, the next one searched from
// its end; after an empty match the next one may not be empty at the same place, else it
// is searched from the next character.
//
// A pattern that spans no lines is tried only on lines that hold its required literal
// (every line when it has none), each line without its line break.
#pragma once

#include <cstddef>
#include <string_view>

#include "regex/RegexProgram.h"
#include "regex/RegexSearch.h"
#include "text/LineBreak.h"

namespace kesto {

class RegexFinder {
public:
    // A line of the text: [start, contentEnd) without its line break, and where the next
    // line starts.
    struct Line {
        std::size_t start = 0;
        std::size_t contentEnd = 0;
        std::size_t next = 0;
    };

    // `utf`: the text is valid UTF-8 and the search matches such text as characters.
    RegexFinder(RegexSearch& search, LineBreakType type, bool utf = false);

    // Whether the program matches characters of UTF-8.
    bool utf() const { return m_utf; }

    // False when the program for this file could not be made.
    bool ready() const { return m_program != nullptr; }
    RegexProgram& program() { return *m_program; }

    // Whether the text can hold no match at all: its required literal is missing.
    bool RuledOut(std::string_view text) const;

    // A pattern that spans no lines: the first line at or after `from` (a line start) that
    // holds a match, and the first match, in the line's own offsets.
    RegexProgram::Outcome FindLine(std::string_view text, std::size_t from, Line& line,
                                   RegexSpan& match);

    // The next match in `subject` after `previous` (searched from `from`, which is the end
    // of `previous` unless an edit moved it).
    RegexProgram::Outcome FindNext(std::string_view subject, std::size_t from, bool afterEmpty,
                                   RegexSpan& match);

    // The line around `offset`, starting no earlier than `floor` (a line start).
    Line LineAround(std::string_view text, std::size_t offset, std::size_t floor) const;
    // Where the line in which a match ends is over: after its line break.
    std::size_t UnitEndAfter(std::string_view text, const RegexSpan& match) const;

private:
    RegexSearch& m_search;
    bool m_utf;
    RegexProgram* m_program;
    const LiteralFinder* m_literal;
    LineBreakType m_type;
    char m_lineBreakChar;
};

}  // namespace kesto
