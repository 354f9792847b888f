#include "literal/LiteralPairChain.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>

#include "literal/ByteMask.h"
#include "literal/LineBreakCounter.h"
#include "text/AsciiCase.h"
#include "text/TextFile.h"

namespace kesto {

namespace {

// Words met before a text may be given back for being too varied, and the share of them
// not found in the table past which it is.
constexpr std::size_t kTrialMisses = 1024;
constexpr std::size_t kMissShareDenominator = 4;

std::array<std::uint64_t, 4> BytesOf(std::string_view text) {
    std::array<std::uint64_t, 4> set{};
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        set[byte >> 6] |= std::uint64_t{1} << (byte & 63);
    }
    return set;
}

bool Includes(const std::array<std::uint64_t, 4>& set, const std::array<std::uint64_t, 4>& part) {
    return ((part[0] & ~set[0]) | (part[1] & ~set[1]) | (part[2] & ~set[2]) |
            (part[3] & ~set[3])) == 0;
}

// Into a string of the caller's, whose room is kept from word to word.
void FoldInto(std::string_view text, std::string& folded) {
    folded.assign(text);
    for (char& c : folded) c = ToLowerAscii(c);
}

std::string Folded(std::string_view text) {
    std::string folded;
    FoldInto(text, folded);
    return folded;
}

// The output of a walk: grown by doubling, cut to size at the end. A short piece is
// copied sixteen bytes at once, so there is always room for sixteen more.
class Output {
public:
    static constexpr std::size_t kShort = 16;

    explicit Output(std::string& target, std::size_t expected) : m_target(target) {
        m_target.resize(std::max(expected, std::size_t{64}) + kShort);
    }
    [[gnu::always_inline]] void Put(const char* bytes, std::size_t size) {
        MakeRoom(size);
        std::memcpy(m_target.data() + m_used, bytes, size);
        m_used += size;
    }
    // `size` bytes from `bytes`, of which kShort can be read.
    [[gnu::always_inline]] void PutReadable(const char* bytes, std::size_t size) {
        if (size > kShort) return Put(bytes, size);
        MakeRoom(size);
        std::memcpy(m_target.data() + m_used, bytes, kShort);
        m_used += size;
    }
    void Finish() { m_target.resize(m_used); }

private:
    [[gnu::always_inline]] void MakeRoom(std::size_t size) {
        if (m_used + size + kShort > m_target.size()) Grow(size);
    }
    [[gnu::noinline]] void Grow(std::size_t size) {
        m_target.resize(std::max(m_target.size() * 2, m_used + size + kShort));
    }

    std::string& m_target;
    std::size_t m_used = 0;
};

static_assert(WordTable::kReadable >= Output::kShort,
              "a remembered text is copied as a short piece");

// The unchanged bytes [from, to) of `text`.
[[gnu::always_inline]] inline void PutStretch(Output& output, std::string_view text,
                                              std::size_t from, std::size_t to) {
    if (from + Output::kShort <= text.size()) {
        output.PutReadable(text.data() + from, to - from);
    } else {
        output.Put(text.data() + from, to - from);
    }
}

}  // namespace

std::array<bool, 256> LiteralPairChain::WordBytesOf(const std::vector<LiteralPair>& pairs,
                                                    Case letterCase) {
    std::array<bool, 256> members{};
    for (const LiteralPair& pair : pairs) {
        for (const char c : pair.search + pair.replace) {
            members[static_cast<unsigned char>(c)] = true;
            if (letterCase == Case::Ignore) members[static_cast<unsigned char>(SwapCase(c))] = true;
        }
    }
    return members;
}

