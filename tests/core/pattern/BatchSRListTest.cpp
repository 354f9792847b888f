#include "pattern/BatchSRList.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "support/ScriptedHosts.h"
#include "support/TempDir.h"

namespace kesto {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using Pairs = std::vector<std::pair<std::string, std::string>>;

class BatchFileTest : public ::testing::Test {
protected:
    Pairs Read(const std::string& content, int expectedResult = 1) {
        WriteFile(dir / "p.sr", content);
        EXPECT_EQ(list.ReadBatchFile(dir / "p.sr"), expectedResult);
        return Contents();
    }
    Pairs Contents() const {
        Pairs pairs;
        int index = 0;
        for (const CBatchSR& pair : list.pairs()) {
            EXPECT_EQ(pair.m_nIndex, index++);
            pairs.emplace_back(pair.m_strSearch, pair.m_strReplace);
        }
        return pairs;
    }

    TempDir dir;
    test::ScriptedPrompter prompter;
    CBatchSRList list{prompter};
};

TEST_F(BatchFileTest, TheWriterProducesTheExactBytesAndTheReaderTakesThemBack) {
    list.AddNewPair() = CBatchSR{0, false, false, false, false, "a", "b", "", ""};
    list.AddNewPair() = CBatchSR{1, false, false, false, false, "xy", "", "", ""};
    ASSERT_EQ(list.WriteBatchFile(dir / "w.sr"), 1);
    EXPECT_EQ(ReadFile(dir / "w.sr"),
              "#!S!#1#\r\na\r\n#!R!#1#\r\nb\r\n#!S!#2#\r\nxy\r\n#!R!#2#\r\n");
    ASSERT_EQ(list.ReadBatchFile(dir / "w.sr"), 1);
    EXPECT_EQ(Contents(), (Pairs{{"a", "b"}, {"xy", ""}}));
}

TEST_F(BatchFileTest, MultiLineStringsRoundTrip) {
    const Pairs pairs = {{"first\r\nsecond", "x"}, {"ends in break\r\n", "y\r\n"}, {"\n", "last"}};
    for (const auto& [search, replace] : pairs) {
        CBatchSR& pair = list.AddNewPair();
        pair.m_strSearch = search;
        pair.m_strReplace = replace;
    }
    ASSERT_EQ(list.WriteBatchFile(dir / "m.sr"), 1);
    ASSERT_EQ(list.ReadBatchFile(dir / "m.sr"), 1);
    EXPECT_EQ(Contents(), pairs);
}

TEST_F(BatchFileTest, ReadingFollowsTheMarkersWhereverTheyStand) {
    EXPECT_EQ(Read("#!S!#1# comment\r\ncat\r\n#!R!#1#\r\ndog\r\n#!S!#2#\r\nx\r\n#!R!#2#\r\ny\r\n"),
              (Pairs{{"cat", "dog"}, {"x", "y\r\n"}}));  // a hand-written last line keeps its CR LF
    EXPECT_EQ(Read("#!S!#1#\na\n\n#!R!#1#\nb\n"), (Pairs{{"a", "b\n"}}));
    EXPECT_EQ(Read("#!S!#1#\r\ns\r\n#!R!#1#"), (Pairs{{"s", ""}}));
    // Pairs written in another order than their numbers, and comments naming other markers.
    EXPECT_EQ(Read("#!S!#2#\r\nc\r\n#!R!#2#\r\nd\r\n#!S!#1# before #!S!#2#\r\na\r\n"
                   "#!R!#1#\r\nb"),
              (Pairs{{"a", "b"}, {"c", "d"}}));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(BatchFileTest, RefusalsShowTheirMessage) {
    struct Row {
        std::string content;
        std::string message;
    };
    const std::string path = dir / "p.sr";
    const Row rows[] = {
        {"", "Batch file " + path + " is Empty!"},
        {"#!S!#1# #!R!#1# no line feed",
         "Batch File does NOT contain carriage return-line feeds!\nMust abort read!"},
        {std::string(32001, 'x') + "\n",
         "Batch File contains lines longer than 32000 characters which is this application's "
         "max!\nMust abort read!"},
        {"#!S!#2#\r\na\r\n#!R!#2#\r\nb",
         "Batch File does NOT contain search string identifier:\n(#!S!#1#)!\nCan't continue!"},
        {"#!S!#1#\r\na\r\n#!R!#1#\r\nb\r\n#!S!#2#\r\nc\r\n",
         "Batch File does NOT contain matching replace string identifier:\n(#!R!#2#)!\nCan't "
         "continue!"},
    };
    for (const Row& row : rows) {
        prompter.messages.clear();
        Read(row.content, 0);
        ASSERT_EQ(prompter.messages.size(), 1u);
        EXPECT_EQ(prompter.messages[0], row.message);
    }
    EXPECT_EQ(Contents(), (Pairs{{"a", "b"}}));  // the pairs before the failing one stay

    prompter.messages.clear();
    EXPECT_EQ(list.ReadBatchFile(dir / "missing.sr"), 0);
    EXPECT_EQ(prompter.messages[0], "Couldn't Open batch file: " + (dir / "missing.sr") + "!");
}

// An empty search string used to be read as it stood, and the batch run then inserted the
// replace string before every byte of every file.
TEST_F(BatchFileTest, AnEmptySearchStringIsRefusedNamingItsPair) {
    struct Row {
        std::string content;
        std::string message;
        Pairs kept;
    };
    const Row rows[] = {
        {"#!S!#1#\r\n#!R!#1#\r\nX",
         "Batch File pair 1 has an empty search string!\nYou must specify a Search String!",
         {}},
        // What the writer makes of a pair whose search string is empty.
        {"#!S!#1#\r\na\r\n#!R!#1#\r\nb\r\n#!S!#2#\r\n\r\n#!R!#2#\r\nX",
         "Batch File pair 2 has an empty search string!\nYou must specify a Search String!",
         {{"a", "b"}}},
    };
    for (const Row& row : rows) {
        prompter.messages.clear();
        EXPECT_EQ(Read(row.content, 0), row.kept);
        EXPECT_EQ(prompter.messages, std::vector<std::string>{row.message});
    }
}

// With pairs 1, 2 and 4 the replace string of pair 2 used to run to the end of the file and
// take pair 4's markers with it, and nothing was said: every file of the run got them.
TEST_F(BatchFileTest, PairsAfterAGapAreLeftOutAndTheUserIsTold) {
    struct Row {
        std::string content;
        Pairs pairs;
        std::string message;
    };
    const std::string pairs12 = "#!S!#1#\r\na\r\n#!R!#1#\r\nb\r\n#!S!#2#\r\nc\r\n#!R!#2#\r\nd\r\n";
    const Row rows[] = {
        {pairs12 + "#!S!#4#\r\ne\r\n#!R!#4#\r\nf",
         {{"a", "b"}, {"c", "d"}},
         "Batch File does NOT contain search string identifier:\n(#!S!#3#)!\nOnly pairs 1 to 2 "
         "were read, the others are ignored!"},
        // A number with a leading zero is no marker of pair 3, but it still ends a string.
        {pairs12 + "#!S!#03#\r\ne\r\n#!R!#03#\r\nf",
         {{"a", "b"}, {"c", "d"}},
         "Batch File does NOT contain search string identifier:\n(#!S!#3#)!\nOnly pairs 1 to 2 "
         "were read, the others are ignored!"},
        // A second pair 1 is not read as part of the first one's replace string.
        {"#!S!#1#\r\na\r\n#!R!#1#\r\nb\r\n#!S!#1#\r\nc\r\n#!R!#1#\r\nd",
         {{"a", "b"}},
         "Batch File does NOT contain search string identifier:\n(#!S!#2#)!\nOnly pair 1 was "
         "read, the others are ignored!"},
        {"#!S!#4#\r\ne\r\n#!R!#4#\r\nf\r\n#!S!#1#\r\na\r\n#!R!#1#\r\nb",
         {{"a", "b"}},
         "Batch File does NOT contain search string identifier:\n(#!S!#2#)!\nOnly pair 1 was "
         "read, the others are ignored!"},
    };
    for (const Row& row : rows) {
        prompter.messages.clear();
        EXPECT_EQ(Read(row.content, 1), row.pairs);
        EXPECT_EQ(prompter.messages, std::vector<std::string>{row.message});
    }
}

// A marker between a search marker and its replace marker used to become part of the
// search string.
TEST_F(BatchFileTest, ASearchStringThatRunsIntoAnotherMarkerIsRefused) {
    prompter.messages.clear();
    EXPECT_EQ(
        Read("#!S!#1#\r\na\r\n#!R!#1#\r\nb\r\n#!S!#2#\r\nc\r\n#!S!#3#\r\nd\r\n#!R!#3#\r\ne\r\n"
             "#!R!#2#\r\nf",
             0),
        (Pairs{{"a", "b"}}));
    EXPECT_EQ(prompter.messages,
              std::vector<std::string>{"Batch File does NOT contain matching replace string "
                                       "identifier:\n(#!R!#2#) before (#!S!#3#)!\nCan't "
                                       "continue!"});
}

// Opening a FIFO for reading used to wait for a writer, and the run hung there.
TEST_F(BatchFileTest, OnlyARegularFileIsRead) {
    const std::string fifo = dir / "fifo.sr";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::mutex mutex;
    std::condition_variable returned;
    bool done = false;
    bool writerNeeded = false;
    // Stands in for a writer only when the reader is still waiting after a while, so that
    // a reader that waits fails the test instead of hanging it.
    std::thread writer([&] {
        std::unique_lock lock(mutex);
        if (returned.wait_for(lock, std::chrono::seconds(3), [&] { return done; })) return;
        writerNeeded = true;
        lock.unlock();
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) ::close(fd);
    });
    const int result = list.ReadBatchFile(fifo);
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    returned.notify_one();
    writer.join();
    EXPECT_FALSE(writerNeeded);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(prompter.messages,
              std::vector<std::string>{"Couldn't Open batch file: " + fifo + "!"});

    prompter.messages.clear();
    EXPECT_EQ(list.ReadBatchFile(dir.path().string()), 0);
    EXPECT_EQ(prompter.messages,
              std::vector<std::string>{"Couldn't Open batch file: " + dir.path().string() + "!"});
}

TEST_F(BatchFileTest, TheSizeLimitIsExactly8MiBAndAFailedReadKeepsTheList) {
    Read("#!S!#1#\r\nkeep\r\n#!R!#1#\r\nme");
    std::string big = "#!S!#1#\r\nbig\r\n#!R!#1#\r\n";
    big += std::string(8'388'608 - big.size(), 'r');
    EXPECT_EQ(Read(big + "x", 0), (Pairs{{"keep", "me"}}));
    EXPECT_EQ(prompter.messages.back(), "Max allowed Batch file size is 8388608!");
    // A string longer than the format carries is refused naming its pair.
    prompter.messages.clear();
    EXPECT_EQ(Read(big, 0).size(), 1u);
    EXPECT_NE(prompter.messages.back().find("pair 1"), std::string::npos);
}

// Each pair's marker used to be searched from the start of the text: a file of many pairs
// took time quadratic in its size.
TEST_F(BatchFileTest, AFileOfManyPairsIsReadInOnePass) {
    for (int i = 0; i < 50000; ++i) {
        CBatchSR& pair = list.AddNewPair();
        pair.m_strSearch = "s" + std::to_string(i);
        pair.m_strReplace = "r" + std::to_string(i);
    }
    ASSERT_EQ(list.WriteBatchFile(dir / "many.sr"), 1);
    ASSERT_EQ(list.ReadBatchFile(dir / "many.sr"), 1);
    ASSERT_EQ(list.size(), 50000u);
    EXPECT_EQ(list.pairs().back().m_strSearch, "s49999");
    EXPECT_EQ(list.pairs().back().m_strReplace, "r49999");
}

TEST_F(BatchFileTest, DeletingAPairRenumbersTheOnesBehindIt) {
    for (int i = 0; i < 3; ++i) list.AddNewPair().m_nIndex = i;
    ASSERT_TRUE(list.DeletePair(list.FindPair(1)));
    EXPECT_FALSE(list.DeletePair(nullptr));
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(list.pairs().back().m_nIndex, 1);
    EXPECT_EQ(list.FindPair(2), nullptr);
}

}  // namespace
}  // namespace kesto
