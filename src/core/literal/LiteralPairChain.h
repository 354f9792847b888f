// LiteralPairChain: the plain literal pairs of a batch run applied to a text in one walk,
// with the result the literal scan gives when it applies them one after the other.
//
// A byte that no search and no replace string holds can never be part of a match, and no
// replacement puts one in; so the text falls apart at those bytes into words that every
// pair changes independently of each other, and the line breaks stay where they are. A
// word is worked out through all the pairs the first time it comes and looked up in a
// table after that: in real text the same few thousand words come again and again.
//
// Without Match Case a letter of a search string also matches its other case, so both cases
// are word bytes, and each pair looks for its search string in the word folded to lowercase;
// the replacement goes in as it is written, as the line matcher writes it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "literal/ByteClass.h"
#include "literal/ScanReport.h"
#include "literal/WordTable.h"
#include "run/RunControl.h"
#include "text/LineBreak.h"

namespace kesto {

struct LiteralPair {
    std::string search;
    std::string replace;
};

class LiteralPairChain {
public:
    enum class Outcome {
        Completed,
        Aborted,
        // The pairs must be applied one by one instead: a line with a match might grow
        // past the line limit on the way (the scan of that pair refuses it), or the words
        // of the text repeat too seldom for the table to pay.
        Declined,
    };

    enum class Case { Match, Ignore };

    // The pairs in the order they apply; each must be admitted. With Case::Ignore the
    // search strings are lowercase, as the patterns of such a run are compiled.
    explicit LiteralPairChain(std::vector<LiteralPair> pairs, Case letterCase = Case::Match);

    // A pair can be part of a chain when its search string is not empty and neither
    // string holds a CR or a LF.
    static bool Admits(const LiteralPair& pair);

    // Puts into `out` what the pairs make of `text`, a file of `type`, and adds every
    // pair's counters to `counters`. Progress goes to `observer` every 300 lines; the
    // walk ends when the run is aborted then. On Declined and Aborted, `out`
    // and `counters` are as they were.
    Outcome Apply(std::string_view text, LineBreakType type, std::string& out,
                  ScanCounters& counters, const RunControl& control, ScanObserver& observer);

private:
    struct Walk;
    using ByteSet = std::array<std::uint64_t, 4>;

    struct Pair {
        std::string search;
        std::string replace;
        ByteSet searchBytes{};
        ByteSet replaceBytes{};
    };

    static std::array<bool, 256> WordBytesOf(const std::vector<LiteralPair>& pairs,
                                             Case letterCase);

    // What the pairs make of one word, left in m_word, m_wordReplacements, m_wordGrowth
    // and m_wordPairs; false when the word grows past the line limit.
    bool Transform(std::string_view word);
    bool ApplyPairToWord(const Pair& pair, std::uint32_t& replaced);

    // Keeps m_folded, the word folded to lowercase, up to date when case is ignored: the
    // search strings are compared with it then.
    void RefoldWord();

    std::vector<Pair> m_pairs;
    bool m_ignoreCase;
    ByteClass m_wordBytes;  // the bytes some string of the pairs holds
    WordTable m_table;
    std::size_t m_pairWords = 0;             // machine words of a set of pairs, one bit each
    std::vector<std::uint64_t> m_linePairs;  // the pairs that matched in the current line

    std::string m_output;
    std::string m_word;
    std::string m_folded;
    std::string m_scratch;
    std::uint32_t m_wordReplacements = 0;
    std::uint64_t m_wordGrowth = 0;
    std::vector<std::uint64_t> m_wordPairs;
};

}  // namespace kesto