LiteralPairChain::LiteralPairChain(std::vector<LiteralPair> pairs, Case letterCase)
    : m_ignoreCase(letterCase == Case::Ignore), m_wordBytes(WordBytesOf(pairs, letterCase)) {
    assert(std::all_of(pairs.begin(), pairs.end(), Admits));
    m_pairs.reserve(pairs.size());
    for (LiteralPair& given : pairs) {
        assert(!m_ignoreCase ||
               std::none_of(given.search.begin(), given.search.end(), IsAsciiUpper));
        Pair pair;
        pair.searchBytes = BytesOf(given.search);
        // What a pair may meet after this one is known by the folded bytes it puts in.
        pair.replaceBytes = BytesOf(m_ignoreCase ? Folded(given.replace) : given.replace);
        pair.search = std::move(given.search);
        pair.replace = std::move(given.replace);
        m_pairs.push_back(std::move(pair));
    }
    m_pairWords = (m_pairs.size() + 63) / 64;
    m_linePairs.assign(m_pairWords, 0);
    m_wordPairs.assign(m_pairWords, 0);
}

bool LiteralPairChain::Admits(const LiteralPair& pair) {
    const auto breaksLines = [](const std::string& text) {
        return text.find_first_of("\r\n") != std::string::npos;
    };
    return !pair.search.empty() && !breaksLines(pair.search) && !breaksLines(pair.replace);
}

void LiteralPairChain::RefoldWord() {
    if (m_ignoreCase) FoldInto(m_word, m_folded);
}

bool LiteralPairChain::ApplyPairToWord(const Pair& pair, std::uint32_t& replaced) {
    // Folding keeps every byte in its place, so a match in the folded word is one in the word.
    const std::string_view compared = m_ignoreCase ? m_folded : m_word;
    std::size_t at = compared.find(pair.search);
    if (at == std::string::npos) return false;
    // Leftmost matches that do not overlap, as the scan finds them.
    m_scratch.clear();
    std::size_t from = 0;
    replaced = 0;
    do {
        m_scratch.append(m_word, from, at - from);
        m_scratch.append(pair.replace);
        from = at + pair.search.size();
        ++replaced;
        at = compared.find(pair.search, from);
    } while (at != std::string::npos);
    m_scratch.append(m_word, from, std::string::npos);
    return true;
}

bool LiteralPairChain::Transform(std::string_view word) {
    m_word.assign(word);
    RefoldWord();
    m_wordReplacements = 0;
    m_wordGrowth = 0;
    std::fill(m_wordPairs.begin(), m_wordPairs.end(), 0);
    // The bytes the word may hold by now (folded, when case is ignored): a pair needing
    // another cannot match.
    ByteSet present = BytesOf(m_ignoreCase ? m_folded : m_word);
    for (std::uint32_t index = 0; index < m_pairs.size(); ++index) {
        const Pair& pair = m_pairs[index];
        if (!Includes(present, pair.searchBytes)) continue;
        std::uint32_t replaced = 0;
        if (!ApplyPairToWord(pair, replaced)) continue;
        if (m_scratch.size() > m_word.size()) m_wordGrowth += m_scratch.size() - m_word.size();
        m_word.swap(m_scratch);
        RefoldWord();
        m_wordReplacements += replaced;
        m_wordPairs[index / 64] |= std::uint64_t{1} << (index % 64);
        for (std::size_t i = 0; i < present.size(); ++i) present[i] |= pair.replaceBytes[i];
        if (m_word.size() > kMaxLineLength) return false;
    }
    return true;
}

// One text's walk: the output, where the current line began, and the counts so far.
struct LiteralPairChain::Walk {
    Walk(LiteralPairChain& owner, std::string_view walked, LineBreakType type, std::string& out)
        : chain(owner),
          text(walked),
          bytes(walked.data()),
          size(walked.size()),
          lineBreak(LineBreakChar(type)),
          dos(type == LineBreakType::Dos),
          output(out, walked.size() + walked.size() / 4),
          linePairs(owner.m_linePairs.data()),
          pairWords(owner.m_pairWords) {
        std::fill(owner.m_linePairs.begin(), owner.m_linePairs.end(), 0);
    }

