// RegexReplacement: the replace string of a regular-expression run, read once into plain
// stretches and group references: $0 (the whole match), $1..$99 (the two digits after the
// $ at most), ${N} and ${name}; $$ is a $, and any other $ stands for itself. A reference
// to a group the pattern does not have is refused when the run begins.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "regex/RegexProgram.h"

namespace kesto {

class RegexReplacement {
public:
    RegexReplacement() = default;

    // False, with `error` (its offset in the replace string), when a reference names no
    // group of `program`.
    bool Parse(std::string_view replace, const RegexProgram& program, RegexError& error);

    // Appends the replacement of the last match of `program` in `subject` to `out`.
    void Expand(const RegexProgram& program, std::string_view subject, std::string& out) const;

    bool refersToGroups() const { return m_refersToGroups; }

private:
    struct Piece {
        std::string text;
        int group = -1;  // a group reference when 0 or more
    };

    void AddText(std::string_view text);
    void AddGroup(int number);

    std::vector<Piece> m_pieces;
    bool m_refersToGroups = false;
};

}  // namespace kesto
