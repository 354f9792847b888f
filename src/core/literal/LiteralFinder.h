// LiteralFinder: finds a byte string quickly many times over in one text.
//
// It picks once, for the whole scan, the byte of the needle that is likely the rarest in
// text (lower-case vowels and blanks are common, punctuation and digits rare) and the end
// of the needle farther from it. Blocks of thirty-two candidate starts are tested at once
// for both bytes, and only those that have both are compared in full. A `LiteralScan` walks
// one text from match to match and keeps the block it is in, so matches a few bytes apart
// cost no more than sparse ones.
//
// Without Match Case a text byte matches a needle byte when it equals it or its other case
// (the needle of such a run is lowercase), and both cases are tested at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kesto {

class LiteralFinder {
public:
    static constexpr std::size_t kNone = std::string_view::npos;

    explicit LiteralFinder(std::string_view needle, bool matchCase = true);

    // The first occurrence of the needle that starts at or after `from` and ends at or
    // before `end`; kNone when there is none. An empty needle is never found. No byte
    // outside [from, end) is read.
    std::size_t Find(std::string_view text, std::size_t from, std::size_t end) const;

    std::size_t size() const { return m_needle.size(); }

private:
    friend class LiteralScan;

    bool MatchesAt(const char* candidate) const {
        if (!m_matchCase) return MatchesAnyCaseAt(candidate);
        // Short needles are compared in place: a call costs more than their bytes.
        if (m_needle.size() <= 16) {
            for (std::size_t i = 0; i < m_needle.size(); ++i) {
                if (candidate[i] != m_needle[i]) return false;
            }
            return true;
        }
        return CompareLong(candidate);
    }
    bool CompareLong(const char* candidate) const;
    bool MatchesAnyCaseAt(const char* candidate) const;
    // The candidates among the `count` (at most 32) starts from `start`, one bit each.
    std::uint32_t CandidatesOf(const char* base, std::size_t start, std::size_t count) const;
    // The first block of 32 starts from `start` with a candidate, all its bytes read lying
    // before `last` + size(); `start` is left at that block, or at the first start past the
    // whole blocks when no block has one.
    std::uint32_t NextCandidateBlock(const char* base, std::size_t& start, std::size_t last) const;

    std::string m_needle;
    bool m_matchCase = true;
    std::size_t m_rare = 0;    // index of the rarest byte
    std::size_t m_second = 0;  // index of the far end, another index when there is one
    // The other case of the two bytes tested first (the byte itself when it has none).
    char m_rareOther = 0;
    char m_secondOther = 0;
};

// The matches of one finder in one text, found in order of their starts.
class LiteralScan {
public:
    LiteralScan(const LiteralFinder& finder, std::string_view text);

    // The first match that starts at or after `from`; kNone when there is none. `from`
    // never goes back from one call to the next.
    std::size_t Next(std::size_t from) {
        // Candidates before `from` are behind the scan.
        if (from > m_block) {
            const std::size_t behind = from - m_block;
            m_mask = behind >= 32 ? 0 : m_mask & (~std::uint32_t{0} << behind);
        }
        while (m_mask != 0) {
            const std::size_t start = m_block + static_cast<std::size_t>(__builtin_ctz(m_mask));
            m_mask &= m_mask - 1;
            if (m_finder.MatchesAt(m_text.data() + start)) return start;
        }
        return NextInNewBlocks(from);
    }

private:
    std::size_t NextInNewBlocks(std::size_t from);

    const LiteralFinder& m_finder;
    std::string_view m_text;
    std::size_t m_last = 0;       // the last start a match can have
    bool m_empty = true;          // no match fits in the text
    std::size_t m_block = 0;      // the first start of the block in hand
    std::uint32_t m_mask = 0;     // its candidates not yet looked at
    std::size_t m_unscanned = 0;  // the first start of no block yet
};

// Whether `needle` occurs in `text` (a plain byte substring search).
bool ContainsBytes(std::string_view text, std::string_view needle);

}  // namespace kesto
