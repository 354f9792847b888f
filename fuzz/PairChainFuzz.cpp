// The plain literal pairs of a batch run applied in one walk (LiteralPairChain), against the
// same pairs applied one after the other by the line-by-line scan through the line matcher.
//
// Input: a byte of switches (the line-break type of the file, whether the text is taken
// byte for byte or spelt in a small alphabet, and whether case is matched), a byte for the number
// of pairs, then each pair as a byte of lengths and one byte per character, then the text. Pair
// strings are spelt in a few letters, a blank, a high byte and NUL, so that they meet each other
// and the text often; a spelt text adds tabs, 0xFF, lone CRs and LFs, and the file's own line
// break.
//
// The chain may decline a text. When it completes, its text and counters must be those of
// the pairs one by one, and when it declines, `out` and the counters must be as they were.
// One chain is applied to the text, to the text again (its words now come from the chain's
// table) and to the second half of the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzHosts.h"
#include "literal/LiteralPairChain.h"
#include "passes/MatchScan.h"
#include "pattern/LineMatcher.h"
#include "pattern/PatternPreparation.h"
#include "text/AsciiCase.h"

namespace {

using namespace kesto;

constexpr std::size_t kLargestInput = 1 << 14;
constexpr unsigned kMostPairs = 24;
constexpr char kPairBytes[] = {'a', 'b', 'c', 'a', 'b', ' ', 'X', '\xe9', '\0'};
constexpr char kTextBytes[] = {'a',  'b',    'c',    'a',    'b',  'c',  ' ',  'X', '-',
                               '\t', '\xe9', '\xff', '\x80', '\0', '\r', '\n', 'A', 'B'};
// A spelt text byte from here on is the file's own line break.
constexpr unsigned char kFirstOwnLineBreak = 0xf0;

// The input read from the front; a byte past its end reads as 0.
class InputReader {
public:
    InputReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    unsigned char Next() { return m_at < m_size ? m_data[m_at++] : 0; }
    bool AtEnd() const { return m_at >= m_size; }
    std::string_view Rest() const {
        return {reinterpret_cast<const char*>(m_data) + m_at, m_size - m_at};
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

std::string SpeltPairString(InputReader& input, std::size_t length) {
    std::string spelt;
    for (std::size_t i = 0; i < length; ++i) {
        spelt += kPairBytes[input.Next() % sizeof kPairBytes];
    }
    return spelt;
}

std::vector<LiteralPair> ReadPairs(InputReader& input) {
    std::vector<LiteralPair> pairs;
    const unsigned count = input.Next() % kMostPairs;
    for (unsigned i = 0; i < count && !input.AtEnd(); ++i) {
        const unsigned char lengths = input.Next();
        LiteralPair pair;
        pair.search = SpeltPairString(input, 1 + lengths % 4);
        pair.replace = SpeltPairString(input, lengths / 4 % 6);
        pairs.push_back(std::move(pair));
    }
    return pairs;
}

std::string SpeltText(std::string_view bytes, LineBreakType type) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= kFirstOwnLineBreak) {
            text += LineBreakBytes(type);
        } else {
            text += kTextBytes[byte % sizeof kTextBytes];
        }
    }
    return text;
}

class ProgressIgnored : public ScanObserver {
public:
    void OnProgress(int) override {}
    void OnChangedLine(int, const std::string&, const std::string&) override {}
};

struct Applied {
    ScanResult result = ScanResult::Completed;
    std::string text;
    ScanCounters counters;
};

CompiledPatterns Compile(const LiteralPair& pair, LineBreakType type) {
    CompiledPatterns compiled;
    compiled.search = CompiledPattern::FromLiteral(pair.search);
    compiled.replace = CompiledPattern::FromLiteral(pair.replace);
    compiled.layout.lineBreakType = type;
    compiled.layout.lineBreakChar = LineBreakChar(type);
    compiled.layout.lineBreakLength = static_cast<int>(LineBreakBytes(type).size());
    return compiled;
}

// The pairs one after the other, each on what the one before made, through the line
// matcher: the way a batch run applies pairs that are not plain literals. The observer wants
// the changed lines, so no pair takes the literal scan's shortcut.
Applied OneByOne(std::string_view text, const std::vector<LiteralPair>& pairs, LineBreakType type,
                 bool matchCase) {
    RunPlan options;
    options.matchCase = matchCase;
    options.globalReplace = true;
    options.confirmEachReplace = false;
    RunControl control;
    control.StartRun(false, true);
    fuzz::SilentHosts hosts;
    LineMatcher matcher(options, control, hosts, hosts);
    ProgressIgnored observer;
    Applied applied;
    applied.text = text;
    for (const LiteralPair& pair : pairs) {
        std::string next;
        StringSink sink(next);
        ScanCounters counters;
        applied.result = ScanText(applied.text, Compile(pair, type), "fuzz.txt", options, control,
                                  matcher, sink, observer, counters);
        if (applied.result != ScanResult::Completed) return applied;
        applied.counters.changes += counters.changes;
        applied.counters.match.possible += counters.match.possible;
        applied.counters.match.linesWithMatch += counters.match.linesWithMatch;
        if (counters.match.possible > 0) applied.text.swap(next);
    }
    return applied;
}

bool SameCounters(const ScanCounters& a, const ScanCounters& b) {
    return a.changes == b.changes && a.match.possible == b.match.possible &&
           a.match.linesWithMatch == b.match.linesWithMatch;
}

void CheckChainOn(LiteralPairChain& chain, const std::vector<LiteralPair>& pairs,
                  std::string_view text, LineBreakType type, bool matchCase) {
    static const std::string kEarlier = "earlier";
    std::string out = kEarlier;
    ScanCounters counters;
    RunControl control;
    control.StartRun(false, true);
    ProgressIgnored observer;
    switch (chain.Apply(text, type, out, counters, control, observer)) {
    case LiteralPairChain::Outcome::Declined:
        if (out != kEarlier || !SameCounters(counters, ScanCounters{})) __builtin_trap();
        return;
    case LiteralPairChain::Outcome::Aborted:
        __builtin_trap();  // nothing asked for an abort
    case LiteralPairChain::Outcome::Completed:
        break;
    }
    const Applied expected = OneByOne(text, pairs, type, matchCase);
    if (expected.result != ScanResult::Completed) __builtin_trap();
    const std::string_view got = counters.match.possible > 0 ? std::string_view(out) : text;
    if (got != expected.text || !SameCounters(counters, expected.counters)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > kLargestInput) return 0;
    InputReader input(data, size);
    const unsigned char switches = input.Next();
    const auto type = static_cast<LineBreakType>(switches % 3);
    const bool spelt = (switches & 4) == 0;
    // Without Match Case the search strings are lowercase, as a run compiles them.
    const bool matchCase = (switches & 8) == 0;
    std::vector<LiteralPair> pairs = ReadPairs(input);
    if (!matchCase) {
        for (LiteralPair& pair : pairs) {
            for (char& c : pair.search) c = ToLowerAscii(c);
        }
    }
    const std::string text = spelt ? SpeltText(input.Rest(), type) : std::string(input.Rest());

    LiteralPairChain chain(
        pairs, matchCase ? LiteralPairChain::Case::Match : LiteralPairChain::Case::Ignore);
    CheckChainOn(chain, pairs, text, type, matchCase);
    CheckChainOn(chain, pairs, text, type, matchCase);
    CheckChainOn(chain, pairs, std::string_view(text).substr(text.size() / 2), type, matchCase);
    return 0;
}
