#include "engine/LiteralPairChain.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/LineBreakCounter.h"
#include "engine/TextFile.h"

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

int BitCount(std::uint64_t bits) {
    return LineBreakCounter::BitCount(static_cast<std::uint32_t>(bits)) +
           LineBreakCounter::BitCount(static_cast<std::uint32_t>(bits >> 32));
}

bool Includes(const std::array<std::uint64_t, 4>& set, const std::array<std::uint64_t, 4>& part) {
    return ((part[0] & ~set[0]) | (part[1] & ~set[1]) | (part[2] & ~set[2]) |
            (part[3] & ~set[3])) == 0;
}

// The output of a walk: grown by doubling, cut to size at the end. A short piece is
// copied sixteen bytes at once, so there is always room for sixteen more.
class Output {
public:
    static constexpr std::size_t kShort = 16;

    explicit Output(std::string& target, std::size_t expected) : m_target(target) {
        m_target.resize(std::max(expected, std::size_t{64}) + kShort);
    }
    void Put(const char* bytes, std::size_t size) {
        MakeRoom(size);
        std::memcpy(m_target.data() + m_used, bytes, size);
        m_used += size;
    }
    // `size` bytes from `bytes`, of which kShort can be read.
    void PutReadable(const char* bytes, std::size_t size) {
        if (size > kShort) return Put(bytes, size);
        MakeRoom(size);
        std::memcpy(m_target.data() + m_used, bytes, kShort);
        m_used += size;
    }
    void Finish() { m_target.resize(m_used); }

private:
    void MakeRoom(std::size_t size) {
        if (m_used + size + kShort > m_target.size()) {
            m_target.resize(std::max(m_target.size() * 2, m_used + size + kShort));
        }
    }

    std::string& m_target;
    std::size_t m_used = 0;
};

// The unchanged bytes [from, to) of `text`.
inline void PutStretch(Output& output, std::string_view text, std::size_t from, std::size_t to) {
    if (from + Output::kShort <= text.size()) {
        output.PutReadable(text.data() + from, to - from);
    } else {
        output.Put(text.data() + from, to - from);
    }
}

// The runs of word bytes and of other bytes in a text, found sixty-four bytes at a time:
// the bytes of a window are classed once, and each run is read off its bits.
class ByteRuns {
public:
    ByteRuns(std::string_view text, const ByteClass& wordBytes)
        : m_bytes(reinterpret_cast<const unsigned char*>(text.data())),
          m_size(text.size()),
          m_wordBytes(wordBytes) {}

    // The length of the run from `at` of word bytes (`word` true) or of other bytes.
    std::size_t From(std::size_t at, bool word) {
        std::size_t length = 0;
        while (at < m_size) {
            if (at < m_windowStart || at >= m_windowEnd) Classify(at);
            const std::size_t valid = m_windowEnd - at;
            const std::uint64_t bits = m_window >> (at - m_windowStart);
            const std::uint64_t stops = word ? ~bits : bits;
            const std::size_t run =
                stops == 0 ? 64 : static_cast<std::size_t>(__builtin_ctzll(stops));
            if (run < valid) return length + run;
            length += valid;
            at += valid;
        }
        return length;
    }

private:
    void Classify(std::size_t at) {
        m_windowStart = at;
        m_windowEnd = std::min(at + 64, m_size);
        m_window = m_wordBytes.Members(m_bytes + at, m_windowEnd - at);
    }

    const unsigned char* m_bytes;
    std::size_t m_size;
    const ByteClass& m_wordBytes;
    std::size_t m_windowStart = 0;
    std::size_t m_windowEnd = 0;
    std::uint64_t m_window = 0;  // bit i: the byte at m_windowStart + i is a word byte
};

}  // namespace

std::array<bool, 256> LiteralPairChain::WordBytesOf(const std::vector<LiteralPair>& pairs) {
    std::array<bool, 256> members{};
    for (const LiteralPair& pair : pairs) {
        for (const char c : pair.search + pair.replace) {
            members[static_cast<unsigned char>(c)] = true;
        }
    }
    return members;
}

