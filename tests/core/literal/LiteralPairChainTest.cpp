// The pairs of a batch run applied in one walk, against the general scan applying them one
// after the other through the line matcher.
#include "literal/LiteralPairChain.h"

#include <random>

#include "core/pattern/MatcherFixture.h"
#include "passes/MatchScan.h"

namespace kesto {
namespace {

class Observer : public ScanObserver {
public:
    explicit Observer(RunControl& control, bool abortAtFirstReport = false)
        : m_control(control), m_abort(abortAtFirstReport) {}
    void OnProgress(int) override {
        ++reports;
        if (m_abort) m_control.RequestAbort();
    }
    void OnChangedLine(int, const std::string&, const std::string&) override {}
    int reports = 0;

private:
    RunControl& m_control;
    bool m_abort;
};

struct Applied {
    ScanResult result = ScanResult::Completed;
    std::string text;
    ScanCounters counters;
};

class LiteralPairChainTest : public test::MatcherTest {
protected:
    LiteralPairChainTest() {
        options.matchCase = true;
        options.globalReplace = true;
        options.confirmEachReplace = false;
        control.StartRun(false, true);
    }

    static CompiledPatterns Compile(const LiteralPair& pair, LineBreakType type) {
        CompiledPatterns compiled;
        compiled.search = CompiledPattern::FromLiteral(pair.search);
        compiled.replace = CompiledPattern::FromLiteral(pair.replace);
        compiled.layout.lineBreakType = type;
        compiled.layout.lineBreakChar = LineBreakChar(type);
        compiled.layout.lineBreakLength = type == LineBreakType::Dos ? 2 : 1;
        return compiled;
    }

    // The pairs one after the other, each on what the one before made, through the line
    // matcher: the way a batch run applies pairs that are not plain literals.
    Applied OneByOne(const std::string& text, const std::vector<LiteralPair>& pairs,
                     LineBreakType type) {
        Applied applied;
        applied.text = text;
        Observer observer(control);
        for (const LiteralPair& pair : pairs) {
            std::string next;
            StringSink sink(next);
            ScanCounters counters;
            applied.result = ScanText(applied.text, Compile(pair, type), "f.txt", options, control,
                                      matcher, sink, observer, counters);
            if (applied.result != ScanResult::Completed) return applied;
            applied.counters.changes += counters.changes;
            applied.counters.match.possible += counters.match.possible;
            applied.counters.match.linesWithMatch += counters.match.linesWithMatch;
            if (counters.match.possible > 0) applied.text.swap(next);
        }
        return applied;
    }

    // Checks the chain against OneByOne on `text`; false when the chain declined it.
    bool AgreesOn(LiteralPairChain& chain, const std::string& text,
                  const std::vector<LiteralPair>& pairs, LineBreakType type) {
        const Applied expected = OneByOne(text, pairs, type);
        std::string out = "earlier";
        ScanCounters counters;
        Observer observer(control);
        const auto outcome = chain.Apply(text, type, out, counters, control, observer);
        if (outcome == LiteralPairChain::Outcome::Declined) {
            EXPECT_EQ(out, "earlier");
            EXPECT_EQ(counters.match.possible, 0);
            return false;
        }
        EXPECT_EQ(outcome, LiteralPairChain::Outcome::Completed);
        EXPECT_EQ(expected.result, ScanResult::Completed);
        const std::string& got = counters.match.possible > 0 ? out : text;
        EXPECT_EQ(got, expected.text) << Describe(text, pairs);
        EXPECT_EQ(counters.changes, expected.counters.changes) << Describe(text, pairs);
        EXPECT_EQ(counters.match.possible, expected.counters.match.possible);
        EXPECT_EQ(counters.match.linesWithMatch, expected.counters.match.linesWithMatch)
            << Describe(text, pairs);
        return true;
    }

