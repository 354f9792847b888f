#include "literal/LiteralFinder.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "literal/ByteMask.h"
#include "text/AsciiCase.h"

namespace kesto {

namespace {

constexpr std::size_t kBlock = 32;

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

// The index of the rarest byte of `needle`.
std::size_t RarestIndex(std::string_view needle) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < needle.size(); ++i) {
        if (Commonness(static_cast<unsigned char>(needle[i])) <
            Commonness(static_cast<unsigned char>(needle[best]))) {
            best = i;
        }
    }
    return best;
}

// The index of the second byte tested: the end of the needle farther from `rare`. Bytes far
// apart are seldom both in place by chance, while neighbours often are (a common pair of
// letters, say).
std::size_t FarEndFrom(std::string_view needle, std::size_t rare) {
    const std::size_t last = needle.size() - 1;
    return rare >= last - rare ? 0 : last;
}

}  // namespace

LiteralFinder::LiteralFinder(std::string_view needle, bool matchCase)
    : m_needle(needle), m_matchCase(matchCase) {
    if (m_needle.empty()) return;
    m_rare = RarestIndex(m_needle);
    m_second = FarEndFrom(m_needle, m_rare);
    m_rareOther = matchCase ? m_needle[m_rare] : SwapCase(m_needle[m_rare]);
    m_secondOther = matchCase ? m_needle[m_second] : SwapCase(m_needle[m_second]);
}

bool LiteralFinder::CompareLong(const char* candidate) const {
    return std::memcmp(candidate, m_needle.data(), m_needle.size()) == 0;
}

bool LiteralFinder::MatchesAnyCaseAt(const char* candidate) const {
    for (std::size_t i = 0; i < m_needle.size(); ++i) {
        if (!ByteMatches(candidate[i], m_needle[i], false)) return false;
    }
    return true;
}

std::uint32_t LiteralFinder::CandidatesOf(const char* base, std::size_t start,
                                          std::size_t count) const {
    assert(count <= kBlock);
    const ByteMask rare(m_needle[m_rare], m_rareOther);
    const ByteMask second(m_needle[m_second], m_secondOther);
    return rare.BothIn<kBlock>(base + start + m_rare, second, base + start + m_second, count);
}

std::uint32_t LiteralFinder::NextCandidateBlock(const char* base, std::size_t& start,
                                                std::size_t last) const {
    static_assert(kBlock == 32);
    const ByteMask rare(m_needle[m_rare], m_rareOther);
    const ByteMask second(m_needle[m_second], m_secondOther);
    return rare.FirstBlockWithBoth(base + m_rare, second, base + m_second, start, last + 1);
}

std::size_t LiteralFinder::Find(std::string_view text, std::size_t from, std::size_t end) const {
    if (end > text.size()) end = text.size();
    if (from > end) return kNone;
    return LiteralScan(*this, text.substr(0, end)).Next(from);
}

LiteralScan::LiteralScan(const LiteralFinder& finder, std::string_view text)
    : m_finder(finder), m_text(text) {
    const std::size_t length = finder.size();
    m_empty = length == 0 || length > text.size();
    m_last = m_empty ? 0 : text.size() - length;
}

std::size_t LiteralScan::NextInNewBlocks(std::size_t from) {
    if (m_empty) return LiteralFinder::kNone;
    const char* base = m_text.data();
    for (;;) {
        std::size_t start = std::max(from, m_unscanned);
        if (start > m_last) return LiteralFinder::kNone;
        m_block = start;
        m_mask = m_finder.NextCandidateBlock(base, m_block, m_last);
        if (m_mask != 0) {
            m_unscanned = m_block + kBlock;
        } else {
            // Fewer starts than a block are left: they are looked at one by one.
            m_mask = m_finder.CandidatesOf(base, m_block, m_last + 1 - m_block);
            m_unscanned = m_last + 1;
        }
        while (m_mask != 0) {
            const std::size_t at = m_block + static_cast<std::size_t>(__builtin_ctz(m_mask));
            m_mask &= m_mask - 1;
            if (m_finder.MatchesAt(base + at)) return at;
        }
        from = m_unscanned;
    }
}

bool ContainsBytes(std::string_view text, std::string_view needle) {
    if (needle.empty()) return true;
    return LiteralFinder(needle).Find(text, 0, text.size()) != LiteralFinder::kNone;
}

}  // namespace kesto
