#include "batch/BatchSRList.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(Read("#!S!#1#\r\na\r\n#!R!#1#\r\nb\r\n#!S!#2#\r\nc\r\n#!R!#2#\r\nd\r\n"
                   "#!S!#4#\r\ne\r\n#!R!#4#\r\nf"),
              (Pairs{{"a", "b"}, {"c", "d\r\n#!S!#4#\r\ne\r\n#!R!#4#\r\nf"}}));
    EXPECT_EQ(Read("#!S!#1#\r\n#!R!#1#\r\nz"), (Pairs{{"", "z"}}));
    EXPECT_EQ(Read("#!S!#1#\r\ns\r\n#!R!#1#"), (Pairs{{"s", ""}}));
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
