#include "pattern/PatternPreparation.h"

#include <gtest/gtest.h>

#include "pattern/PatternSyntax.h"

namespace kesto {
namespace {

// Options as the single-mode dialog leaves them after an accepted Begin with the special-
// character session on.
RunPlan CheckedSpecialSession(std::string search, std::string replace = {}) {
    RunPlan options;
    options.specialCharSession = true;
    options.matchCase = true;
    options.searchString = std::move(search);
    options.replaceString = std::move(replace);
    EXPECT_TRUE(ProcessSpecialCharacters(options).accepted);
    return options;
}

TEST(PreparePatternsTest, DollarBecomesTheLineBreakOfEachFileType) {
    struct Row {
        LineBreakType type;
        std::string search;
        char lineBreakChar;
        int lineBreakLength;
    };
    const Row rows[] = {
        {LineBreakType::Dos, "abc\r\n", '\n', 2},
        {LineBreakType::Unix, "abc\n", '\n', 1},
        {LineBreakType::Mac, "abc\r", '\r', 1},
    };
    RunPlan options = CheckedSpecialSession("abc$", "x$");
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.type));
        std::string search;
        std::string replace;
        const PatternLayout layout = PreparePatterns(options, row.type, search, replace);
        EXPECT_EQ(search, row.search);
        EXPECT_EQ(replace, "x" + std::string(LineBreakBytes(row.type)));
        EXPECT_EQ(layout.lineBreakChar, row.lineBreakChar);
        EXPECT_EQ(layout.lineBreakLength, row.lineBreakLength);
        EXPECT_TRUE(layout.endsAtLineEnd);
        EXPECT_TRUE(layout.spansLines);
        // The run's own strings are never changed, so every file is prepared afresh.
        EXPECT_EQ(options.searchString, "abc$");
    }
}

TEST(PreparePatternsTest, EscapedDollarIsALiteralDollar) {
    RunPlan options = CheckedSpecialSession("a\\$b");
    std::string search;
    std::string replace;
    const PatternLayout layout = PreparePatterns(options, LineBreakType::Dos, search, replace);
    EXPECT_EQ(search, "a$b");
    EXPECT_FALSE(layout.spansLines);
    EXPECT_FALSE(layout.endsAtLineEnd);
}

TEST(PreparePatternsTest, LeadingCaretIsDroppedAndNoWordBlanksAreAdded) {
    RunPlan options = CheckedSpecialSession("^Abc");
    options.matchWholeWord = true;
    options.matchCase = false;
    std::string search;
    std::string replace;
    EXPECT_TRUE(PreparePatterns(options, LineBreakType::Unix, search, replace).anchorLineStart);
    EXPECT_EQ(search, "abc");
}

TEST(PreparePatternsTest, WholeWordPadsBothPatternsWithBlanksUnlessAnchored) {
    RunPlan options;
    options.matchWholeWord = true;
    options.searchString = "Word";
    options.replaceString = "New";
    std::string search;
    std::string replace;
    PreparePatterns(options, LineBreakType::Unix, search, replace);
    EXPECT_EQ(search, " word ");  // Match Case is off: the search pattern is lowercased
    EXPECT_EQ(replace, " New ");  // the replace pattern never is

    options.anchorLineEnd = true;
    options.searchString = "word$";
    PreparePatterns(options, LineBreakType::Unix, search, replace);
    EXPECT_EQ(search, "word\n");
    EXPECT_EQ(replace, "New");
}

TEST(PreparePatternsTest, BatchModeAnchorsOnTheFirstCharacterAndAlwaysTranslatesDollar) {
    RunPlan options;
    options.batchMode = true;
    options.matchCase = true;
    options.matchWholeWord = true;  // has no effect in batch mode
    std::string search = "^ab$";
    std::string replace = "x$";
    const PatternLayout anchored = PreparePatterns(options, LineBreakType::Dos, search, replace);
    EXPECT_TRUE(anchored.anchorLineStart);
    EXPECT_EQ(search, "ab\r\n");
    EXPECT_EQ(replace, "x\r\n");
    EXPECT_TRUE(anchored.lineBreakTranslated);

    search = "a^b";
    replace = "c";
    EXPECT_FALSE(PreparePatterns(options, LineBreakType::Unix, search, replace).anchorLineStart);
    EXPECT_EQ(search, "a^b");
}

TEST(CompilePatternsTest, WildcardsAreMarkedOnlyInAWildcardSession) {
    RunPlan options;
    options.matchCase = true;
    options.searchString = "a?b*\\?";
    options.replaceString = "*";
    CompiledPatterns literal = CompilePatterns(options, LineBreakType::Unix);
    EXPECT_FALSE(literal.search.HasWildcards());
    EXPECT_EQ(literal.search.text(), "a?b*\\?");

    options.wildcardSession = true;
    CompiledPatterns marked = CompilePatterns(options, LineBreakType::Unix);
    EXPECT_EQ(CountCompiledWildcards(marked.search).questions, 1);
    EXPECT_EQ(CountCompiledWildcards(marked.search).stars, 1);
    EXPECT_EQ(marked.search.text(), "a?b*?");
    EXPECT_TRUE(marked.search.IsLiteral(4));
    EXPECT_EQ(CountCompiledWildcards(marked.replace).stars, 1);
}

TEST(CompilePatternsTest, DoubledBackslashesAreReducedInASpecialSession) {
    // Typed \\\t: the escaped \t keeps its own backslash, which with the first one forms a
    // doubled backslash before t that the reduction makes single.
    RunPlan options = CheckedSpecialSession("\\\\\\t");
    EXPECT_EQ(options.searchString, "\\\\t");
    const CompiledPatterns compiled = CompilePatterns(options, LineBreakType::Unix);
    EXPECT_EQ(compiled.search.text(), "\\t");
}

TEST(CompiledPatternTest, EveryByteValueCanBeALiteral) {
    // Bytes 198 and 199 (here U+01C5 in UTF-8, 199 133) are ordinary bytes to the pattern.
    CompiledPattern pattern;
    EXPECT_FALSE(MarkWildcards("\xC7\x85\xC6", pattern));
    EXPECT_EQ(pattern.size(), 3u);
    EXPECT_TRUE(pattern.IsLiteral(0) && pattern.IsLiteral(1) && pattern.IsLiteral(2));
    EXPECT_EQ(pattern.text(), "\xC7\x85\xC6");

    EXPECT_TRUE(MarkWildcards(std::string("\0?\xFF", 3), pattern));
    EXPECT_EQ(pattern.byte(0), '\0');
    EXPECT_EQ(pattern.symbol(1), PatternSymbol::AnyChar);
    EXPECT_EQ(pattern.byte(2), '\xFF');
}

}  // namespace
}  // namespace kesto
