// CompiledPattern: a search or replace string in the form the matcher works on.
//
// Each position holds either a literal byte or one of the two wildcards. The wildcards are
// kept as symbols of their own, so that every byte value, 0 to 255, can be searched for
// literally. MarkWildcards builds a pattern from a prepared string; without a wildcard
// session a pattern is made of literals only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

enum class PatternSymbol : std::uint8_t {
    Literal,
    AnyChar,  // ?: one character, never the line-break character
    AnyRun,   // *: a run of characters
};

class CompiledPattern {
public:
    CompiledPattern() = default;

    static CompiledPattern FromLiteral(std::string_view text);

    void AppendLiteral(char byte);
    void AppendWildcard(PatternSymbol symbol);

    std::size_t size() const { return m_symbols.size(); }
    bool empty() const { return m_symbols.empty(); }
    PatternSymbol symbol(std::size_t i) const { return m_symbols[i]; }
    bool IsLiteral(std::size_t i) const { return m_symbols[i] == PatternSymbol::Literal; }
    // The literal byte at i; a wildcard position reads as '?' or '*'.
    char byte(std::size_t i) const { return m_text[i]; }

    // The pattern as text, wildcards shown as ? and *. Equals the literal bytes when the
    // pattern has no wildcards.
    const std::string& text() const { return m_text; }

    int StarCount() const { return m_starCount; }
    int QuestionCount() const { return m_questionCount; }
    bool HasWildcards() const { return m_starCount + m_questionCount > 0; }

    friend bool operator==(const CompiledPattern&, const CompiledPattern&) = default;

private:
    std::string m_text;
    std::vector<PatternSymbol> m_symbols;
    int m_starCount = 0;
    int m_questionCount = 0;
};

// Builds `out` from `text`: an unescaped ? becomes AnyChar, an unescaped * AnyRun, \? and
// \* become the plain characters (both bytes consumed), every other byte is copied. Returns
// true when at least one wildcard was marked.
bool MarkWildcards(std::string_view text, CompiledPattern& out);

struct WildcardCount {
    int stars = 0;
    int questions = 0;
};

WildcardCount CountCompiledWildcards(const CompiledPattern& pattern);

}  // namespace kesto
