#include "regex/RequiredLiteral.h"

#include <cctype>
#include <optional>
#include <vector>

namespace kesto {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsAlnum(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

// Whether anything in the pattern changes how the rest of it reads: option settings
// ((?i), (?x), ...), verbs ((*UTF), (*CR), ...), \Q...\E quoting, and comments, which a
// quantifier looks through: in "ab(?#note)*" the star repeats the b.
bool ChangesHowItReads(std::string_view pattern) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (c == '\\') {
            if (next == 'Q' || next == 'E') return true;
            ++i;
        } else if (c == '(' && next == '*') {
            return true;
        } else if (c == '(' && next == '?' && i + 2 < pattern.size() &&
                   std::string_view("imnsxJU^-#").find(pattern[i + 2]) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

// The end of the class that opens at `at` ('['); npos when it does not close.
std::size_t ClassEnd(std::string_view pattern, std::size_t at) {
    std::size_t i = at + 1;
    if (i < pattern.size() && pattern[i] == '^') ++i;
    if (i < pattern.size() && pattern[i] == ']') ++i;  // a leading ] is a member
    for (; i < pattern.size(); ++i) {
        if (pattern[i] == '\\') {
            ++i;
        } else if (pattern[i] == '[' && i + 1 < pattern.size() && pattern[i + 1] == ':') {
            const std::size_t close = pattern.find(":]", i + 2);
            if (close == std::string_view::npos) return close;
            i = close + 1;
        } else if (pattern[i] == ']') {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

// The end of the group that opens at `at` ('('); npos when it does not close.
std::size_t GroupEnd(std::string_view pattern, std::size_t at) {
    int depth = 0;
    for (std::size_t i = at; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\\') {
            ++i;
        } else if (c == '[') {
            const std::size_t end = ClassEnd(pattern, i);
            if (end == std::string_view::npos) return end;
            i = end - 1;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

// A counted quantifier {n}, {n,} or {n,m} at `at`: its end and its least count. {,m} is
// taken as one too (newer PCRE2 reads it so); where it is plain text, the run merely ends.
std::optional<std::pair<std::size_t, int>> CountedQuantifier(std::string_view pattern,
                                                             std::size_t at) {
    std::size_t i = at + 1;
    int least = 0;
    const std::size_t digits = i;
    while (i < pattern.size() && IsDigit(pattern[i])) {
        least = std::min(least * 10 + (pattern[i] - '0'), 100000);
        ++i;
    }
    if (i == digits && (i >= pattern.size() || pattern[i] != ',')) return std::nullopt;
    if (i < pattern.size() && pattern[i] == ',') {
        ++i;
        while (i < pattern.size() && IsDigit(pattern[i])) ++i;
    }
    if (i >= pattern.size() || pattern[i] != '}') return std::nullopt;
    return std::pair(i + 1, least);
}

// One element of the pattern at its top level.
struct Element {
    bool literal = false;  // a plain byte
    char byte = 0;
    std::size_t end = 0;
};

// The element at `at`; none when the pattern cannot be read further here.
std::optional<Element> ElementAt(std::string_view pattern, std::size_t at) {
    const char c = pattern[at];
    if (c == '\\') {
        if (at + 1 >= pattern.size()) return std::nullopt;
        const char escaped = pattern[at + 1];
        if (!IsAlnum(escaped)) return Element{true, escaped, at + 2};
        if (IsDigit(escaped)) {
            if (escaped == '0') return std::nullopt;  // an octal byte
            std::size_t end = at + 1;
            while (end < pattern.size() && IsDigit(pattern[end])) ++end;
            return Element{false, 0, end};  // a back reference
        }
        // Classes and assertions of one letter; anything with an argument ends the reading.
        if (std::string_view("dDwWsShHvVbBAzZGRXCtnrefa").find(escaped) == std::string_view::npos) {
            return std::nullopt;
        }
        return Element{false, 0, at + 2};
    }
    if (c == '[') {
        const std::size_t end = ClassEnd(pattern, at);
        if (end == std::string_view::npos) return std::nullopt;
        return Element{false, 0, end};
    }
    if (c == '(') {
        const std::size_t end = GroupEnd(pattern, at);
        if (end == std::string_view::npos) return std::nullopt;
        return Element{false, 0, end};
    }
    if (c == '.' || c == '^' || c == '$') return Element{false, 0, at + 1};
    if (c == '*' || c == '+' || c == '?' || c == ')' || c == '|') return std::nullopt;
    if (c == '{' && CountedQuantifier(pattern, at)) return std::nullopt;
    return Element{true, c, at + 1};
}

}  // namespace

std::string RequiredLiteral(std::string_view pattern) {
    if (ChangesHowItReads(pattern)) return {};
    std::string best;
    std::string run;
    const auto endRun = [&] {
        if (run.size() > best.size()) best = run;
        run.clear();
    };
    std::size_t at = 0;
    while (at < pattern.size()) {
        if (pattern[at] == '|') return {};  // any of several: no run is needed by all
        const std::optional<Element> element = ElementAt(pattern, at);
        if (!element) {
            // What follows is not read: an alternative in it would make every run optional.
            if (pattern.find('|', at) != std::string_view::npos) return {};
            endRun();
            return best;
        }
        at = element->end;
        const char quantifier = at < pattern.size() ? pattern[at] : '\0';
        bool optional = false;
        bool repeated = false;
        if (quantifier == '*' || quantifier == '?') {
            optional = true;
            ++at;
        } else if (quantifier == '+') {
            repeated = true;
            ++at;
        } else if (quantifier == '{') {
            if (const auto counted = CountedQuantifier(pattern, at)) {
                optional = counted->second == 0;
                repeated = true;
                at = counted->first;
            }
        }
        // A lazy or possessive mark after the quantifier.
        if ((optional || repeated) && at < pattern.size() &&
            (pattern[at] == '?' || pattern[at] == '+')) {
            ++at;
        }
        if (element->literal && !optional) run += element->byte;
        if (!element->literal || optional || repeated) endRun();
    }
    endRun();
    return best;
}

bool NamesLineBreak(std::string_view pattern) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '\n' || c == '\r') return true;
        if (c == '\\' && i + 1 < pattern.size()) {
            const char escaped = pattern[++i];
            if (escaped == 'n' || escaped == 'r' || escaped == 'R') return true;
        }
    }
    return false;
}

}  // namespace kesto