    static std::string Describe(const std::string& text, const std::vector<LiteralPair>& pairs) {
        std::string description = "pairs:";
        for (const LiteralPair& pair : pairs) {
            description += " [" + pair.search + "]->[" + pair.replace + "]";
        }
        return description + " text: [" + text + "]";
    }
};

// With and without Match Case: the chain folds case as the line matcher does, and puts a
// replacement in as it is written.
class LiteralPairChainCaseTest : public LiteralPairChainTest,
                                 public ::testing::WithParamInterface<LiteralPairChain::Case> {};

std::string CaseName(const ::testing::TestParamInfo<LiteralPairChain::Case>& tested) {
    return tested.param == LiteralPairChain::Case::Match ? "MatchCase" : "AnyCase";
}

INSTANTIATE_TEST_SUITE_P(BothCases, LiteralPairChainCaseTest,
                         ::testing::Values(LiteralPairChain::Case::Match,
                                           LiteralPairChain::Case::Ignore),
                         CaseName);

TEST_P(LiteralPairChainCaseTest, AgreesWithThePairsOneByOneOnGeneratedTexts) {
    options.matchCase = GetParam() == LiteralPairChain::Case::Match;
    std::mt19937 random(23);
    const std::string alphabet = std::string("aabcabAbC  \t-X\xe9", 16) + '\0';
    const std::vector<std::pair<std::string, LineBreakType>> breaks = {
        {"\r\n", LineBreakType::Dos}, {"\n", LineBreakType::Unix}, {"\r", LineBreakType::Mac}};
    int completed = 0;
    for (int round = 0; round < 3000; ++round) {
        const auto& [lineBreak, type] = breaks[random() % breaks.size()];
        std::string text;
        const int lines = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < lines; ++i) {
            for (int k = 0, n = static_cast<int>(random() % 14); k < n; ++k) {
                text += alphabet[random() % alphabet.size()];
            }
            // Now and then another line break: a bare LF in a DOS file, a lone CR in a
            // Unix one, CR LF in a Mac one.
            const std::string& thisBreak =
                random() % 6 == 0 ? breaks[random() % breaks.size()].first : lineBreak;
            if (i + 1 < lines || random() % 2) text += thisBreak;
        }
        std::vector<LiteralPair> pairs;
        for (int i = 0, n = 1 + static_cast<int>(random() % 7); i < n; ++i) {
            LiteralPair pair;
            for (int k = 0, m = 1 + static_cast<int>(random() % 3); k < m; ++k) {
                pair.search += "abc"[random() % 3];
            }
            switch (random() % 6) {
            case 0:
                break;  // deleted
            case 1:
                pair.replace = pair.search + "X";
                break;
            case 5:
                pair.replace = "B" + pair.search + "A";  // met again by a search without case
                break;
            case 2:
                pair.replace = "c" + pair.search;  // what a later pair may find again
                break;
            default:
                for (int k = 0, m = static_cast<int>(random() % 4); k < m; ++k) {
                    pair.replace += "abX-"[random() % 4];
                }
            }
            pairs.push_back(pair);
        }
        ASSERT_TRUE(std::all_of(pairs.begin(), pairs.end(), LiteralPairChain::Admits));
        LiteralPairChain chain(pairs, GetParam());
        completed += AgreesOn(chain, text, pairs, type);
        // The same chain again: now every word comes from its table.
        completed += AgreesOn(chain, text, pairs, type);
        if (HasFailure()) break;
    }
    EXPECT_EQ(completed, 6000) << "no text of short lines and few words is declined";
}

TEST_F(LiteralPairChainTest, ManyDifferentWordsOverflowTheTableOrAreDeclined) {
    // Words of every kind, most of them met once: the table fills up and starts again,
    // and a text where few words repeat is left to the pairs one by one.
    const std::vector<LiteralPair> pairs = {{"ab", "ba"}, {"ba", "abc"}, {"c", ""}, {"aa", "b"}};
    LiteralPairChain chain(pairs);
    std::mt19937 random(3);
    std::string varied;
    std::string repeating;
    for (int line = 0; line < 1500; ++line) {
        for (int word = 0; word < 8; ++word) {
            std::string letters;
            for (int k = 0, n = 4 + static_cast<int>(random() % 12); k < n; ++k) {
                letters += "abc"[random() % 3];
            }
            varied += letters + ' ';
            repeating += (word % 2 ? "abba " : "cab ");
        }
        varied += '\n';
        repeating += '\n';
    }
    EXPECT_FALSE(AgreesOn(chain, varied, pairs, LineBreakType::Unix));
    EXPECT_TRUE(AgreesOn(chain, repeating, pairs, LineBreakType::Unix));
    // The first thousand words of the varied text are not enough to decline it, and more
    // than the table holds come with the repeating ones.
    EXPECT_TRUE(AgreesOn(chain, varied.substr(0, 9000) + repeating, pairs, LineBreakType::Unix));

    // Ten thousand different words, each among common ones: more than the table holds.
    std::string many;
    for (int word = 0; word < 10000; ++word) {
        for (int digit = 0, rest = word; digit < 9; ++digit, rest /= 3) many += "abc"[rest % 3];
        many += " cab abba cab abba\n";
    }
    EXPECT_TRUE(AgreesOn(chain, many, pairs, LineBreakType::Unix));
}

TEST_F(LiteralPairChainTest, WordsAtTheEdgesOfTheWindowsAreWholeWords) {
    // The walk looks at sixty-four bytes at a time: words that end a window, fill one, or
    // run past it, and a text that ends within a word.
    const std::vector<LiteralPair> pairs = {{"ab", "b"}, {"ba", "abc"}, {"c", "cc"}, {"aa", "b"}};
    LiteralPairChain chain(pairs);
    for (const std::size_t length : {63, 64, 65, 127, 128, 129, 200}) {
        std::string word;
        for (std::size_t i = 0; i < length; ++i) word += "abc"[i % 3];
        for (const std::string& text : {word, word + "\n", "x " + word, word + " ab\nab " + word}) {
            SCOPED_TRACE(text);
            EXPECT_TRUE(AgreesOn(chain, text, pairs, LineBreakType::Unix));
        }
    }
}

TEST_F(LiteralPairChainTest, ALineThatMightOutgrowTheLimitIsLeftToThePairsOneByOne) {
    // 3199 words of ten bytes: 31990 bytes, which the first pair makes 35189 long before
    // the second one looks at the line; applied on its own, that pair refuses it.
    std::string line;
    for (int i = 0; i < 3199; ++i) line += "abcdefghi ";
    const std::string text = "short ab\n" + line + "\nlast\n";
    const std::vector<LiteralPair> pairs = {{"ab", "abX"}, {"X", "Y"}, {"s", "t"}, {"l", "m"}};
    EXPECT_EQ(OneByOne(text, pairs, LineBreakType::Unix).result, ScanResult::LineTooLong);
    LiteralPairChain chain(pairs);
    EXPECT_FALSE(AgreesOn(chain, text, pairs, LineBreakType::Unix));

    // Within the limit at every pair, the same line is the chain's.
    const std::string shorter = "short ab\n" + line.substr(0, 28000) + "\nlast\n";
    EXPECT_TRUE(AgreesOn(chain, shorter, pairs, LineBreakType::Unix));
    // A word grown past the limit by itself.
    const std::vector<LiteralPair> doubling = {{"a", "aa"}, {"b", "c"}, {"d", "e"}, {"f", "g"}};
    LiteralPairChain growing(doubling);
    EXPECT_FALSE(AgreesOn(growing, std::string(20000, 'a') + "\n", doubling, LineBreakType::Unix));
}

TEST_F(LiteralPairChainTest, TheAbortGestureEndsTheWalkAtAProgressReport) {
    const std::vector<LiteralPair> pairs = {{"a", "b"}, {"b", "c"}, {"c", "d"}, {"d", "e"}};
    LiteralPairChain chain(pairs);
    std::string text;
    for (int i = 0; i < 700; ++i) text += "a line\n";
    std::string out = "earlier";
    ScanCounters counters;
    Observer observer(control, true);
    EXPECT_EQ(chain.Apply(text, LineBreakType::Unix, out, counters, control, observer),
              LiteralPairChain::Outcome::Aborted);
    EXPECT_EQ(observer.reports, 1);
    EXPECT_EQ(out, "earlier");
    EXPECT_EQ(counters.changes, 0);
}

TEST_F(LiteralPairChainTest, OnlyLiteralsWithinALineAreAdmitted) {
    EXPECT_TRUE(LiteralPairChain::Admits({"cat", ""}));
    EXPECT_FALSE(LiteralPairChain::Admits({"", "dog"}));
    EXPECT_FALSE(LiteralPairChain::Admits({"cat\n", "dog"}));
    EXPECT_FALSE(LiteralPairChain::Admits({"cat", "do\rg"}));
}

}  // namespace
}  // namespace kesto
