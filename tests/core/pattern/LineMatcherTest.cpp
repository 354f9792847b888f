#include "pattern/LineMatcher.h"

#include "core/pattern/MatcherFixture.h"
#include "text/AsciiCase.h"
#include "text/LineDisplay.h"

#include <random>

namespace kesto {
namespace {

using test::LineOutcome;
using test::MatcherTest;

struct LiteralRow {
    const char* name;
    std::string search;
    std::string replace;
    std::string line;
    bool matchCase;
    bool firstOnly;
    std::string expected;
    int changes;
};

TEST_F(MatcherTest, LiteralReplacementsFollowCaseAndInstanceSwitches) {
    const LiteralRow rows[] = {
        {"overlapping start", "aab", "X", "aaab", true, false, "aX", 1},
        {"second match in the line", "aab", "X", "aab aaab", true, false, "X aX", 2},
        {"growing replacement resumes after it", "a", "aa", "aaa", true, false, "aaaaaa", 3},
        {"shrinking replacement", "ab", "", "xababy", true, false, "xy", 2},
        {"first instance only", "a", "b", "aaa", true, true, "baa", 1},
        {"match at the very end", "end", "END", "end and end", true, false, "END and END", 2},
        {"case folds without Match Case", "abc", "x", "ABC aBc abc", false, false, "x x x", 3},
        {"case is kept with Match Case", "abc", "x", "ABC aBc abc", true, false, "ABC aBc x", 1},
        {"only ASCII letters fold", "\xE4x", "y", "\xC4X \xE4X", false, false, "\xC4X y", 1},
        {"NUL bytes are ordinary", std::string("a\0b", 3), "-", std::string("xa\0by", 5), true,
         false, "x-y", 1},
    };
    for (const LiteralRow& row : rows) {
        SCOPED_TRACE(row.name);
        values.matchCase = row.matchCase;
        values.firstInstanceOnly = row.firstOnly;
        values.allInstancesInLine = !row.firstOnly;
        const LineOutcome outcome = Run(row.search, row.replace, row.line);
        ASSERT_TRUE(outcome.found);
        EXPECT_EQ(outcome.line, row.expected);
        EXPECT_EQ(outcome.changes, row.changes);
        EXPECT_EQ(outcome.counters.possible, row.changes);
        EXPECT_EQ(outcome.counters.linesWithMatch, 1);
    }
}

TEST_F(MatcherTest, WholeWordKeepsTheBoundingBlanksAndFindsOnlyBlankBoundedWords) {
    values.matchWholeWord = true;
    LineOutcome outcome = Run("word", "new", "a word b");
    ASSERT_TRUE(outcome.found);
    EXPECT_EQ(outcome.line, "a new b");

    outcome = Run("word", "new", "a words word swords b");
    EXPECT_EQ(outcome.line, "a words new swords b");
    EXPECT_EQ(outcome.changes, 1);

    // At the very start or end of a line, or next to a tab or punctuation, a word is not found.
    for (const char* line : {"word b", "a word", "a\tword b", "a word, b", "(word)"}) {
        EXPECT_FALSE(Run("word", "new", line).found) << line;
    }
}

TEST_F(MatcherTest, AnchoredPatternIsReplacedOncePerLineAtItsStart) {
    values.specialCharSession = true;
    LineOutcome outcome = Run("^a", "X", "aaa");
    ASSERT_TRUE(outcome.found);
    EXPECT_EQ(outcome.line, "Xaa");
    EXPECT_EQ(outcome.changes, 1);
    EXPECT_FALSE(Run("^a", "X", "baa").found);

    // In a text of several lines the anchor finds line starts only.
    patterns.layout.anchorLineStart = true;
    MatchSpan match;
    const std::string text = "ba\nab\n";
    ASSERT_EQ(matcher.FindNext(text, 0, patterns, match), MatchResult::Match);
    EXPECT_EQ(match.start, 3u);
    EXPECT_EQ(matcher.FindNext(text, 4, patterns, match), MatchResult::NoMatch);
}

TEST_F(MatcherTest, LineEndPatternMatchesTheFilesOwnLineBreak) {
    values.specialCharSession = true;
    LineOutcome outcome = Run("abc$", "X$", "abc\r\nabc", LineBreakType::Dos);
    ASSERT_TRUE(outcome.found);
    EXPECT_EQ(outcome.line, "X\r\nabc");
    EXPECT_TRUE(patterns.layout.spansLines);

    outcome = Run("a\\$", "b", "a$ a$");
    EXPECT_EQ(outcome.line, "b b");
}

TEST_F(MatcherTest, ConfirmQuestionShowsTheLineWithTabsExpandedAndTheMatchMarked) {
    values.confirmEachReplace = true;
    values.globalReplace = false;
    options.expandTabSpaces = 4;
    confirmer.Then(ConfirmChoice::ReplaceIt);
    LineOutcome outcome = Run("x\ty", "z", "\tab\tx\ty");
    ASSERT_EQ(confirmer.seen.size(), 1u);
    const auto& seen = confirmer.seen[0];
    EXPECT_EQ(seen.fileName, "dir/file.txt");
    EXPECT_EQ(seen.lineNumber, "00007");
    EXPECT_EQ(seen.displayedLine, "    ab    x    y");
    EXPECT_EQ(seen.highlightStart, 10);
    EXPECT_EQ(seen.highlightEnd, 16);
    EXPECT_EQ(seen.line, "\tab\tx\ty");
    EXPECT_EQ(control.highlightStart(), 10);
    EXPECT_EQ(outcome.line, "\tab\tz");

    // With a control escape in the search, tabs are shown as they are.
    values.specialCharSession = true;
    confirmer.Then(ConfirmChoice::SkipIt);
    Run("x\\ty", "z", "\tab\tx\ty");
    ASSERT_EQ(confirmer.seen.size(), 2u);
    EXPECT_EQ(confirmer.seen[1].displayedLine, "\tab\tx\ty");
    EXPECT_EQ(confirmer.seen[1].highlightStart, 4);
    EXPECT_EQ(confirmer.seen[1].highlightEnd, 7);
}

TEST_F(MatcherTest, ConfirmQuestionShowsTheLineAsReplaceItWouldWriteIt) {
    values.confirmEachReplace = true;
    values.globalReplace = false;
    options.expandTabSpaces = 4;
    confirmer.Then(ConfirmChoice::ReplaceIt);
    confirmer.Then(ConfirmChoice::SkipIt);
    // Tabs are expanded as in the line as it is.
    EXPECT_EQ(Run("cat", "lion", "a cat\tcat").line, "a lion\tcat");
    ASSERT_EQ(confirmer.seen.size(), 2u);
    EXPECT_EQ(confirmer.seen[0].replacedDisplayedLine, "a lion    cat");
    EXPECT_EQ(confirmer.seen[0].replacementStart, 2);
    EXPECT_EQ(confirmer.seen[0].replacementEnd, 6);
    // The second question shows the first replacement made and the second to come.
    EXPECT_EQ(confirmer.seen[1].displayedLine, "a lion    cat");
    EXPECT_EQ(confirmer.seen[1].replacedDisplayedLine, "a lion    lion");
    EXPECT_EQ(confirmer.seen[1].replacementStart, 10);
    EXPECT_EQ(confirmer.seen[1].replacementEnd, 14);

    // The replacement takes the case shape of the match.
    confirmer.seen.clear();
    values.preserveCase = true;
    confirmer.Then(ConfirmChoice::ReplaceIt);
    EXPECT_EQ(Run("cat", "lion", "A CAT").line, "A LION");
    ASSERT_EQ(confirmer.seen.size(), 1u);
    EXPECT_EQ(confirmer.seen[0].replacedDisplayedLine, "A LION");
    EXPECT_EQ(confirmer.seen[0].replacementStart, 2);
    EXPECT_EQ(confirmer.seen[0].replacementEnd, 6);
}

TEST_F(MatcherTest, ConfirmQuestionShowsWhatTheWildcardsOfTheReplacementTake) {
    values.wildcardSession = true;
    options.suppressWildcardNotice = true;
    values.confirmEachReplace = true;
    values.globalReplace = false;
    confirmer.Then(ConfirmChoice::ReplaceIt);
    EXPECT_EQ(Run("c?t", "<?>", "a cot b").line, "a <o> b");
    ASSERT_EQ(confirmer.seen.size(), 1u);
    EXPECT_EQ(confirmer.seen[0].replacedDisplayedLine, "a <o> b");
    EXPECT_EQ(confirmer.seen[0].replacementStart, 2);
    EXPECT_EQ(confirmer.seen[0].replacementEnd, 5);
}

TEST(LineDisplayTest, LineNumbersAreZeroFilledToFiveDigitsAndGrowWider) {
    EXPECT_EQ(FormatLineNumber(7), "00007");
    EXPECT_EQ(FormatLineNumber(99999), "99999");
    EXPECT_EQ(FormatLineNumber(123456), "123456");
}

// What each button of the confirm question does to one line with three matches.
struct ConfirmRow {
    const char* name;
    std::vector<ConfirmAnswer> answers;
    std::string expectedLine;
    int changes;
    int possible;
    std::size_t questions;
};

class ConfirmFlagsTest : public MatcherTest {
protected:
    ConfirmFlagsTest() {
        values.confirmEachReplace = true;
        values.globalReplace = false;
    }
};

TEST_F(ConfirmFlagsTest, EachAnswerDecidesThisMatchAndTheRestOfTheLine) {
    using C = ConfirmChoice;
    const ConfirmRow rows[] = {
        {"replace, skip, replace",
         {{C::ReplaceIt, {}}, {C::SkipIt, {}}, {C::ReplaceIt, {}}},
         "dog cat dog",
         2,
         3,
         3},
        {"replace all this file asks once", {{C::ReplaceAllThisFile, {}}}, "dog dog dog", 3, 3, 1},
        {"global replace asks once", {{C::GlobalReplace, {}}}, "dog dog dog", 3, 3, 1},
        {"skip rest of file counts the match but leaves it",
         {{C::SkipRestOfFile, {}}},
         "cat cat cat",
         0,
         1,
         1},
        {"stop now leaves the match",
         {{C::ReplaceIt, {}}, {C::StopNow, {}}},
         "dog cat cat",
         1,
         2,
         2},
        {"abort returns no change", {{C::ReplaceIt, {}}, {C::Abort, {}}}, "", 0, 2, 2},
    };
    for (const ConfirmRow& row : rows) {
        SCOPED_TRACE(row.name);
        options = RunPlan();
        control = RunControl();
        confirmer.seen.clear();
        confirmer.script.assign(row.answers.begin(), row.answers.end());
        const LineOutcome outcome = Run("cat", "dog", "cat cat cat");
        if (!row.expectedLine.empty()) {
            EXPECT_EQ(outcome.line, row.expectedLine);
        }
        EXPECT_EQ(outcome.changes, row.changes);
        EXPECT_EQ(outcome.counters.possible, row.possible);
        EXPECT_EQ(confirmer.seen.size(), row.questions);
    }
}

TEST_F(ConfirmFlagsTest, AnswersSetTheRunControlFlags) {
    confirmer.Then(ConfirmChoice::ReplaceAllThisFile);
    Run("cat", "dog", "cat");
    EXPECT_TRUE(control.replaceAllThisFile());
    EXPECT_FALSE(control.confirmEachReplace());

    options = RunPlan();

    control = RunControl();
    confirmer.Then(ConfirmChoice::GlobalReplace);
    Run("cat", "dog", "cat");
    EXPECT_TRUE(control.globalReplace());
    EXPECT_FALSE(control.confirmEachReplace());

    options = RunPlan();

    control = RunControl();
    confirmer.Then(ConfirmChoice::ReplaceIt);
    confirmer.Then(ConfirmChoice::StopNow);
    Run("cat", "dog", "cat cat");
    EXPECT_TRUE(control.stopRequested());
    EXPECT_FALSE(control.confirmEachReplace());
    EXPECT_FALSE(control.globalReplace());
    EXPECT_FALSE(control.replaceThisOne());

    options = RunPlan();

    control = RunControl();
    confirmer.Then(ConfirmChoice::SkipRestOfFile);
    Run("cat", "dog", "cat");
    EXPECT_TRUE(control.skipRestOfFile());

    options = RunPlan();

    control = RunControl();
    confirmer.Then(ConfirmChoice::Abort);
    EXPECT_EQ(Run("cat", "dog", "cat cat").changes, 0);
    EXPECT_TRUE(control.abortRequested());
}

TEST_F(ConfirmFlagsTest, AnEditedLineIsTakenAndTheScanGoesOnWhereItsTailIsUnchanged) {
    // The user keeps the matched word and types another in front of the rest: the scan
    // goes on in the unchanged tail, not at the word the user left in place.
    confirmer.ThenEdit("cat dog cat\tcat");
    confirmer.Then(ConfirmChoice::SkipIt);
    confirmer.Then(ConfirmChoice::ReplaceIt);
    LineOutcome outcome = Run("cat", "dog", "cat cat\tcat");
    EXPECT_EQ(outcome.line, "cat dog cat\tdog");
    EXPECT_EQ(outcome.changes, 2);
    EXPECT_EQ(outcome.counters.possible, 3);
    ASSERT_EQ(confirmer.seen.size(), 3u);
    EXPECT_EQ(confirmer.seen[1].line, "cat dog cat\tcat");  // the edit is searched on
    EXPECT_EQ(confirmer.seen[1].highlightStart, 8);
    EXPECT_FALSE(control.userEditedLine());

    // An edit that changes nothing still counts, and the scan goes on after the match.
    options = RunPlan();
    control = RunControl();
    confirmer.seen.clear();
    confirmer.ThenEdit("cat cat");
    confirmer.Then(ConfirmChoice::SkipIt);
    outcome = Run("cat", "dog", "cat cat");
    EXPECT_EQ(outcome.line, "cat cat");
    EXPECT_EQ(outcome.changes, 1);
    EXPECT_EQ(confirmer.seen.size(), 2u);
    EXPECT_EQ(confirmer.seen[1].highlightStart, 4);
}

}  // namespace
}  // namespace kesto