LiteralPairChain::LiteralPairChain(std::vector<LiteralPair> pairs)
    : m_wordBytes(WordBytesOf(pairs)) {
    m_pairs.reserve(pairs.size());
    for (LiteralPair& given : pairs) {
        Pair pair;
        pair.searchBytes = BytesOf(given.search);
        pair.replaceBytes = BytesOf(given.replace);
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

bool LiteralPairChain::ApplyPairToWord(const Pair& pair, std::uint32_t& replaced) {
    std::size_t at = m_word.find(pair.search);
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
        at = m_word.find(pair.search, from);
    } while (at != std::string::npos);
    m_scratch.append(m_word, from, std::string::npos);
    return true;
}

bool LiteralPairChain::Transform(std::string_view word) {
    m_word.assign(word);
    m_wordReplacements = 0;
    m_wordGrowth = 0;
    std::fill(m_wordPairs.begin(), m_wordPairs.end(), 0);
    // The bytes the word may hold by now: a pair needing another cannot match.
    ByteSet present = BytesOf(word);
    for (std::uint32_t index = 0; index < m_pairs.size(); ++index) {
        const Pair& pair = m_pairs[index];
        if (!Includes(present, pair.searchBytes)) continue;
        std::uint32_t replaced = 0;
        if (!ApplyPairToWord(pair, replaced)) continue;
        if (m_scratch.size() > m_word.size()) m_wordGrowth += m_scratch.size() - m_word.size();
        m_word.swap(m_scratch);
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
    bool TakeWord(std::size_t pos, std::size_t length);
    // The line break at `pos`; false when the chain must decline the text.
    bool EndLine(std::size_t pos);
    void CloseLine() {
        if (!lineMatched) return;
        for (std::size_t i = 0; i < pairWords; ++i) {
            linesWithMatch += static_cast<std::uint64_t>(BitCount(linePairs[i]));
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

bool LiteralPairChain::Walk::TakeWord(std::size_t pos, std::size_t length) {
    const std::string_view word(bytes + pos, length);
    ++words;
    const bool remembered = length <= WordTable::kLongestWord;
    WordTable::Key key{};
    const WordResult* known = nullptr;
    if (remembered) {
        key = WordTable::MakeKey(word.data(), length, pos + WordTable::kLongestWord <= size);
        known = chain.m_table.Find(key);
    }
    WordResult missed;
    if (!known) {
        ++misses;
        if (misses > kTrialMisses && misses * kMissShareDenominator > words) return false;
        if (!chain.Transform(word)) return false;
        missed.text = chain.m_word;
        missed.replacements = chain.m_wordReplacements;
        missed.growthBound = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(chain.m_wordGrowth, std::numeric_limits<std::uint32_t>::max()));
        missed.matchedPairs = chain.m_wordPairs.data();
        missed.matched = chain.m_wordReplacements > 0;
    }
    const WordResult& found = known ? *known : missed;
    if (found.matched) {
        PutStretch(output, text, copied, pos);
        if (known) {
            output.PutReadable(found.text.data(), found.text.size());
        } else {
            output.Put(found.text.data(), found.text.size());
        }
        copied = pos + length;
        replacements += found.replacements;
        lineGrowth += found.growthBound;
        lineMatched = true;
        for (std::size_t i = 0; i < pairWords; ++i) linePairs[i] |= found.matchedPairs[i];
    }
    if (!known && remembered) {
        chain.m_table.Add(key, missed.text, missed.replacements, missed.growthBound,
                          chain.m_wordPairs);
    }
    return true;
}

bool LiteralPairChain::Walk::EndLine(std::size_t pos) {
    if (lineMatched) {
        if (!LineFits(pos)) return false;
        // A rewritten line ends with the file's own line break: a bare LF in a DOS file
        // becomes CR LF.
        if (dos && (pos == lineStart || bytes[pos - 1] != '\r')) {
            PutStretch(output, text, copied, pos);
            output.Put("\r", 1);
            copied = pos;
        }
    }
    CloseLine();
    lineStart = pos + 1;
    ++lineBreaks;
    return true;
}

LiteralPairChain::Outcome LiteralPairChain::Apply(std::string_view text, LineBreakType type,
                                                  std::string& out, ScanCounters& counters,
                                                  const SessionOptions& options,
                                                  ScanObserver& observer) {
    // The walk writes into a buffer of its own, so that `out` stays as it was unless the
    // walk completes; the two then trade places and keep their room for the next text.
    Walk walk(*this, text, type, m_output);
    ByteRuns runs(text, m_wordBytes);
    const std::size_t size = text.size();
    std::size_t pos = 0;
    while (pos < size) {
        const std::size_t length = runs.From(pos, true);
        if (length > 0) {
            if (!walk.TakeWord(pos, length)) return Outcome::Declined;
            pos += length;
        }
        const std::size_t end = pos + runs.From(pos, false);
        for (; pos < end; ++pos) {
            if (text[pos] != walk.lineBreak) continue;
            if (!walk.EndLine(pos)) return Outcome::Declined;
            if (walk.lineBreaks % LineBreakCounter::kLinesPerReport == 0) {
                observer.OnProgress(static_cast<int>(((pos + 1) * 100 + 100) / size));
                if (options.abortRequested) return Outcome::Aborted;
            }
        }
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
