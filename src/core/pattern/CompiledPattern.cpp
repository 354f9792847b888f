#include "pattern/CompiledPattern.h"

namespace kesto {

CompiledPattern CompiledPattern::FromLiteral(std::string_view text) {
    CompiledPattern pattern;
    pattern.m_text.assign(text);
    pattern.m_symbols.assign(text.size(), PatternSymbol::Literal);
    return pattern;
}

void CompiledPattern::AppendLiteral(char byte) {
    m_text += byte;
    m_symbols.push_back(PatternSymbol::Literal);
}

void CompiledPattern::AppendWildcard(PatternSymbol symbol) {
    if (symbol == PatternSymbol::AnyRun) {
        m_text += '*';
        ++m_starCount;
    } else if (symbol == PatternSymbol::AnyChar) {
        m_text += '?';
        ++m_questionCount;
    } else {
        return;
    }
    m_symbols.push_back(symbol);
}

bool MarkWildcards(std::string_view text, CompiledPattern& out) {
    out = CompiledPattern();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool escapesWildcard =
            c == '\\' && i + 1 < text.size() && (text[i + 1] == '?' || text[i + 1] == '*');
        if (escapesWildcard) {
            out.AppendLiteral(text[++i]);
        } else if (c == '?') {
            out.AppendWildcard(PatternSymbol::AnyChar);
        } else if (c == '*') {
            out.AppendWildcard(PatternSymbol::AnyRun);
        } else {
            out.AppendLiteral(c);
        }
    }
    return out.HasWildcards();
}

WildcardCount CountCompiledWildcards(const CompiledPattern& pattern) {
    return {pattern.StarCount(), pattern.QuestionCount()};
}

}  // namespace kesto