namespace kesto {
namespace {

// A deliberately plain replacement: compare at every offset, left to right, never looking
// at replaced text again.
std::string ReferenceReplace(std::string_view line, std::string_view search,
                             std::string_view replace, bool matchCase, bool firstOnly) {
    const auto same = [&](std::size_t at) {
        for (std::size_t k = 0; k < search.size(); ++k) {
            char a = line[at + k];
            char b = search[k];
            if (!matchCase) {
                a = ToLowerAscii(a);
                b = ToLowerAscii(b);
            }
            if (a != b) return false;
        }
        return true;
    };
    std::string out;
    std::size_t at = 0;
    while (at < line.size()) {
        if (at + search.size() <= line.size() && same(at)) {
            out += replace;
            at += search.size();
            if (firstOnly) break;
        } else {
            out += line[at++];
        }
    }
    out += line.substr(at);
    return out;
}

TEST_F(MatcherTest, LiteralReplacementAgreesWithAPlainReferenceOnRandomLines) {
    std::mt19937 random(20261207);
    const std::string alphabet = "aAbB \t.";
    const auto pick = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
        return text;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string line = pick(random() % 40);
        const std::string search = pick(1 + random() % 3);
        const std::string replace = pick(random() % 4);
        values.matchCase = random() % 2 == 0;
        values.firstInstanceOnly = random() % 3 == 0;
        values.allInstancesInLine = !values.firstInstanceOnly;
        const std::string expected =
            ReferenceReplace(line, search, replace, values.matchCase, values.firstInstanceOnly);
        const LineOutcome outcome = Run(search, replace, line);
        ASSERT_EQ(outcome.found ? outcome.line : line, expected)
            << "line [" << line << "] search [" << search << "] replace [" << replace << "] case "
            << values.matchCase << " first " << values.firstInstanceOnly;
        // Replacing a literal by itself leaves every line as it was (without Match Case, as
        // it was but for the case of the matches).
        const auto folded = [](std::string text) {
            for (char& c : text) c = ToLowerAscii(c);
            return text;
        };
        const std::string same = Run(search, search, line).line;
        ASSERT_EQ(values.matchCase ? same : folded(same), values.matchCase ? line : folded(line));
    }
}

}  // namespace
}  // namespace kesto
