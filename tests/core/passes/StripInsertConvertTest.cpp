#include "passes/ConvertPass.h"
#include "passes/StripInsertPass.h"
#include "support/PassFixture.h"

namespace kesto {
namespace {

using test::PassTest;
using test::ReadFile;
using test::WriteFile;

TEST(StripLineEndTest, RemovesTrailingWhiteSpaceAndCountsIt) {
    int chars = 0;
    int lines = 0;
    std::string line = "abc \t";
    EXPECT_EQ(StripLineEnd(line, chars, lines), 2);
    EXPECT_EQ(line, "abc");
    line = "  \v\f";
    EXPECT_EQ(StripLineEnd(line, chars, lines), 4);
    EXPECT_EQ(line, "");
    line = " x";
    EXPECT_EQ(StripLineEnd(line, chars, lines), 0);
    line = "";
    EXPECT_EQ(StripLineEnd(line, chars, lines), 0);
    EXPECT_EQ(chars, 6);
    EXPECT_EQ(lines, 2);
}

TEST(InsertStringAtColumnTest, PadsShortLinesWithBlanks) {
    const std::pair<std::string, std::string> rows[] = {
        {"ab", "ab  XX"}, {"abcdefg", "abcdXXefg"}, {"", "    XX"}, {"abcd", "abcdXX"}};
    for (auto [line, expected] : rows) {
        EXPECT_EQ(InsertStringAtColumn(line, "XX", 5), 1);
        EXPECT_EQ(line, expected);
    }
    std::string line = "abc";
    InsertStringAtColumn(line, "> ", 1);
    EXPECT_EQ(line, "> abc");
}

class StripInsertTest : public PassTest {
protected:
    bool Run(const std::string& name) {
        StripInsertPass pass(context);
        const bool processed = pass.StripOrInsertFile(dir.path().string(), name);
        backups.EndRun();
        return processed;
    }
};

TEST_F(StripInsertTest, StripRemovesLineEndWhiteSpaceAndKeepsEachLinesBreak) {
    options.stripEolWhiteSpace = true;
    WriteFile(File("s.txt"), "abc \t\r\nclean\r\n  \r\nlast ");
    EXPECT_TRUE(Run("s.txt"));
    EXPECT_EQ(ReadFile(File("s.txt")), "abc\r\nclean\r\n\r\nlast");
    EXPECT_EQ(log.line(1), "5 white spaces stripped out at the end of 3 lines!");

    WriteFile(File("clean.txt"), "a\nb\n");
    EXPECT_TRUE(Run("clean.txt"));
    EXPECT_EQ(ReadFile(File("clean.txt")), "a\nb\n");
    EXPECT_EQ(log.problemFiles().back(),
              "     1) --- " + File("clean.txt") + " ... No end-of-line white spaces!");
}

TEST_F(StripInsertTest, InsertPutsTheStringIntoEveryLine) {
    options.insertAtColumn = true;
    options.searchString = "XX";
    options.insertColumn = 3;
    WriteFile(File("i.txt"), "abcd\n\nx\n");
    EXPECT_TRUE(Run("i.txt"));
    EXPECT_EQ(ReadFile(File("i.txt")), "abXXcd\n  XX\nx XX\n");
    EXPECT_EQ(log.line(1), "3 changes made out of 3 possible in 3 lines!");
}

TEST_F(StripInsertTest, LinesOverTheLimitAreRefused) {
    options.stripEolWhiteSpace = true;
    const std::string content = std::string(32001, 'a') + " \n";
    WriteFile(File("l.txt"), content);
    EXPECT_FALSE(Run("l.txt"));
    EXPECT_EQ(ReadFile(File("l.txt")), content);
    EXPECT_EQ(log.problemFiles().back(), "     1) --- " + File("l.txt") + " ... Lines to long!");
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], File("l.txt") +
                                        " contains lines longer than 32000 characters\nwhich is "
                                        "this application's max!\n");
}

class ConvertTest : public PassTest {
protected:
    bool Run(const std::string& name) {
        ConvertPass pass(context);
        const bool processed = pass.ConvertFile(dir.path().string(), name);
        backups.EndRun();
        return processed;
    }
};

TEST_F(ConvertTest, EachDirectionRewritesTheLineBreaks) {
    struct Row {
        bool RunPlan::*flag;
        std::string input;
        std::string output;
        int lines;
    };
    const Row rows[] = {
        {&RunPlan::convertDosToUnix, "a\r\nb\r\n", "a\nb\n", 2},
        {&RunPlan::convertDosToMac, "a\r\nb", "a\rb", 1},
        {&RunPlan::convertUnixToDos, "a\nb\n", "a\r\nb\r\n", 2},
        {&RunPlan::convertUnixToMac, "a\nlast", "a\rlast", 1},
        {&RunPlan::convertMacToDos, "a\rb\r", "a\r\nb\r\n", 2},
        {&RunPlan::convertMacToUnix, "a\r\nb\r", "a\nb\n", 2},
        {&RunPlan::convertDosToUnix, "a\rb\r\n", "ab\n", 1},  // a stray CR is lost
    };
    for (const Row& row : rows) {
        options = RunPlan();
        state.sessionRunning = true;
        options.convertLineBreaks = true;
        options.*row.flag = true;
        WriteFile(File("c.txt"), row.input);
        EXPECT_TRUE(Run("c.txt"));
        EXPECT_EQ(ReadFile(File("c.txt")), row.output);
        EXPECT_EQ(log.line(log.logLineCount() - 2),
                  std::to_string(row.lines) + " lines converted to new line break type!");
    }
}

TEST_F(ConvertTest, AFileWithoutTheSourceLineBreakIsRestored) {
    options.convertLineBreaks = options.convertDosToUnix = true;
    WriteFile(File("u.txt"), "a\nb\n");
    EXPECT_TRUE(Run("u.txt"));
    EXPECT_EQ(ReadFile(File("u.txt")), "a\nb\n");
    EXPECT_EQ(log.problemFiles().back(), "     1) --- " + File("u.txt") + " ... No match Found!");
}

}  // namespace
}  // namespace kesto
