#include "session/PreviewDiffs.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "text/UnifiedDiff.h"

namespace kesto {
namespace {

std::string NumberedLines(int count, int changedEvery, std::string_view change) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (changedEvery > 0 && i % changedEvery == 0) text += change;
        text += "line " + std::to_string(i) + "\n";
    }
    return text;
}

// Each file's hunks are built in room kept from the file before: a small file after a large
// one, and a file without a change between them, must give exactly their own diffs.
TEST(PreviewDiffsTest, EachFileKeepsOnlyItsOwnHunksWhateverCameBefore) {
    const std::string largeBefore = NumberedLines(5000, 0, "");
    const std::string largeAfter = NumberedLines(5000, 7, "new ");
    const std::string smallBefore = "one\ntwo\n";
    const std::string smallAfter = "one\n2\n";

    PreviewDiffs diffs;
    diffs.WouldRewrite("/top/large.txt", largeBefore, largeAfter);
    diffs.WouldRewrite("/top/same.txt", smallBefore, smallBefore);
    diffs.WouldRewrite("/top/sub/small.txt", smallBefore, smallAfter);

    std::string expected;
    UnifiedDiff::Append(expected, "large.txt", largeBefore, largeAfter);
    UnifiedDiff::Append(expected, "sub/small.txt", smallBefore, smallAfter);
    std::ostringstream written;
    ASSERT_TRUE(diffs.WriteTo(written, "/top"));
    EXPECT_EQ(written.str(), expected);
    EXPECT_NE(expected.find("+2\n"), std::string::npos);
}

}  // namespace
}  // namespace kesto
