// RegexProgram: one compiled Perl-compatible regular expression (PCRE2, 8-bit), JIT compiled
// where the processor allows and interpreted elsewhere. Without UTF a file's bytes are
// matched as they are, whatever their encoding; with it (Unicode case, for text that is
// valid UTF-8) characters are matched, caseless matching folds every letter and \w, \b and
// the classes take Unicode's letters and digits.
//
// A program matches one subject at a time and keeps the groups of its last match. The
// match limit stops a pattern that would backtrack for ever: Find then says TooComplex
// instead of hanging the run.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace kesto {

struct RegexError {
    std::string message;
    std::size_t offset = 0;  // where in the pattern the compiler stopped
};

struct RegexSpan {
    std::size_t start = 0;
    std::size_t end = 0;
    bool empty() const { return start == end; }
};

class RegexProgram {
public:
    // What ends a line for ^, $ and . when a subject holds several lines.
    enum class Newline { Lf, CrLf, Cr };

    struct Switches {
        bool caseless = false;
        bool wholeWord = false;  // the match begins and ends at a word boundary
        bool multiline = false;  // ^ and $ match at every line start and end of the subject
        bool unicode = false;    // UTF-8 characters and Unicode properties
        Newline newline = Newline::Lf;
    };

    enum class Outcome { NoMatch, Match, TooComplex };

    // The compiled program; none, with `error` set, when the pattern does not compile.
    static std::unique_ptr<RegexProgram> Compile(std::string_view pattern, const Switches& switches,
                                                 RegexError& error);
    ~RegexProgram();
    RegexProgram(const RegexProgram&) = delete;
    RegexProgram& operator=(const RegexProgram&) = delete;

    // The first match in `subject` that starts at or after `from`. With `nonEmptyAtFrom`
    // only a match that starts at `from` and takes at least one byte is taken: what follows
    // an empty match.
    Outcome Find(std::string_view subject, std::size_t from, bool nonEmptyAtFrom, RegexSpan& match);

    // Group `number` of the last match (0: the whole match); none when it took no part.
    bool Group(int number, RegexSpan& span) const;
    int captureCount() const;
    // The number of the group called `name`; -1 when there is none.
    int GroupNumber(std::string_view name) const;
    bool jitCompiled() const;

private:
    struct Engine;
    explicit RegexProgram(std::unique_ptr<Engine> engine);

    std::unique_ptr<Engine> m_engine;
};

}  // namespace kesto