    // The word of `length` bytes at `pos`; false when the chain must decline the text.
    [[gnu::always_inline]] bool TakeWord(std::size_t pos, std::size_t length) {
        ++words;
        // The common case, a short word well before the end, in machine words only.
        if (length > WordTable::kShortWord || pos + WordTable::kShortWord > size) {
            return TakeOtherWord(pos, length);
        }
        std::uint64_t low;
        std::uint64_t high;
        std::memcpy(&low, bytes + pos, 8);
        std::memcpy(&high, bytes + pos + 8, 8);
        if (length < 8) {
            low &= (std::uint64_t{1} << (length * 8)) - 1;
            high = 0;
        } else if (length < 16) {
            high &= (std::uint64_t{1} << ((length - 8) * 8)) - 1;
        }
        const WordResult* known =
            chain.m_table.FindShort(low, high, static_cast<std::uint32_t>(length));
        if (!known) return TakeOtherWord(pos, length);
        if (known->matched) TakeResult(*known, pos, length, true);
        return true;
    }
    // A word the short way does not find: looked up by its whole key, or worked out
    // through the pairs and remembered.
    [[gnu::noinline]] bool TakeOtherWord(std::size_t pos, std::size_t length);
    bool TakeNewWord(std::size_t pos, std::size_t length, const WordTable::Key* key);
    // The new text of a word that some pair matched; `readable` when kReadable bytes of it
    // can be read.
    [[gnu::always_inline]] void TakeResult(const WordResult& result, std::size_t pos,
                                           std::size_t length, bool readable) {
        PutStretch(output, text, copied, pos);
        if (readable) {
            output.PutReadable(result.text.data(), result.text.size());
        } else {
            output.Put(result.text.data(), result.text.size());
        }
        copied = pos + length;
        replacements += result.replacements;
        lineGrowth += result.growthBound;
        lineMatched = true;
        for (std::size_t i = 0; i < pairWords; ++i) linePairs[i] |= result.matchedPairs[i];
    }
    // The line break at `pos`; false when the chain must decline the text.
    bool EndLine(std::size_t pos);
    void CloseLine() {
        if (!lineMatched) return;
        for (std::size_t i = 0; i < pairWords; ++i) {
            linesWithMatch +=
                static_cast<std::uint64_t>(LineBreakCounter::BitCount64(linePairs[i]));
            linePairs[i] = 0;
        }
        lineMatched = false;
        lineGrowth = 0;
    }
    // A line with a match must stay within the limit at every pair; the sum of what each
    // pair added bounds its length on the way.
    bool LineFits(std::size_t lineEnd) const {
        std::size_t length = lineEnd - lineStart;
        if (dos && lineEnd > lineStart && lineEnd < size && bytes[lineEnd - 1] == '\r') --length;
        return length + lineGrowth <= kMaxLineLength;
    }

    LiteralPairChain& chain;
    std::string_view text;
    const char* bytes;
    std::size_t size;
    char lineBreak;
    bool dos;
    Output output;
    std::size_t copied = 0;  // the bytes before this are in the output
    std::uint64_t replacements = 0;
    std::uint64_t linesWithMatch = 0;
    std::size_t words = 0;
    std::size_t misses = 0;
    std::size_t lineStart = 0;
    bool lineMatched = false;
    std::uint64_t lineGrowth = 0;
    std::uint64_t* linePairs;
    std::size_t pairWords;
    int lineBreaks = 0;
};

bool LiteralPairChain::Walk::TakeOtherWord(std::size_t pos, std::size_t length) {
    if (length > WordTable::kLongestWord) return TakeNewWord(pos, length, nullptr);
    const WordTable::Key key =
        WordTable::MakeKey(bytes + pos, length, pos + WordTable::kLongestWord <= size);
    const WordResult* known = chain.m_table.Find(key);
    if (!known) return TakeNewWord(pos, length, &key);
    if (known->matched) TakeResult(*known, pos, length, true);
    return true;
}

