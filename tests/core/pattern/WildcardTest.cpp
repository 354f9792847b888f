#include "pattern/LineMatcher.h"

#include "core/pattern/MatcherFixture.h"

namespace kesto {
namespace {

using test::LineOutcome;
using test::MatcherTest;

class WildcardTest : public MatcherTest {
protected:
    WildcardTest() {
        values.wildcardSession = true;
        options.suppressWildcardNotice = true;
    }
};

CompiledPattern Marked(std::string_view text) {
    CompiledPattern pattern;
    MarkWildcards(text, pattern);
    return pattern;
}

TEST(MarkWildcardsTest, UnescapedWildcardsBecomeSymbolsAndEscapedOnesLiterals) {
    CompiledPattern pattern;
    EXPECT_TRUE(MarkWildcards("a?b*\\?\\*\\t", pattern));
    ASSERT_EQ(pattern.size(), 8u);
    EXPECT_EQ(pattern.symbol(1), PatternSymbol::AnyChar);
    EXPECT_EQ(pattern.symbol(3), PatternSymbol::AnyRun);
    EXPECT_TRUE(pattern.IsLiteral(4) && pattern.byte(4) == '?');
    EXPECT_TRUE(pattern.IsLiteral(5) && pattern.byte(5) == '*');
    EXPECT_EQ(pattern.text().substr(6), "\\t");  // other backslashes are kept
    EXPECT_EQ(CountCompiledWildcards(pattern).questions, 1);
    EXPECT_EQ(CountCompiledWildcards(pattern).stars, 1);

    EXPECT_FALSE(MarkWildcards("plain\\x", pattern));
    EXPECT_EQ(pattern.text(), "plain\\x");
}

struct StarRow {
    const char* pattern;
    const char* text;
    std::size_t starAt;  // position of the star in the pattern
    std::size_t textAt;  // where the star starts in the text
    bool matches;
    std::string taken;
};

TEST(MatchStarTest, StarTakesAWordOrTheShortestRunBeforeWhatFollows) {
    const StarRow rows[] = {
        {"ab*", "abcd efg", 2, 2, true, "cd"},    // ends the pattern: up to white space
        {"a* b", "abc def b", 1, 1, true, "bc"},  // followed by a blank: the same
        {"a*d", "abcd", 1, 1, true, "bc"},        // shortest run before d
        {"a*b", "a xb", 1, 1, true, " x"},        // may cross blanks
        {"a*cd", "abcxcd", 1, 1, true, "bcx"},    // c must be followed by d
        {"a*b", "a x\nb", 1, 1, false, ""},       // never crosses the line break
        {"a*b", "aab", 1, 1, true, "a"},
        {"a*?", "abc d", 1, 1, true, "bc"},  // a ? after the star counts as a blank
        {"*", "", 0, 0, true, ""},
        {"a*z", "abc", 1, 1, false, ""},
    };
    for (const StarRow& row : rows) {
        SCOPED_TRACE(row.pattern + std::string(" on ") + row.text);
        std::size_t length = 99;
        const bool matched = MatchStar(row.text, row.textAt, Marked(row.pattern), row.starAt, '\n',
                                       CaseRule::Exact, length);
        EXPECT_EQ(matched, row.matches);
        if (matched) {
            EXPECT_EQ(std::string(row.text).substr(row.textAt, length), row.taken);
        }
    }
}

struct WildcardRow {
    const char* name;
    std::string search;
    std::string replace;
    std::string line;
    std::string expected;
};

TEST_F(WildcardTest, WildcardsOfTheReplaceStringTakeWhatTheirPartnersMatched) {
    const WildcardRow rows[] = {
        {"star into star", "*.txt", "*.bak", "read.txt", "read.bak"},
        {"every word of the line", "*.txt", "*.bak", "a.txt b.txt", "a.bak b.bak"},
        {"question marks in order", "a?c?e", "?-?", "xabcde", "xb-d"},
        {"surplus stars repeat the last star", "*.txt", "*.*.old", "f.txt", "f.f.old"},
        {"wildcards in search only", "b?d", "X", "abcde", "aXe"},
        {"the whole match goes, stars not captured", "a*c?", "X?", "abbcd", "Xd"},
        {"pairing picks the ? in the same surroundings", "x?y?z", "?z", "x1y2z", "2z"},
        {"pairing picks the * in the same surroundings", "<*>=*;", "=*;", "<a>=b;", "=b;"},
        {"bytes 198 and 199 are literal", "\xC7\x85?", "?\xC6", "a\xC7\x85z", "az\xC6"},
    };
    for (const WildcardRow& row : rows) {
        SCOPED_TRACE(row.name);
        const LineOutcome outcome = Run(row.search, row.replace, row.line);
        ASSERT_TRUE(outcome.found);
        EXPECT_EQ(outcome.line, row.expected);
    }
}

TEST_F(WildcardTest, CapturesKeepTheCaseOfTheTextWithoutMatchCase) {
    values.matchCase = false;
    const LineOutcome outcome = Run("*.txt", "*.bak", "README.TXT Notes.Txt");
    EXPECT_EQ(outcome.line, "README.bak Notes.bak");
    EXPECT_EQ(outcome.changes, 2);
}

TEST_F(WildcardTest, PairingFailsWhenNoSearchWildcardStandsInTheSameSurroundings) {
    values.searchText = "a?b?c";
    values.replaceText = "x?y";
    ASSERT_TRUE(ValidateBeforeRun(values, options, prompter).check.accepted);
    const CompiledPatterns compiled = CompilePatterns(options, LineBreakType::Unix);
    EXPECT_FALSE(matcher.captures().PairWildcards(compiled.search, compiled.replace, true));

    // Surroundings compare without case when Match Case is off (the search is lowercased).
    values.searchText = "A?B?C";
    values.replaceText = "B?C";
    ASSERT_TRUE(ValidateBeforeRun(values, options, prompter).check.accepted);
    const CompiledPatterns folded = CompilePatterns(options, LineBreakType::Unix);
    EXPECT_TRUE(matcher.captures().PairWildcards(folded.search, folded.replace, false));
}

TEST_F(WildcardTest, AnEleventhStarCaptureStopsTheRun) {
    const std::string tenStars = "*a*b*c*d*e*f*g*h*i*j";
    LineOutcome outcome = Run(tenStars, "*j", "1a2b3c4d5e6f7g8h9i0j");
    ASSERT_TRUE(outcome.found);
    EXPECT_EQ(outcome.line, "0j");  // the star before j is the partner
    EXPECT_TRUE(prompter.messages.empty());

    MatchSpan match;
    values.searchText = tenStars + "*";
    values.replaceText = "*";
    ASSERT_TRUE(ValidateBeforeRun(values, options, prompter).check.accepted);
    patterns = CompilePatterns(options, LineBreakType::Unix);
    const std::string line = "1a2b3c4d5e6f7g8h9i0jX";
    EXPECT_EQ(matcher.FindNext(line, 0, patterns, match), MatchResult::MustStop);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0],
              "Too many wild card matches in replace string\n**  Must Stop  **");
    EXPECT_TRUE(control.stopRequested());
    EXPECT_TRUE(matcher.captureFailed());
}

