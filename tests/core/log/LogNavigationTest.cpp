// Display frames, find, the editor target and the print layout of a log window: the parts
// of the log view that work on the store alone.
#include <gtest/gtest.h>

#include "log/DisplayFrames.h"
#include "log/EditorTarget.h"
#include "log/LogFinder.h"
#include "log/PrintLayout.h"
#include "support/ScriptedHosts.h"

namespace kesto {
namespace {

class StoreTest : public ::testing::Test {
protected:
    void Fill(int count, const std::string& prefix = "line ") {
        for (int i = 0; i < count; ++i) log.AddPlainLogLine(prefix + std::to_string(i));
    }

    RunControl control;
    test::ScriptedPrompter prompter;
    LogStore log{control, prompter};
};

// --- Frames ---

TEST(DisplayFramesTest, FrameCountFollowsTheLinesStored) {
    const std::vector<std::pair<int, int>> rows = {{0, 1},     {32000, 1}, {32001, 2},
                                                   {64000, 2}, {64001, 3}, {2'048'001, 65}};
    for (const auto& [lines, frames] : rows) {
        DisplayFrames display;
        display.SetFrameCount(lines);
        EXPECT_EQ(display.frameCount(), frames) << lines << " lines";
    }
}

TEST(DisplayFramesTest, CommandsAreEnabledByPositionAmongThreeFrames) {
    DisplayFrames frames;
    frames.SetFrameCount(64'001);
    struct Row {
        int frame;
        bool next, previous;
        std::string linesPane;
    };
    for (const Row& row :
         {Row{1, true, false, "32000/64001 Lines"}, Row{2, true, true, "32000/64001 Lines"},
          Row{3, false, true, "1/64001 Lines"}}) {
        frames.SetCurrentFrame(row.frame);
        EXPECT_EQ(frames.CanGoNext(), row.next) << row.frame;
        EXPECT_EQ(frames.CanGoPrevious(), row.previous) << row.frame;
        EXPECT_TRUE(frames.CanGoTo());
        EXPECT_EQ(frames.LinesPaneText(64'001), row.linesPane);
        EXPECT_EQ(frames.FramePaneText(), "Display Frame " + std::to_string(row.frame) + " of 3");
    }
    EXPECT_EQ(frames.FirstLine(), 64'000);
    EXPECT_EQ(frames.EndLine(64'001), 64'001);
}

TEST(DisplayFramesTest, OneFrameEnablesNoFrameCommandAndGoToClamps) {
    DisplayFrames frames;
    frames.SetFrameCount(32'000);
    EXPECT_FALSE(frames.CanGoNext());
    EXPECT_FALSE(frames.CanGoPrevious());
    EXPECT_FALSE(frames.CanGoTo());

    frames.SetFrameCount(70'000);
    EXPECT_EQ(frames.ClampFrame(0), 1);
    EXPECT_EQ(frames.ClampFrame(-5), 1);
    EXPECT_EQ(frames.ClampFrame(99), 3);
    EXPECT_EQ(frames.ClampFrame(2), 2);
}

TEST(DisplayFramesTest, DuringARunFrameOneShowsOnlyItsOwnLines) {
    DisplayFrames frames;  // the count is fixed only when the run ends
    EXPECT_EQ(frames.EndLine(40'000), 32'000);
    EXPECT_EQ(frames.LinesPaneText(40'000), "32000/40000 Lines");
}

// --- Find ---

TEST_F(StoreTest, FindStartsAtTheGivenLineAndWrapsAround) {
    Fill(10);
    log.AddPlainLogLine("needle at ten");
    Fill(5, "tail ");
    log.AddPlainLogLine("another NEEDLE");
    const LogFinder::Pump none;
    EXPECT_EQ(LogFinder::Find(log, "needle", true, 0, none), 10);
    EXPECT_EQ(LogFinder::Find(log, "needle", true, 10, none), 10) << "the start line is tested";
    EXPECT_EQ(LogFinder::Find(log, "needle", true, 11, none), 10) << "wraps to the top";
    EXPECT_EQ(LogFinder::Find(log, "needle", false, 11, none), 16);
    EXPECT_EQ(LogFinder::Find(log, "NEEDLE", true, 0, none), 16);
    EXPECT_EQ(LogFinder::Find(log, "absent", false, 3, none), std::nullopt);
}

TEST_F(StoreTest, FindIgnoresCaseOfAsciiLettersOnlyWithoutMatchCase) {
    log.AddPlainLogLine("x abc y");
    log.AddPlainLogLine("\xC4\xE4");
    const LogFinder::Pump none;
    EXPECT_EQ(LogFinder::Find(log, "ABC", false, 0, none), 0);
    EXPECT_EQ(LogFinder::Find(log, "ABC", true, 0, none), std::nullopt);
    EXPECT_EQ(LogFinder::Find(log, "\xE4\xE4", false, 0, none), std::nullopt);
}

TEST_F(StoreTest, FindLetsMessagesRunEveryThousandLines) {
    Fill(5'500);
    int pumps = 0;
    EXPECT_EQ(LogFinder::Find(log, "absent", true, 0, [&pumps] { ++pumps; }), std::nullopt);
    EXPECT_EQ(pumps, 5);
}

TEST(LogFinderTest, FindAgainStartsAfterAnUnmovedHitElseAtTheSelection) {
    EXPECT_EQ(LogFinder::FindAgainStart(31'999, 31'999, 64'001), 32'000);
    EXPECT_EQ(LogFinder::FindAgainStart(64'000, 64'000, 64'001), 0) << "after the last line";
    EXPECT_EQ(LogFinder::FindAgainStart(500, 31'999, 64'001), 500);
    EXPECT_EQ(LogFinder::FindAgainStart(-1, 31'999, 64'001), 0);
    EXPECT_EQ(LogFinder::FindAgainStart(500, -1, 64'001), 0);
}

TEST(LogFinderTest, NotFoundMessagesQuoteTheFragment) {
    EXPECT_EQ(LogFinder::NotFoundMessage("abc", false), "Didn't find text fragment:\n\"abc\"!");
    EXPECT_EQ(LogFinder::NotFoundMessage("abc", true),
              "Didn't find text fragment:\n\"abc\" Again!");
}

// --- Editor target ---

class EditorTargetTest : public StoreTest {
protected:
    void SetUp() override {
        log.AddPlainLogLine("Search/Replace banner");  // 0
        log.AddPlainLogLine("Search String: 12345");   // 1: a header line with digits
        log.BeginFile("/w/a b.txt");
        log.AddLogLine("ORG: 00042 old text");                            // 2 header, 3
        log.AddLogLine("MOD: 00042 new text");                            // 4
        log.AddLogLine("     00043 continued");                           // 5
        log.AddLogLine("1 replacement");                                  // 6
        log.AddPlainLogLine("     1) --- /w/c.txt ... No match Found!");  // 7
        log.AddPlainLogLine("     2) --- /w/d (1).txt");                  // 8
    }
    static constexpr int kHeaderLines = 2;
};

TEST_F(EditorTargetTest, ReportLinesTakeTheNearestNumberAndFileAbove) {
    struct Row {
        int index;
        std::string path;
        int line;
    };
    for (const Row& row :
         {Row{2, "/w/a b.txt", 1}, Row{3, "/w/a b.txt", 42}, Row{4, "/w/a b.txt", 42},
          Row{5, "/w/a b.txt", 43}, Row{6, "/w/a b.txt", 43}, Row{7, "/w/c.txt", 1},
          Row{8, "/w/d (1).txt", 1}}) {
        const auto target = LocateEditorTarget(log, row.index, kHeaderLines, false);
        ASSERT_TRUE(target) << row.index;
        EXPECT_EQ(target->path, row.path) << row.index;
        EXPECT_EQ(target->line, row.line) << row.index;
    }
}

TEST_F(EditorTargetTest, HeaderLinesAndLinesBeyondTheStoreOpenNothing) {
    EXPECT_FALSE(LocateEditorTarget(log, 0, kHeaderLines, false));
    EXPECT_FALSE(LocateEditorTarget(log, 1, kHeaderLines, false));
    EXPECT_FALSE(LocateEditorTarget(log, 9, kHeaderLines, false));
    EXPECT_FALSE(LocateEditorTarget(log, -1, kHeaderLines, false));
    // With no header counted, a report line above every file header has no file.
    EXPECT_FALSE(LocateEditorTarget(log, 1, 0, false));
}

TEST_F(EditorTargetTest, BatchRunsOpenAtLineOne) {
    const auto target = LocateEditorTarget(log, 4, kHeaderLines, true);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->line, 1);
}

TEST(EditorLineNumberTest, FiveDigitsOrMoreAtTheFirstDigitMakeALineNumber) {
    EXPECT_EQ(NumberedLineNumber("ORG: 00042 x 99999"), 42);
    EXPECT_EQ(NumberedLineNumber("MOD: 123456 x"), 123456) << "files past 99,999 lines";
    EXPECT_EQ(NumberedLineNumber("3 replacements in 12345 lines"), std::nullopt);
    EXPECT_EQ(NumberedLineNumber("no digits"), std::nullopt);
}

// --- Printing ---

TEST(PrintLayoutTest, PagesHoldAFixedNumberOfLines) {
    EXPECT_EQ(PrintPageCount(141, 70), 3);
    EXPECT_EQ(PrintPageCount(140, 70), 2);
    EXPECT_EQ(PrintPageCount(0, 70), 0);
    const PrintLineRange third = PageLines(3, 70, 141);
    EXPECT_EQ(third.first, 140);
    EXPECT_EQ(third.end, 141);
    EXPECT_EQ(PageLines(1, 70, 141).end, 70);
}

TEST(PrintLayoutTest, WithoutPrintNoFindsOnlyTheReportIsPrinted) {
    EXPECT_EQ(LinesToPrint(50'000, 49'000, true), 50'000);
    EXPECT_EQ(LinesToPrint(50'000, 49'000, false), 49'000);
    EXPECT_EQ(LinesToPrint(300, 0, false), 0) << "a loaded log has no report count";
}

}  // namespace
}  // namespace kesto
