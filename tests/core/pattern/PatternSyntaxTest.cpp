#include "pattern/PatternSyntax.h"

#include <gtest/gtest.h>

#include "support/ScriptedHosts.h"

namespace kesto {
namespace {

using test::ScriptedPrompter;

RunPlan SpecialSession(std::string search, std::string replace = {}) {
    RunPlan options;
    options.specialCharSession = true;
    options.searchString = std::move(search);
    options.replaceString = std::move(replace);
    return options;
}

struct EscapeRow {
    const char* typed;
    std::string processed;
    bool controlEscapes;
    bool lineBreakInStrings;
    bool anchorLineStart;
    bool anchorLineEnd;
};

TEST(SpecialCharactersTest, EscapesBecomeControlCharactersAndEscapedTokensStayLiteral) {
    const EscapeRow rows[] = {
        {"\\t", "\t", true, false, false, false},
        {"\\\\t", "\\t", false, false, false, false},  // a backslash and t, searched literally
        {"a\\vb\\fc\\ad\\be\\rf", "a\vb\fc\ad\be\rf", true, false, false, false},
        {"x\\ny", "x\ny", true, true, false, false},
        {"^abc", "^abc", false, false, true, false},
        {"\\^abc", "^abc", false, false, false, false},
        {"^ab^c", "^ab^c", false, false, true, false},  // only the first ^ anchors
        {"abc$", "abc$", false, true, false, true},
        {"a\\$b", "a\\$b", false, true, false, true},  // resolved by pattern preparation
        {"\\~", "~", false, false, false, false},
        {"a\\?b", "a\\?b", false, false, false, false},  // wildcard escapes are not touched here
    };
    for (const EscapeRow& row : rows) {
        SCOPED_TRACE(row.typed);
        RunPlan options = SpecialSession(row.typed);
        ASSERT_TRUE(ProcessSpecialCharacters(options).accepted);
        EXPECT_EQ(options.searchString, row.processed);
        EXPECT_EQ(options.controlEscapesInSearch, row.controlEscapes);
        EXPECT_EQ(options.lineBreakInStrings, row.lineBreakInStrings);
        EXPECT_EQ(options.anchorLineStart, row.anchorLineStart);
        EXPECT_EQ(options.anchorLineEnd, row.anchorLineEnd);
        EXPECT_FALSE(options.stripEolWhiteSpace);
    }
}

TEST(SpecialCharactersTest, LoneTildeWithEmptyReplaceStartsAStripRun) {
    RunPlan options = SpecialSession("~");
    options.confirmEachReplace = true;
    ASSERT_TRUE(ProcessSpecialCharacters(options).accepted);
    EXPECT_TRUE(options.stripEolWhiteSpace);
    EXPECT_TRUE(options.globalReplace);
    EXPECT_FALSE(options.confirmEachReplace);
}

struct RefusalRow {
    const char* search;
    const char* replace;
    std::string message;
    FocusField focus;
};

TEST(SpecialCharactersTest, MisplacedSpecialCharactersAreRefusedWithTheirOwnMessage) {
    const RefusalRow rows[] = {
        {"a^bc", "",
         "You have included special character => ^ in the Search\nString but it is NOT the 1st "
         "character!  If you meant it\nto be literal, define it as \\^, otherwise, make it "
         "the\n1st "
         "character in the Search String!\n",
         FocusField::Search},
        {"\\^a^b", "",
         "You have included special character => ^ in the Search\nString but it is NOT the 1st "
         "character!  If you meant it\nto be literal, define it as \\^, otherwise, make it "
         "the\n1st "
         "character in the Search String!\n",
         FocusField::Search},
        {"x~", "",
         "You have included special character => ~ in the Search\nString but it is NOT the 1st "
         "character!  If you meant it\nto be literal, define it as \\~, otherwise, make it "
         "the\n1st "
         "and ONLY character in the Search String!\nNote: Replace String MUST be empty when "
         "stripping end-\nof-line whitespaces.",
         FocusField::Search},
        {"~~", "",
         "You have included multiple instances of special character\n=> ~ in the Search String!  "
         "This character may only\nappear once in the line without a \\ in front of it and "
         "it\nmust "
         "be the ONLY character in the string!\n",
         FocusField::Search},
        {"~x", "",
         "You have included special character => ~ in the Search\nString without a \\ with "
         "additional characters following\nthe ~!  If you meant to strip end-of-line whitespaces "
         "the ~\nis the ONLY character allowed in the Search String,\notherwise, add a \\ in front "
         "of the ~ if you meant it to\nbe the literal character ~!",
         FocusField::Search},
        {"~", "x",
         "You have defined special character => ~ as the Search\nString but also defined a "
         "NON-EMPTY Replace String!\nThe Replace String must be empty to strip end-of-line\n"
         "whitespaces!  If you want the literal character ~ to be\nreplaced by the defined Replace "
         "String, define the Search\nString as \\~!",
         FocusField::Search},
        {"abc", "x^y",
         "You have included special character => ^ in the Replace\nString!  This character may "
         "only appear if it has\na \\ in front of it!",
         FocusField::Replace},
        {"abc", "~",
         "You have included special character => ~ in the Replace\nString!  This character may "
         "only appear if it has\na \\ in front of it!",
         FocusField::Replace},
    };
    for (const RefusalRow& row : rows) {
        SCOPED_TRACE(row.search);
        RunPlan options = SpecialSession(row.search, row.replace);
        const PatternCheck check = ProcessSpecialCharacters(options);
        EXPECT_FALSE(check.accepted);
        EXPECT_EQ(check.message, row.message);
        EXPECT_EQ(check.focus, row.focus);
        // A refused check leaves the typed strings for the dialog to show again.
        EXPECT_EQ(options.searchString, row.search);
        EXPECT_EQ(options.replaceString, row.replace);
    }
}

TEST(SpecialCharactersTest, ReplaceStringIsProcessedOutsideInsertModeOnly) {
    RunPlan options = SpecialSession("a", "x\\ny\\^\\tz");
    ASSERT_TRUE(ProcessSpecialCharacters(options).accepted);
    EXPECT_EQ(options.replaceString, "x\ny^\tz");
    EXPECT_TRUE(options.lineBreakInReplace);
    EXPECT_TRUE(options.lineBreakInStrings);
    EXPECT_FALSE(options.controlEscapesInSearch);  // escapes in the replace string only

    RunPlan dollar = SpecialSession("a", "b$");
    ASSERT_TRUE(ProcessSpecialCharacters(dollar).accepted);
    EXPECT_TRUE(dollar.lineBreakInReplace);

    RunPlan insert = SpecialSession("\\tx", "stale^");
    insert.insertAtColumn = true;
    ASSERT_TRUE(ProcessSpecialCharacters(insert).accepted);
    EXPECT_EQ(insert.searchString, "\tx");
    EXPECT_EQ(insert.replaceString, "stale^");
    EXPECT_FALSE(insert.lineBreakInReplace);
}

TEST(SpecialCharactersTest, DerivedFlagsOfAnEarlierCheckDoNotSurvive) {
    RunPlan options = SpecialSession("^a$");
    ASSERT_TRUE(ProcessSpecialCharacters(options).accepted);
    ASSERT_TRUE(options.anchorLineStart && options.anchorLineEnd);
    options.searchString = "plain";
    ASSERT_TRUE(ProcessSpecialCharacters(options).accepted);
    EXPECT_FALSE(options.anchorLineStart);
    EXPECT_FALSE(options.anchorLineEnd);
    EXPECT_FALSE(options.lineBreakInStrings);
}

TEST(PatternSyntaxTest, CountUnescapedSkipsCharactersBehindABackslash) {
    EXPECT_EQ(CountUnescaped("a?b?c", '?'), 2);
    EXPECT_EQ(CountUnescaped("?\\?", '?'), 1);
    EXPECT_EQ(CountUnescaped("\\**", '*'), 1);
    EXPECT_EQ(CountUnescaped("", '*'), 0);
}

TEST(PatternSyntaxTest, DoubledBackslashesBeforeEscapeLettersAreReduced) {
    const std::pair<std::string, std::string> rows[] = {
        {"\\\\t", "\\t"},         {"\\\\n\\\\v", "\\n\\v"}, {"\\\\x", "\\\\x"},
        {"\\\\\\\\t", "\\\\\\t"}, {"a\\\\", "a\\\\"},       {"\\t", "\\t"},
    };
    for (const auto& [input, expected] : rows) {
        std::string text = input;
        ReduceDoubledBackslashes(text);
        EXPECT_EQ(text, expected) << input;
    }
}

TEST(PatternSyntaxTest, DisplayFormShowsLineBreaksAndTabsOnOneLine) {
    EXPECT_EQ(DisplayForm("a\r\nb\nc\rd\te", false), "a$b$c\\rd\\te");
    EXPECT_EQ(DisplayForm("a\r\nb\nc\rd\te", true), "a\\r\\nb\\nc\\rd\\te");
    EXPECT_EQ(DisplayForm("plain", false), "plain");
}

// --- The checks of Begin ---

RunDialogValues Values(std::string search, std::string replace = {}) {
    RunDialogValues values;
    values.searchText = std::move(search);
    values.replaceText = std::move(replace);
    return values;
}

TEST(ValidateBeforeRunTest, AnEmptySearchStringIsRefused) {
    RunPlan options;
    ScriptedPrompter prompter;
    ValidationResult result = ValidateBeforeRun(Values(""), options, prompter);
    EXPECT_FALSE(result.check.accepted);
    EXPECT_EQ(result.check.message, "You must specify a Search String!");
    EXPECT_EQ(result.check.focus, FocusField::Search);

    RunDialogValues insert = Values("", "5");
    insert.insertAtColumn = true;
    result = ValidateBeforeRun(insert, options, prompter);
    EXPECT_EQ(result.check.message, "You must specify an Insert String!");
    EXPECT_EQ(result.check.focus, FocusField::Search);
}

TEST(ValidateBeforeRunTest, InsertColumnMustBeDigitsWithinALimitThatShrinksWithTheString) {
    struct Row {
        std::string insert;
        std::string column;
        std::string message;  // empty: accepted
    };
    const Row rows[] = {
        {"0123456789", "244", ""},
        {"0123456789", "245", "Insert column must be between 1 and 244!"},
        {"0123456789", "0", "Insert column must be between 1 and 244!"},
        {"0123456789", "", "Insert column must be between 1 and 244!"},
        {"0123456789", "12a", "Insert column must be all digits!"},
        {"0123456789", "-3", "Insert column must be all digits!"},
        {"0123456789", "99999999999999999999", "Insert column must be between 1 and 244!"},
        {"abcd", "250", ""},
        {std::string(254, 'x'), "1", "Insert column must be between 1 and 0!"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.column);
        RunPlan options;
        ScriptedPrompter prompter;
        RunDialogValues values = Values(row.insert, row.column);
        values.insertAtColumn = true;
        const ValidationResult result = ValidateBeforeRun(values, options, prompter);
        EXPECT_EQ(result.check.accepted, row.message.empty());
        EXPECT_EQ(result.check.message, row.message);
        if (row.message.empty()) {
            EXPECT_EQ(options.insertColumn, std::stoi(row.column));
        } else {
            EXPECT_EQ(result.check.focus, FocusField::Replace);
        }
        EXPECT_TRUE(options.insertAtColumn);
    }
}

TEST(ValidateBeforeRunTest, ReplaceMayNotHoldMoreQuestionMarksThanSearch) {
    RunPlan options;
    ScriptedPrompter prompter;
    RunDialogValues values = Values("a?", "??");
    values.wildcardSession = true;
    const ValidationResult result = ValidateBeforeRun(values, options, prompter);
    EXPECT_FALSE(result.check.accepted);
    EXPECT_EQ(result.check.message,
              "You have specified 1 ?'s in the Search String and 2 ?'s in the\nReplace String.  "
              "You MAY NOT have more ?'s wildcards in the Replace String\nthan in the Search "
              "String!");
    EXPECT_EQ(result.check.focus, FocusField::Replace);
    EXPECT_TRUE(prompter.questions.empty());
}

TEST(ValidateBeforeRunTest, WildcardsInTheReplaceStringAreQuestionedUnlessSuppressed) {
    const std::string question =
        "************************** Warning! ***********************************\n"
        "You have included one or more wildcards (? or *) in the Replace String!\n"
        "Wildcards in the Replace String are treated as the same character(s)\n"
        "they represent in the search string.  If you meant them literally, then\n"
        "include a \\ escape character before the wildcard (e.g., \\*).\n"
        "                           Continue?";
    {
        SCOPED_TRACE("no wildcard in the replace string: no question");
        RunPlan options;
        ScriptedPrompter prompter;
        RunDialogValues values = Values("a*", "b\\*");
        values.wildcardSession = true;
        EXPECT_TRUE(ValidateBeforeRun(values, options, prompter).check.accepted);
        EXPECT_TRUE(prompter.questions.empty());
    }
    {
        SCOPED_TRACE("No keeps the dialog open");
        RunPlan options;
        ScriptedPrompter prompter;
        prompter.answers = {false};
        RunDialogValues values = Values("*.txt", "*.bak");
        values.wildcardSession = true;
        const ValidationResult result = ValidateBeforeRun(values, options, prompter);
        EXPECT_FALSE(result.check.accepted);
        EXPECT_TRUE(result.check.message.empty());
        ASSERT_EQ(prompter.questions.size(), 1u);
        EXPECT_EQ(prompter.questions[0], question);
    }
    {
        SCOPED_TRACE("Yes goes on and the counts are kept");
        RunPlan options;
        ScriptedPrompter prompter;
        RunDialogValues values = Values("?a*b*\\?", "*?");
        values.wildcardSession = true;
        const ValidationResult result = ValidateBeforeRun(values, options, prompter);
        EXPECT_TRUE(result.check.accepted);
        EXPECT_EQ(prompter.questions.size(), 1u);
        EXPECT_EQ(result.counts.searchQuestion, 1);
        EXPECT_EQ(result.counts.searchStar, 2);
        EXPECT_EQ(result.counts.replaceQuestion, 1);
        EXPECT_EQ(result.counts.replaceStar, 1);
    }
    {
        SCOPED_TRACE("suppressed notice");
        RunPlan options;
        options.suppressWildcardNotice = true;
        ScriptedPrompter prompter;
        RunDialogValues values = Values("*.txt", "*.bak");
        values.wildcardSession = true;
        EXPECT_TRUE(ValidateBeforeRun(values, options, prompter).check.accepted);
        EXPECT_TRUE(prompter.questions.empty());
    }
}

TEST(ValidateBeforeRunTest, AcceptedValuesAreCopiedAndSpecialCharactersProcessed) {
    RunPlan options;
    ScriptedPrompter prompter;
    RunDialogValues values = Values("^a\\tb", "c\\nd");
    values.matchCase = true;
    values.firstInstanceOnly = true;
    values.allInstancesInLine = false;
    values.confirmEachReplace = false;
    values.globalReplace = true;
    values.selectViaFileDialog = false;
    values.specialCharSession = true;
    const ValidationResult result = ValidateBeforeRun(values, options, prompter);
    ASSERT_TRUE(result.check.accepted);
    EXPECT_EQ(options.searchString, "^a\tb");
    EXPECT_EQ(options.replaceString, "c\nd");
    EXPECT_TRUE(options.matchCase);
    EXPECT_TRUE(options.firstInstanceOnly);
    EXPECT_FALSE(options.allInstancesInLine);
    EXPECT_TRUE(options.globalReplace);
    EXPECT_FALSE(options.confirmEachReplace);
    EXPECT_FALSE(options.selectViaFileDialog);
    EXPECT_TRUE(options.specialCharSession);
    EXPECT_TRUE(options.anchorLineStart);
    EXPECT_TRUE(options.controlEscapesInSearch);
    EXPECT_TRUE(options.lineBreakInReplace);

    // Without the special session the same text is taken literally.
    values.specialCharSession = false;
    ASSERT_TRUE(ValidateBeforeRun(values, options, prompter).check.accepted);
    EXPECT_EQ(options.searchString, "^a\\tb");
    EXPECT_FALSE(options.anchorLineStart);
    EXPECT_FALSE(options.controlEscapesInSearch);
}

}  // namespace
}  // namespace kesto