TEST_F(WildcardTest, ManyQuestionMarksNeverOverrunTheCaptureStore) {
    const std::string search(300, '?');
    const std::string line(400, 'x');
    const LineOutcome outcome = Run(search, search, line);
    ASSERT_TRUE(outcome.found);
    EXPECT_EQ(outcome.line, line);  // every ? carries its own character back
    EXPECT_EQ(outcome.changes, 1);  // the last 100 characters are too few for a second match
}

TEST_F(WildcardTest, AnEmptyStarMatchIsNotFoundTwiceInOnePlace) {
    const LineOutcome outcome = Run("*", "", "ab cd");
    ASSERT_TRUE(outcome.found);
    EXPECT_EQ(outcome.line, " ");
}

TEST_F(WildcardTest, TextInsertedAtAnEmptyStarMatchIsNotMatchedForever) {
    const LineOutcome outcome = Run("*", "x", "a  b");
    ASSERT_TRUE(outcome.found);
    EXPECT_EQ(outcome.line, "xx x x");
}

}  // namespace
}  // namespace kesto

namespace kesto {
namespace {

// Every start position of a long line used to search the rest of the line again for what
// follows the star: a line of a million characters never finished.
TEST_F(WildcardTest, ALongLineWithoutTheTextAfterAStarIsSearchedOnce) {
    const std::string line(1 << 20, 'a');
    EXPECT_FALSE(Run("a*z", "x", line).found);
    EXPECT_FALSE(Run("a* z", "x", line).found);
    EXPECT_FALSE(Run("?*zz", "x", line + "z").found);
}

}  // namespace
}  // namespace kesto