bool LiteralPairChain::Walk::TakeNewWord(std::size_t pos, std::size_t length,
                                         const WordTable::Key* key) {
    ++misses;
    if (misses > kTrialMisses && misses * kMissShareDenominator > words) return false;
    if (!chain.Transform(std::string_view(bytes + pos, length))) return false;
    WordResult result;
    result.text = chain.m_word;
    result.replacements = chain.m_wordReplacements;
    result.growthBound = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(chain.m_wordGrowth, std::numeric_limits<std::uint32_t>::max()));
    result.matchedPairs = chain.m_wordPairs.data();
    result.matched = chain.m_wordReplacements > 0;
    if (result.matched) TakeResult(result, pos, length, false);
    if (key) {
        chain.m_table.Add(*key, result.text, result.replacements, result.growthBound,
                          chain.m_wordPairs);
    }
    return true;
}

bool LiteralPairChain::Walk::EndLine(std::size_t pos) {
    // A rewritten line keeps the line break it had: it goes out with the next stretch.
    if (lineMatched && !LineFits(pos)) return false;
    CloseLine();
    lineStart = pos + 1;
    ++lineBreaks;
    return true;
}

LiteralPairChain::Outcome LiteralPairChain::Apply(std::string_view text, LineBreakType type,
                                                  std::string& out, ScanCounters& counters,
                                                  const RunControl& control,
                                                  ScanObserver& observer) {
    // The walk writes into a buffer of its own, so that `out` stays as it was unless the
    // walk completes; the two then trade places and keep their room for the next text.
    Walk walk(*this, text, type, m_output);
    const std::size_t size = text.size();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const ByteMask lineBreaks(walk.lineBreak);
    // Sixty-four bytes at a time: which are word bytes and which line breaks, one bit
    // each, and from those the places where words begin. A window always begins outside
    // a word or at its first byte; a word that may go on past the window is left to the
    // next one, which begins with it.
    for (std::size_t pos = 0; pos < size;) {
        const std::size_t width = std::min<std::size_t>(64, size - pos);
        const std::uint64_t wordBits = m_wordBytes.Members(bytes + pos, width);
        const std::uint64_t breakBits = lineBreaks.In<64>(text.data() + pos, width);
        const std::uint64_t starts = wordBits & ~(wordBits << 1);
        std::size_t done = width;
        if (pos + width < size && (wordBits >> (width - 1) & 1) != 0) {
            done = 63 - static_cast<std::size_t>(__builtin_clzll(starts));
            if (done == 0) {
                // A word longer than the window.
                std::size_t end = pos + width;
                while (end < size && m_wordBytes.Has(bytes[end])) ++end;
                if (!walk.TakeWord(pos, end - pos)) return Outcome::Declined;
                pos = end;
                continue;
            }
        }
        const std::uint64_t within =
            done == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << done) - 1;
        for (std::uint64_t events = (starts | breakBits) & within; events != 0;
             events &= events - 1) {
            const auto at = static_cast<std::size_t>(__builtin_ctzll(events));
            if ((breakBits >> at & 1) == 0) {
                // No bit left when the word fills the last window to its end.
                const std::uint64_t rest = ~(wordBits >> at);
                const std::size_t length =
                    rest == 0 ? 64 : static_cast<std::size_t>(__builtin_ctzll(rest));
                if (!walk.TakeWord(pos + at, length)) return Outcome::Declined;
                continue;
            }
            if (!walk.EndLine(pos + at)) return Outcome::Declined;
            if (walk.lineBreaks % LineBreakCounter::kLinesPerReport == 0) {
                observer.OnProgress(static_cast<int>(((pos + at + 1) * 100 + 100) / size));
                if (control.abortRequested()) return Outcome::Aborted;
            }
        }
        pos += done;
    }
    if (walk.lineMatched && !walk.LineFits(size)) return Outcome::Declined;
    walk.CloseLine();
    if (walk.replacements == 0) return Outcome::Completed;
    walk.output.Put(text.data() + walk.copied, size - walk.copied);
    walk.output.Finish();
    out.swap(m_output);
    counters.changes += static_cast<int>(walk.replacements);
    counters.match.possible += static_cast<int>(walk.replacements);
    counters.match.linesWithMatch += static_cast<int>(walk.linesWithMatch);
    return Outcome::Completed;
}

}  // namespace kesto
