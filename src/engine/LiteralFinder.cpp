#include "engine/LiteralFinder.h"

#include <cstring>

namespace kesto {

namespace {

// A rough rank of how often a byte occurs in text: higher is more common.
int Commonness(unsigned char c) {
    static constexpr std::string_view kLettersByFrequency = "etaoinshrdlcumwfgypbvkjxqz";
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') return 300;
    if (c >= 'a' && c <= 'z') {
        return 250 - static_cast<int>(kLettersByFrequency.find(static_cast<char>(c))) * 4;
    }
    if (c >= 'A' && c <= 'Z') {
        return 150 - static_cast<int>(kLettersByFrequency.find(static_cast<char>(c + 32))) * 2;
    }
    if (c >= '0' && c <= '9') return 60;
    if (c == '.' || c == ',' || c == '_' || c == '(' || c == ')' || c == ';' || c == '=') {
        return 70;
    }
    return 20;
}

}  // namespace

LiteralFinder::LiteralFinder(std::string_view needle) : m_needle(needle) {
    for (std::size_t i = 1; i < m_needle.size(); ++i) {
        if (Commonness(static_cast<unsigned char>(m_needle[i])) <
            Commonness(static_cast<unsigned char>(m_needle[m_rare]))) {
            m_rare = i;
        }
    }
}

std::size_t LiteralFinder::Find(std::string_view text, std::size_t from, std::size_t end) const {
    const std::size_t length = m_needle.size();
    if (end > text.size()) end = text.size();
    if (length == 0 || from > end || end - from < length) return kNone;
    const char* base = text.data();
    const unsigned char rare = static_cast<unsigned char>(m_needle[m_rare]);
    // The rare byte of a match lies in [from + m_rare, end - length + m_rare].
    std::size_t at = from + m_rare;
    const std::size_t last = end - length + m_rare;
    while (at <= last) {
        const void* hit = std::memchr(base + at, rare, last + 1 - at);
        if (!hit) return kNone;
        const std::size_t found = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
        const std::size_t start = found - m_rare;
        if (std::memcmp(base + start, m_needle.data(), length) == 0) return start;
        at = found + 1;
    }
    return kNone;
}

}  // namespace kesto
