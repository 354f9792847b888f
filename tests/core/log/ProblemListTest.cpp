#include "log/ProblemList.h"

#include <gtest/gtest.h>

namespace kesto {
namespace {

TEST(ProblemListTest, EntriesReadAsTheLogShowsThemWhateverFolderAndReasonCameBefore) {
    ProblemList problems;
    problems.Add("/d/one.txt", "No match Found!");
    problems.Add("/d/two.txt", "");
    problems.Add("/e/three.txt", "Binary File!");
    problems.Add("/d/four.txt", "No match Found!");
    problems.Add("bare.txt", "Binary File!");
    problems.Add("/", "");
    ASSERT_EQ(problems.size(), 6u);
    EXPECT_EQ(problems.Entry(0), "     1) --- /d/one.txt ... No match Found!");
    EXPECT_EQ(problems.Entry(1), "     2) --- /d/two.txt");
    EXPECT_EQ(problems.Entry(2), "     3) --- /e/three.txt ... Binary File!");
    EXPECT_EQ(problems.Entry(3), "     4) --- /d/four.txt ... No match Found!");
    EXPECT_EQ(problems.Entry(4), "     5) --- bare.txt ... Binary File!");
    EXPECT_EQ(problems.Entry(5), "     6) --- /");
}

TEST(ProblemListTest, AnEntryWrittenIntoABufferReplacesWhatItHeld) {
    ProblemList problems;
    problems.Add("/d/a.txt", "No match Found!");
    problems.Add("/d/b.txt", "");
    std::string buffer = "left over from before";
    problems.WriteEntry(1, buffer);
    EXPECT_EQ(buffer, "     2) --- /d/b.txt");
    problems.WriteEntry(0, buffer);
    EXPECT_EQ(buffer, "     1) --- /d/a.txt ... No match Found!");
}

}  // namespace
}  // namespace kesto
