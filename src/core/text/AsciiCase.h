// ASCII-only case folding. Text is bytes in an unknown single-byte code page, so only the
// letters A-Z and a-z fold; every other byte compares as itself.
#pragma once

#include <string_view>

namespace kesto {

constexpr bool IsAsciiUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
constexpr bool IsAsciiLower(char c) {
    return c >= 'a' && c <= 'z';
}

constexpr char ToLowerAscii(char c) {
    return IsAsciiUpper(c) ? static_cast<char>(c + 32) : c;
}

// A-Z become a-z, a-z become A-Z, every other byte is unchanged.
constexpr char SwapCase(char c) {
    if (IsAsciiUpper(c)) return static_cast<char>(c + 32);
    if (IsAsciiLower(c)) return static_cast<char>(c - 32);
    return c;
}

// Whether a text byte matches a pattern byte. Without matchCase the pattern is already
// lowercase, so the text byte may equal it or its other case.
constexpr bool ByteMatches(char text, char pattern, bool matchCase) {
    return text == pattern || (!matchCase && text == SwapCase(pattern));
}

// Whether two texts are equal with ASCII letters compared without case.
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ToLowerAscii(a[i]) != ToLowerAscii(b[i])) return false;
    }
    return true;
}

// The white space that ends a star's run: blank, tab, LF, VT, FF, CR.
constexpr bool IsWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace kesto
