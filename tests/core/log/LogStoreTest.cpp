#include "log/LogStore.h"

#include <gtest/gtest.h>

#include "support/RecordingStatusHost.h"
#include "support/ScriptedHosts.h"
#include "support/TempDir.h"

namespace kesto {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class LogStoreTest : public ::testing::Test {
protected:
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (int i = 0; i < log.logLineCount(); ++i) lines.emplace_back(log.line(i));
        return lines;
    }

    SessionState state;
    RunControl control;
    test::ScriptedPrompter prompter;
    LogStore log{control, prompter};
};

TEST_F(LogStoreTest, TheFirstLineOfAFileComesAfterItsHeader) {
    log.AddPlainLogLine("banner");
    log.BeginFile("/data/a.txt");
    log.AddLogLine("ORG: 00001 x");
    log.AddLogLine("MOD: 00001 y");
    log.BeginFile("/data/b.txt");
    log.AddLogLine("1 changes");
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{"banner", "     File --- /data/a.txt", "ORG: 00001 x",
                                        "MOD: 00001 y", "     File --- /data/b.txt", "1 changes"}));
}

TEST_F(LogStoreTest, TextsWithLineBreaksBecomeNumberedLines) {
    log.SplitLinesAtBreaks();
    log.AddLogLine("ORG: 00041 abc\r\ndef\n\nghi");
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{"ORG: 00041 abc", "     00042 def", "     00043 ghi"}));
    log.AddLogLine(" ");
    EXPECT_EQ(log.line(3), " ");
}

TEST_F(LogStoreTest, LinesStayWholeAcrossTheStoresBlocksAndPastABlocksSize) {
    // Lines of every length up to 999 bytes fill several blocks of a megabyte, with lines
    // longer than a block, and an empty one, between them.
    std::vector<std::string> expected;
    for (int i = 0; i < 9000; ++i) {
        std::string line(static_cast<std::size_t>(i * 7919 % 1000),
                         static_cast<char>('a' + i % 26));
        if (i % 3000 == 1500) line = std::string((1 << 20) + i, 'L');
        if (i == 4000) line.clear();
        log.AddPlainLogLine(line);
        expected.push_back(line);
    }
    EXPECT_EQ(Lines(), expected);
    log.ClearLog();
    log.AddPlainLogLine("after");
    EXPECT_EQ(Lines(), std::vector<std::string>{"after"});
}

