#include "pattern/WildcardCaptures.h"

#include <new>
#include <optional>

#include "text/AsciiCase.h"

namespace kesto {
namespace {

std::vector<std::size_t> PositionsOf(const CompiledPattern& pattern, PatternSymbol symbol) {
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern.symbol(i) == symbol) positions.push_back(i);
    }
    return positions;
}

// Whether the search position `s` and the replace position `r` hold the same thing. A ?
// in the search stands for anything.
bool SameAt(const CompiledPattern& search, std::ptrdiff_t s, const CompiledPattern& replace,
            std::ptrdiff_t r, bool matchCase) {
    const bool searchInside = s >= 0 && static_cast<std::size_t>(s) < search.size();
    const bool replaceInside = r >= 0 && static_cast<std::size_t>(r) < replace.size();
    const auto si = static_cast<std::size_t>(s);
    const auto ri = static_cast<std::size_t>(r);
    if (searchInside && search.symbol(si) == PatternSymbol::AnyChar) return true;
    if (!searchInside || !replaceInside) return searchInside == replaceInside;
    if (search.symbol(si) != replace.symbol(ri)) return false;
    if (!search.IsLiteral(si)) return true;
    return matchCase ? search.byte(si) == replace.byte(ri)
                     : ToLowerAscii(search.byte(si)) == ToLowerAscii(replace.byte(ri));
}

bool SameSurroundings(const CompiledPattern& search, std::size_t s, const CompiledPattern& replace,
                      std::size_t r, bool matchCase) {
    const auto si = static_cast<std::ptrdiff_t>(s);
    const auto ri = static_cast<std::ptrdiff_t>(r);
    if (!SameAt(search, si + 1, replace, ri + 1, matchCase)) return false;
    // Before the wildcard only what the search pattern has is compared; where the replace
    // pattern has nothing at that place (it starts sooner) any character is accepted.
    for (std::ptrdiff_t back = 1; back <= 2 && si - back >= 0; ++back) {
        if (ri - back < 0) break;
        if (!SameAt(search, si - back, replace, ri - back, matchCase)) return false;
    }
    return true;
}

// Pairs the wildcards of one kind; marks the search wildcards passed over in `notCarried`.
bool PairKind(const CompiledPattern& search, const CompiledPattern& replace, PatternSymbol symbol,
              bool matchCase, std::vector<bool>& notCarried) {
    const std::vector<std::size_t> searchAt = PositionsOf(search, symbol);
    const std::vector<std::size_t> replaceAt = PositionsOf(replace, symbol);
    notCarried.assign(searchAt.size(), false);
    if (searchAt.size() <= replaceAt.size()) return true;  // taken in order, one for one

    std::size_t next = 0;
    for (std::size_t r : replaceAt) {
        while (next < searchAt.size() &&
               !SameSurroundings(search, searchAt[next], replace, r, matchCase)) {
            notCarried[next++] = true;
        }
        if (next == searchAt.size()) return false;
        ++next;
    }
    return true;
}

// The index of the next carried wildcard at or after `from`, or `count` when none is left.
std::size_t NextCarried(const std::vector<bool>& notCarried, std::size_t from, std::size_t count) {
    while (from < count && from < notCarried.size() && notCarried[from]) ++from;
    return from;
}

}  // namespace

void WildcardCaptures::ReleaseCaptures() {
    m_questions.clear();
    m_stars.clear();
}

WildcardCaptures::StarCapture WildcardCaptures::CaptureStar(std::string_view taken) {
    if (m_stars.size() >= kMaxStarCaptures) return StarCapture::TooMany;
    try {
        m_stars.emplace_back(taken);
    } catch (const std::bad_alloc&) {
        return StarCapture::OutOfMemory;
    }
    return StarCapture::Stored;
}

void WildcardCaptures::ResetPairing() {
    m_questionNotCarried.clear();
    m_starNotCarried.clear();
}

bool WildcardCaptures::PairWildcards(const CompiledPattern& search, const CompiledPattern& replace,
                                     bool matchCase) {
    const bool questionsPaired =
        PairKind(search, replace, PatternSymbol::AnyChar, matchCase, m_questionNotCarried);
    const bool starsPaired =
        PairKind(search, replace, PatternSymbol::AnyRun, matchCase, m_starNotCarried);
    return questionsPaired && starsPaired;
}

std::string WildcardCaptures::BuildReplacement(const CompiledPattern& replace) const {
    std::string out;
    out.reserve(replace.size() + m_questions.size());
    std::size_t question = 0;
    std::size_t star = 0;
    std::optional<std::size_t> lastStar;
    for (std::size_t i = 0; i < replace.size(); ++i) {
        switch (replace.symbol(i)) {
        case PatternSymbol::Literal:
            out += replace.byte(i);
            break;
        case PatternSymbol::AnyChar:
            question = NextCarried(m_questionNotCarried, question, m_questions.size());
            if (question < m_questions.size()) out += m_questions[question++];
            break;
        case PatternSymbol::AnyRun:
            star = NextCarried(m_starNotCarried, star, m_stars.size());
            if (star < m_stars.size()) {
                lastStar = star++;
                out += m_stars[*lastStar];
            } else if (lastStar) {
                out += m_stars[*lastStar];
            }
            break;
        }
    }
    return out;
}

}  // namespace kesto
