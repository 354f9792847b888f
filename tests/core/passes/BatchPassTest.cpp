// One file of a batch run: the pairs applied one after the other, in one walk when they
// are plain literals, and what the file and the log show afterwards.
#include "passes/BatchPass.h"

#include "literal/FastPath.h"

#include "session/BatchPreparation.h"
#include "support/PassFixture.h"

namespace kesto {
namespace {

using test::ReadFile;
using test::WriteFile;

class BatchPassTest : public test::PassTest {
protected:
    BatchPassTest() {
        options.batchMode = true;
        options.matchCase = true;
        options.globalReplace = true;
        options.confirmEachReplace = false;
        control.StartRun(false, true);
    }

    // The pairs, followed by as many that never match as it takes for plain literals to
    // be applied in one walk.
    void Pairs(const std::vector<std::pair<std::string, std::string>>& given) {
        for (const auto& [search, replace] : given) Add(search, replace);
        for (std::size_t i = given.size(); i < FastPath::kFewestChainedPairs; ++i) {
            Add("#" + std::to_string(i) + "#", "-");
        }
        PrepareBatchPairs(pairs, options);
    }

    void Add(const std::string& search, const std::string& replace) {
        CBatchSR& pair = pairs.AddNewPair();
        pair.m_strSearch = search;
        pair.m_strReplace = replace;
    }

    bool Process(BatchPass& pass, const std::string& name) {
        const bool processed = pass.ProcessBatchFile(dir.path().string(), name);
        backups.EndRun();
        return processed;
    }

    // The counts of the summary line the pass logged last.
    std::string Summary() const {
        const std::string line(log.line(log.logLineCount() - 2));
        return line.substr(0, line.find(" -- Elapsed"));
    }

    CBatchSRList pairs{prompter};
};

TEST_F(BatchPassTest, EachPairWorksOnWhatThePairsBeforeItMade) {
    Pairs({{"cat", "dog"}, {"dog", "bird"}, {"i", "ii"}, {"bird", "fish"}, {"o", "0"}});
    BatchPass pass(context, matcher, pairs);
    // Each line keeps the line break it had, rewritten or not: a bare LF in a DOS file
    // too. No bird is left for the fourth pair: the third made each one a biird.
    WriteFile(File("dos.txt"), "a cat\r\nno match\nbird cat\ndog\r\n");
    WriteFile(File("unix.txt"), "a cat\nbird\nlast dog");
    WriteFile(File("mac.txt"), "cat\rcod\n\r");
    WriteFile(File("none.txt"), "horse\n");

    ASSERT_TRUE(Process(pass, "dos.txt"));
    EXPECT_EQ(ReadFile(File("dos.txt")), "a biird\r\nn0 match\nbiird biird\nbiird\r\n");
    EXPECT_EQ(Summary(), "     10 changes made -- Start Size 30 -- End Size 37");
    ASSERT_TRUE(Process(pass, "unix.txt"));
    EXPECT_EQ(ReadFile(File("unix.txt")), "a biird\nbiird\nlast biird");
    ASSERT_TRUE(Process(pass, "mac.txt"));
    EXPECT_EQ(ReadFile(File("mac.txt")), "biird\rc0d\n\r");
    EXPECT_TRUE(Process(pass, "none.txt"));
    EXPECT_EQ(ReadFile(File("none.txt")), "h0rse\n");
    ASSERT_EQ(backups.changedFiles().size(), 4u);
}

TEST_F(BatchPassTest, AFileWithoutAnyMatchIsRestoredAndListed) {
    Pairs({{"cat", "dog"}, {"dog", "bird"}, {"eel", "ray"}, {"ant", "bee"}});
    BatchPass pass(context, matcher, pairs);
    WriteFile(File("plain.txt"), "nothing here\r\n");
    EXPECT_TRUE(Process(pass, "plain.txt"));
    EXPECT_EQ(ReadFile(File("plain.txt")), "nothing here\r\n");
    EXPECT_FALSE(std::filesystem::exists(File("plain.~txt")));
    EXPECT_NE(log.problemFiles().back().find("plain.txt ... No matches Found!"), std::string::npos);
}

TEST_F(BatchPassTest, TextsTheWalkGivesBackAreStillDoneRight) {
    Pairs({{"ab", "abX"}, {"X", "Y"}, {"q", "r"}, {"zz", "z"}});
    BatchPass pass(context, matcher, pairs);
    // A line that the first pair grows past the limit before the second pair matches it:
    // the pair refuses it as it does on its own.
    std::string longLine;
    for (int i = 0; i < 3199; ++i) longLine += "abcdefghi ";
    WriteFile(File("long.txt"), "ab\n" + longLine + "\n");
    EXPECT_FALSE(Process(pass, "long.txt"));
    EXPECT_EQ(ReadFile(File("long.txt")), "ab\n" + longLine + "\n");
    EXPECT_NE(log.problemFiles().back().find("long.txt ... Line to long!"), std::string::npos);
    EXPECT_EQ(prompter.messages.size(), 1u);

    // Words that hardly ever repeat.
    std::string varied;
    std::string expected;
    for (int word = 0; word < 6000; ++word) {
        std::string letters = "ab";
        for (int digit = 0, rest = word; digit < 8; ++digit, rest /= 3) {
            letters += "qzc"[rest % 3];
        }
        varied += letters + (word % 10 == 9 ? "\n" : " ");
        std::string changed = "abY";
        for (std::size_t at = 2; at < letters.size(); ++at) {
            if (letters.compare(at, 2, "zz") == 0) {
                changed += 'z';
                ++at;
            } else {
                changed += letters[at] == 'q' ? 'r' : letters[at];
            }
        }
        expected += changed + (word % 10 == 9 ? "\n" : " ");
    }
    WriteFile(File("varied.txt"), varied);
    ASSERT_TRUE(Process(pass, "varied.txt"));
    EXPECT_EQ(ReadFile(File("varied.txt")), expected);
}

// The walk that applies every pair at once folds ASCII letters only: with Unicode case a
// pair beyond ASCII, or a text with the Kelvin sign or the long s, goes pair by pair.
TEST_F(BatchPassTest, UnicodeCaseFoldsEveryLetterInABatchOfLiterals) {
    options.matchCase = false;
    options.unicodeCase = true;
    Pairs({{"ärger", "x"}, {"kilo", "y"}});
    BatchPass beyondAscii(context, matcher, pairs);
    WriteFile(File("a.txt"), "ÄRGER \u212Ailo KILO\n");
    ASSERT_TRUE(Process(beyondAscii, "a.txt"));
    EXPECT_EQ(ReadFile(File("a.txt")), "x y y\n");

    pairs.RemoveAllPairs();
    Pairs({{"kilo", "y"}});
    BatchPass ascii(context, matcher, pairs);
    WriteFile(File("b.txt"), "\u212Ailo KILO\n");
    ASSERT_TRUE(Process(ascii, "b.txt"));
    EXPECT_EQ(ReadFile(File("b.txt")), "y y\n");
}

}  // namespace
}  // namespace kesto
