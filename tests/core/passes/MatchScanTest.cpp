// The scan's shortcut for a literal replaced everywhere (taken when nobody needs the
// changed lines, as in a batch run) against the general scan, line by line through the
// matcher, on generated texts.
#include "passes/MatchScan.h"

#include "literal/LiteralFinder.h"
#include "text/AsciiCase.h"

#include <random>

#include "core/pattern/MatcherFixture.h"

namespace kesto {
namespace {

class CountingObserver : public ScanObserver {
public:
    explicit CountingObserver(bool wantsLines) : m_wantsLines(wantsLines) {}
    void OnProgress(int) override { ++reports; }
    void OnChangedLine(int, const std::string&, const std::string&) override {}
    bool WantsChangedLines() const override { return m_wantsLines; }
    int reports = 0;

private:
    bool m_wantsLines;
};

struct ScanOutcome {
    ScanResult result;
    std::string output;
    ScanCounters counters;
    int reports;
};

class MatchScanTest : public test::MatcherTest {
protected:
    ScanOutcome Scan(const std::string& text, bool wantsLines) {
        ScanOutcome outcome{};
        StringSink sink(outcome.output);
        CountingObserver observer(wantsLines);
        outcome.result = ScanText(text, patterns, "g.txt", options, control, matcher, sink,
                                  observer, outcome.counters);
        outcome.reports = observer.reports;
        return outcome;
    }
};

TEST_F(MatchScanTest, TheLiteralShortcutAgreesWithTheLineMatcherOnGeneratedTexts) {
    std::mt19937 random(11);
    const std::string alphabet = "aab b\tAx";
    const std::vector<std::pair<std::string, LineBreakType>> breaks = {
        {"\r\n", LineBreakType::Dos}, {"\n", LineBreakType::Unix}, {"\r", LineBreakType::Mac}};
    for (int round = 0; round < 2000; ++round) {
        const auto& [lineBreak, type] = breaks[random() % breaks.size()];
        std::string text;
        const int lines = 1 + static_cast<int>(random() % 700);
        for (int i = 0; i < lines; ++i) {
            const int length = static_cast<int>(random() % 12);
            for (int k = 0; k < length; ++k) text += alphabet[random() % alphabet.size()];
            // Now and then another kind of line break: a bare LF in a DOS file, CR LF
            // in a Unix one.
            const std::string& thisBreak =
                random() % 8 == 0 ? breaks[random() % breaks.size()].first : lineBreak;
            if (i + 1 < lines || random() % 2) text += thisBreak;
        }
        std::string search;
        for (int k = 0, n = 1 + static_cast<int>(random() % 3); k < n; ++k) {
            search += alphabet[random() % 4];
        }
        const std::string replace = random() % 3 == 0 ? "" : search + "X";
        values.matchCase = true;
        values.matchWholeWord = random() % 4 == 0;
        values.searchText = search;
        values.replaceText = replace;
        ASSERT_TRUE(ValidateBeforeRun(values, options, prompter).check.accepted);
        control.StartRun(options.confirmEachReplace, options.globalReplace);
        patterns = CompilePatterns(options, type);

        const ScanOutcome general = Scan(text, true);
        const ScanOutcome shortcut = Scan(text, false);
        ASSERT_EQ(shortcut.result, general.result);
        ASSERT_EQ(shortcut.output, general.output)
            << "[" << search << "] -> [" << replace << "] in [" << text << "]";
        ASSERT_EQ(shortcut.counters.changes, general.counters.changes);
        ASSERT_EQ(shortcut.counters.match.possible, general.counters.match.possible);
        ASSERT_EQ(shortcut.counters.match.linesWithMatch, general.counters.match.linesWithMatch);
        ASSERT_EQ(shortcut.reports, general.reports) << "progress at the same lines";
    }
}

// The first place at or after `from` where `needle` ends at or before `end`, byte by byte.
std::size_t FindByteByByte(std::string_view text, std::string_view needle, std::size_t from,
                           std::size_t end, bool matchCase) {
    for (std::size_t at = from; at + needle.size() <= end && !needle.empty(); ++at) {
        std::size_t i = 0;
        while (i < needle.size() && ByteMatches(text[at + i], needle[i], matchCase)) ++i;
        if (i == needle.size()) return at;
    }
    return LiteralFinder::kNone;
}

TEST(LiteralFinderTest, FindsWhatASearchByteByByteFindsWithinTheRange) {
    std::mt19937 random(5);
    const std::string alphabet = "ab.A \nB";
    for (int round = 0; round < 40000; ++round) {
        // Without Match Case the needle is lowercase, as a run prepares it.
        const bool matchCase = round % 2 == 0;
        // Long texts and needles too, so that whole blocks of starts are tested at once
        // and the ends of the range fall inside a block.
        const bool longer = round % 8 < 2;
        std::string text;
        for (int k = 0, n = static_cast<int>(random() % (longer ? 300 : 40)); k < n; ++k) {
            text += alphabet[random() % alphabet.size()];
        }
        std::string needle;
        for (int k = 0, n = 1 + static_cast<int>(random() % (longer ? 40 : 4)); k < n; ++k) {
            needle += alphabet[random() % alphabet.size()];
        }
        if (longer && round % 16 < 2 && !text.empty()) {
            const std::size_t at = random() % text.size();
            needle = text.substr(at, 1 + random() % 40);
        }
        if (!matchCase) {
            for (char& c : needle) c = ToLowerAscii(c);
        }
        const LiteralFinder finder(needle, matchCase);
        const std::size_t from = text.empty() ? 0 : random() % (text.size() + 1);
        const std::size_t end = from + random() % (text.size() - from + 1);
        ASSERT_EQ(finder.Find(text, from, end), FindByteByByte(text, needle, from, end, matchCase))
            << "[" << needle << "] in [" << text << "] from " << from << " to " << end
            << (matchCase ? "" : " in any case");

        // One scan from match to match finds what a fresh search from each point finds.
        LiteralScan scan(finder, text);
        for (std::size_t at = from;;) {
            const std::size_t next = scan.Next(at);
            ASSERT_EQ(next, FindByteByByte(text, needle, at, text.size(), matchCase))
                << "[" << needle << "] in [" << text << "] from " << at;
            if (next == LiteralFinder::kNone) break;
            at = next + 1 + random() % needle.size();
        }
    }
    EXPECT_EQ(LiteralFinder("").Find("abc", 0, 3), LiteralFinder::kNone);
    EXPECT_EQ(LiteralFinder("", false).Find("abc", 0, 3), LiteralFinder::kNone);
}

TEST_F(MatchScanTest, TheShortcutStillRefusesALineOverTheLimit) {
    values.matchCase = true;
    values.searchText = "a";
    values.replaceText = "b";
    ASSERT_TRUE(ValidateBeforeRun(values, options, prompter).check.accepted);
    control.StartRun(options.confirmEachReplace, options.globalReplace);
    patterns = CompilePatterns(options, LineBreakType::Unix);
    const std::string text = "x\n" + std::string(32001, 'a') + "\n";
    EXPECT_EQ(Scan(text, false).result, ScanResult::LineTooLong);
    EXPECT_EQ(Scan(text, true).result, ScanResult::LineTooLong);
}

}  // namespace
}  // namespace kesto
