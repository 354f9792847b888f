#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "regex/RegexPair.h"
#include "regex/RequiredLiteral.h"
#include "text/CaseShape.h"

namespace kesto {
namespace {

TEST(RequiredLiteralTest, TakesTheLongestRunEveryMatchNeeds) {
    const std::vector<std::pair<std::string, std::string>> table = {
        {"foo\\w*baz", "foo"},     // equal runs: the first
        {"ab+c", "ab"},            // b is needed once, and the run breaks after it
        {"abc?d", "ab"},           // c may be missing
        {"x{0,3}hello", "hello"},  // none of x is needed
        {"a{2}bcd", "bcd"},        // a is needed, but the run breaks after it
        {"\\.txt$", ".txt"},       // an escaped byte is itself
        {"[abc]def(gh)?ijkl", "ijkl"},
        {"a{x", "a{x"},           // { that counts nothing is a byte
        {"(foo|bar)baz", "baz"},  // alternation inside a group leaves the rest
        {"\\bword\\b", "word"},
        {"(?<=pre)fix", "fix"},
        {"ab{,3}cde", "cde"},  // newer PCRE2 counts with {,n}
    };
    for (const auto& [pattern, literal] : table) {
        EXPECT_EQ(RequiredLiteral(pattern), literal) << pattern;
    }
}

TEST(RequiredLiteralTest, GivesNoneWhereThePatternDoesNotShowOnePlainly) {
    for (const std::string pattern : {"foo|bar", "(?i)foo", "a(?x) b", "\\Qfoo\\E", "(*CR)foo",
                                      "\\x41bc", "\\0101", "a*b?c{0}", ".",
                                      // a part not read, then an alternative
                                      "foo\\x20|bar", "ab\\K\\w|cat", "x\\N|y", "ab{,3}c|d",
                                      // a comment the quantifier looks through
                                      "ab(?#note)*cd"}) {
        EXPECT_EQ(RequiredLiteral(pattern), "") << pattern;
    }
}

// Whatever the literal, a text without it holds no match: checked on random texts over a
// small alphabet, where matches are frequent.
TEST(RequiredLiteralTest, ATextWithoutTheLiteralHoldsNoMatch) {
    const std::vector<std::string> patterns = {
        "ab+c",    "a(b|c)d",   "x[ab]+yz", "(ab)+c",   "a.c",      "ab{2,}c", "(?:a|b)cab",
        "c\\w+?a", "\\bab\\b",  "a(?=b)bc", "b{0}abc",  "[^a]ab",   "(a)\\1b", "ba(?!c)a",
        "a\\.b",   "(?<=c)aab", "abc*d+",   "((a)b)+c", "ab(?#c)*c"};
    std::mt19937 random(7);
    for (const std::string& pattern : patterns) {
        const std::string literal = RequiredLiteral(pattern);
        RegexError error;
        auto program = RegexProgram::Compile(pattern, {}, error);
        ASSERT_TRUE(program) << pattern << ": " << error.message;
        for (int round = 0; round < 2000; ++round) {
            std::string text;
            const int length = static_cast<int>(random() % 12);
            for (int i = 0; i < length; ++i) text += "abcd.x y"[random() % 8];
            RegexSpan match;
            if (program->Find(text, 0, false, match) == RegexProgram::Outcome::Match) {
                EXPECT_NE(text.find(literal), std::string::npos)
                    << pattern << " matched \"" << text << "\" without \"" << literal << '"';
            }
        }
    }
}

TEST(RequiredLiteralTest, ALineBreakNamedInThePatternMakesItSpanLines) {
    EXPECT_TRUE(NamesLineBreak("a\\nb"));
    EXPECT_TRUE(NamesLineBreak("a\\R"));
    EXPECT_TRUE(NamesLineBreak("a\rb"));
    EXPECT_FALSE(NamesLineBreak("a\\\\n"));  // a backslash, then n
    EXPECT_FALSE(NamesLineBreak("\\s+$"));
}

// The replacement of `pattern` in `subject` for its first match.
std::string Replaced(const std::string& pattern, const std::string& replace,
                     const std::string& subject) {
    RegexPair::Refusal refusal;
    auto pair = RegexPair::Compile(pattern, replace, true, false, refusal);
    if (!pair) return "refused: " + RegexPair::Describe(refusal);
    RegexProgram& program = *pair->search().ProgramFor(LineBreakType::Unix);
    RegexSpan match;
    if (program.Find(subject, 0, false, match) != RegexProgram::Outcome::Match) return "no match";
    std::string out;
    pair->replacement().Expand(program, subject, out);
    return out;
}

TEST(RegexReplacementTest, GroupsDollarsAndNamesAreExpanded) {
    const std::string tenGroups = "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)";
    EXPECT_EQ(Replaced(tenGroups, "$11|$1 1|${1}1|$0", "abcdefghijk"), "k|a 1|a1|abcdefghijk");
    EXPECT_EQ(Replaced("(?<word>\\w+)=(\\d+)", "${word}:$2$$ $x ${", "key=42"), "key:42$ $x ${");
    EXPECT_EQ(Replaced("(a)|(b)", "[$1][$2]", "b"), "[][b]") << "a group that took no part";
    EXPECT_EQ(Replaced("a", "\\1\\n", "a"), "\\1\\n") << "backslashes are plain";
}

TEST(RegexReplacementTest, AReferenceToAMissingGroupIsRefusedWithItsOffset) {
    EXPECT_EQ(Replaced("(a)", "x$2", "a"),
              "refused: Error in the replace string at offset 1: there is no group 2 (the "
              "pattern has 1)");
    EXPECT_EQ(Replaced("(a)", "${nope}", "a"),
              "refused: Error in the replace string at offset 0: there is no group named nope");
    EXPECT_EQ(Replaced("(a)", "${1x}", "a"),
              "refused: Error in the replace string at offset 0: ${1x} names no group");
    EXPECT_EQ(Replaced("ab(c", "", "a"),
              "refused: Error in the regular expression at offset 4: missing closing "
              "parenthesis");
}

TEST(CaseShapeTest, TheReplacementTakesTheShapeOfTheTextItReplaces) {
    const std::vector<std::tuple<std::string, std::string, std::string>> table = {
        {"foo", "barBaz", "barbaz"}, {"FOO", "barBaz", "BARBAZ"}, {"Foo", "barBaz", "Barbaz"},
        {"fOO", "barBaz", "barBaz"}, {"A", "bc", "BC"},           {"foo_1", "Bar", "bar"},
        {"_Foo", "1bar", "1Bar"},    {"123", "Bar", "Bar"},       {"\xC4x", "Y", "y"},
    };
    for (const auto& [matched, typed, shaped] : table) {
        std::string text = typed;
        ApplyShape(ShapeOf(matched), text);
        EXPECT_EQ(text, shaped) << matched;
    }
}

}  // namespace
}  // namespace kesto