TEST_F(LogStoreTest, EveryLineIsFoundPastThePiecesThatHoldTheStartsOfLines) {
    // The starts of lines go in pieces of 16384: 40,000 lines fill two and part of a third.
    // A store emptied and filled again begins at a first piece of its own.
    std::vector<std::string> expected;
    for (int i = 0; i < 40'000; ++i) {
        expected.push_back(std::to_string(i) + std::string(static_cast<std::size_t>(i % 7), '.'));
        log.AddPlainLogLine(expected.back());
    }
    EXPECT_EQ(Lines(), expected);
    log.ClearLog();
    EXPECT_EQ(log.logLineCount(), 0);
    expected.resize(20'000);
    for (const std::string& line : expected) log.AddPlainLogLine(line);
    EXPECT_EQ(Lines(), expected);
}

TEST_F(LogStoreTest, ProblemEntriesAreNumberedWithOrWithoutAReason) {
    log.BeginFile("/d/one");
    log.RecordProblemFile("No match Found!");
    log.RecordProblemFile("Is Empty!");
    log.BeginFile("/d/three");
    log.RecordProblemFile();
    ASSERT_EQ(log.problemFiles().size(), 3u);
    EXPECT_EQ(log.problemFiles()[0], "     1) --- /d/one ... No match Found!");
    EXPECT_EQ(log.problemFiles()[2], "     3) --- /d/three");
    EXPECT_EQ(log.logLineCount(), 0);  // problem entries are not log lines
}

TEST_F(LogStoreTest, TheLineLimitAddsOneNoticeAndStopsTheRun) {
    for (int i = 0; i < LogStore::kLineLimit; ++i) log.AddPlainLogLine("x");
    log.AddLogLine("one too many");
    EXPECT_EQ(log.logLineCount(), LogStore::kLineLimit + 1);
    EXPECT_EQ(log.line(LogStore::kLineLimit), "**** Application line limit reached! ****");
    EXPECT_TRUE(control.stopRequested());
    log.AddLogLine("dropped");
    EXPECT_EQ(log.logLineCount(), LogStore::kLineLimit + 1);
}

TEST_F(LogStoreTest, LongestLineFollowsLinesThatFitTheScrollExtent) {
    log.AddPlainLogLine(std::string(100, 'a'));
    EXPECT_EQ(log.longestLogLine(), 100);
    log.AddPlainLogLine(std::string(6000, 'b'));  // 6000 * 6 pixels reaches 32700
    EXPECT_EQ(log.longestLogLine(), 100);
    log.BeginFile(std::string(200, 'p'));
    log.AddLogLine("z");
    EXPECT_EQ(log.longestLogLine(), 200);  // a header counts the length of its path
}

TEST(LogFramesTest, FramesHold32000LinesEach) {
    EXPECT_EQ(LogStore::FrameCountFor(0), 1);
    EXPECT_EQ(LogStore::FrameCountFor(32000), 1);
    EXPECT_EQ(LogStore::FrameCountFor(32001), 2);
    EXPECT_EQ(LogStore::FrameCountFor(64000), 2);
    EXPECT_EQ(LogStore::FrameCountFor(64001), 3);
    EXPECT_EQ(LogStore::FrameOfLine(31999), 1);
    EXPECT_EQ(LogStore::FrameOfLine(32000), 2);
    EXPECT_EQ(LogStore::PositionInFrame(32005), 5);
    EXPECT_EQ(LogStore::FrameFirstLine(3), 64000);
}

TEST_F(LogStoreTest, FrameEndStopsAtTheLastLine) {
    for (int i = 0; i < 32001; ++i) log.AddPlainLogLine("l");
    EXPECT_EQ(log.FrameEndLine(1), 32000);
    EXPECT_EQ(log.FrameEndLine(2), 32001);
}

TEST_F(LogStoreTest, LoadingASavedLogKeepsNonEmptyLinesWithoutTheirLineBreaks) {
    TempDir dir;
    WriteFile(dir / "dos.log", "first\r\n\r\nsecond\r\nthird");
    ASSERT_EQ(log.LoadLogFile(dir / "dos.log", nullptr), LogStore::LoadOutcome::Loaded);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"first", "second", "third"}));

    log.ClearLog();
    WriteFile(dir / "unix.log", "a\r b\nc\n");
    ASSERT_EQ(log.LoadLogFile(dir / "unix.log", nullptr), LogStore::LoadOutcome::Loaded);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"a\r b", "c"}));

    log.ClearLog();
    WriteFile(dir / "mac.log", "a\rb\r");
    ASSERT_EQ(log.LoadLogFile(dir / "mac.log", nullptr), LogStore::LoadOutcome::Loaded);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(LogStoreTest, LoadingJoinsALineCutByTheEndOfAPiece) {
    TempDir dir;
    std::string content;
    while (content.size() < 8'388'608 + 1000) content += "line of the saved log\n";
    WriteFile(dir / "big.log", content);
    test::RecordingStatusHost host;
    ProgressReporter progress(state, control, host);
    ASSERT_EQ(log.LoadLogFile(dir / "big.log", &progress), LogStore::LoadOutcome::Loaded);
    const int expected = static_cast<int>(content.size() / 22);
    ASSERT_EQ(log.logLineCount(), expected);
    for (int i = 0; i < expected; ++i) ASSERT_EQ(log.line(i), "line of the saved log") << i;
    EXPECT_EQ(host.reports.front().what, "Reading -> big.log");
    EXPECT_EQ(host.reports.back().what, "Ready");
}

TEST_F(LogStoreTest, LoadingRefusesFilesThatAreNotLogs) {
    TempDir dir;
    WriteFile(dir / "plain", "no line break at all");
    EXPECT_EQ(log.LoadLogFile(dir / "plain", nullptr), LogStore::LoadOutcome::Refused);
    WriteFile(dir / "long1", std::string(32001, 'x') + "\n");
    EXPECT_EQ(log.LoadLogFile(dir / "long1", nullptr), LogStore::LoadOutcome::Refused);
    WriteFile(dir / "long2", "ok\n" + std::string(32001, 'x') + "\n");
    EXPECT_EQ(log.LoadLogFile(dir / "long2", nullptr), LogStore::LoadOutcome::Refused);
    ASSERT_EQ(prompter.messages.size(), 3u);
    EXPECT_EQ(prompter.messages[0], "File " + (dir / "plain") + ":\nis NOT a text file!\n");
    EXPECT_EQ(prompter.messages[1], "File " + (dir / "long1") +
                                        ":\n contains lines longer than 32000 characters\nwhich "
                                        "is this application's max!\n");
    EXPECT_EQ(prompter.messages[2], "File " + (dir / "long2") +
                                        ":\ncontains lines longer than 32000 characters\nwhich "
                                        "is this application's max!\n");
    EXPECT_EQ(log.logLineCount(), 0);
    EXPECT_FALSE(log.logFramePending());

    EXPECT_EQ(log.LoadLogFile(dir / "missing.log", nullptr), LogStore::LoadOutcome::CannotOpen);
    EXPECT_EQ(log.LoadLogFile(dir / "pairs.SR", nullptr), LogStore::LoadOutcome::BatchFile);
}

}  // namespace
}  // namespace kesto
