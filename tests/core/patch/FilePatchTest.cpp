// Hunks applied to a file's bytes exactly or not at all, and the changes a user may keep or
// drop.
#include "patch/FilePatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "patch/DiffReader.h"
#include "text/UnifiedDiff.h"

namespace kesto {
namespace {

// The patch that turns `before` into `after`, as a preview writes it and a reader reads it.
FilePatch PatchOf(std::string_view before, std::string_view after) {
    std::string diff;
    UnifiedDiff::Append(diff, "f", before, after);
    DiffReading reading = DiffReader::Read(diff, "/base");
    EXPECT_EQ(reading.damage, "");
    EXPECT_EQ(reading.files.size(), 1u);
    return reading.files.empty() ? FilePatch{} : std::move(reading.files[0]);
}

std::string Lines(int from, int to, std::string_view suffix = "") {
    std::string text;
    for (int i = from; i <= to; ++i)
        text += "line " + std::to_string(i) + std::string(suffix) + "\n";
    return text;
}

TEST(FilePatchTest, ApplyGivesTheNewVersionOnlyWhereTheOldOneStands) {
    struct Case {
        const char* what;
        std::string before;
        std::string after;
    };
    const std::string many = Lines(1, 40);
    std::string changed = many;
    changed.replace(changed.find("line 3\n"), 7, "three\n");
    changed.replace(changed.find("line 30\n"), 8, "");
    changed += "added\n";
    const std::vector<Case> cases = {
        {"one line", "a\nb\nc\n", "a\nB\nc\n"},
        {"CR LF", "a\r\nb\r\nc\r\n", "a\r\nB\r\nc\r\n"},
        {"no final line feed, kept", "a\nb", "a\nB"},
        {"final line feed taken", "a\nb\n", "a\nb"},
        {"final line feed given", "a\nb", "a\nb\n"},
        {"added at the start", "a\nb\n", "new\na\nb\n"},
        {"removed at the end", "a\nb\nc\n", "a\n"},
        {"a Mac file is one line", "a\rb\rc\r", "a\rB\rc\r"},
        {"several hunks", many, changed},
        {"from empty", "", "a\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FilePatch patch = PatchOf(c.before, c.after);
        EXPECT_EQ(patch.Apply(c.before), c.after);
    }
    // Any other version of the lines a hunk names is not the one the diff was made from.
    EXPECT_FALSE(PatchOf("a\nb\nc\n", "a\nB\nc\n").Apply("a\nb\r\nc\n"));
    EXPECT_FALSE(PatchOf("a\nb\nc\n", "a\nB\nc\n").Apply("a\nbx\nc\n"));
    EXPECT_FALSE(PatchOf("a\nb", "a\nB").Apply("a\nb\n"));
    EXPECT_FALSE(PatchOf("a\nb\n", "a\nB\n").Apply("a\nb"));
    EXPECT_FALSE(PatchOf("a\nb\n", "a\nB\n").Apply(""));
    // The lines after the hunk's context are not the patch's business.
    EXPECT_EQ(PatchOf("a\nb\nc\n", "a\nB\nc\n").Apply("a\nb\nc\nmore\n"), "a\nB\nc\nmore\n");
}

TEST(FilePatchTest, KeepingSomeChangesAppliesThoseAndNoOther) {
    const std::string before = "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n";
    const std::string after = "1\nTWO\nTHREE\n4\n5\n6\n7\n8\n9\n10\n11\nTWELVE\n";
    struct Case {
        const char* what;
        bool lineForLine;
        std::vector<bool> keep;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"every line its own",
         true,
         {true, false, true},
         "1\nTWO\n3\n4\n5\n6\n7\n8\n9\n10\n11\nTWELVE\n"},
        {"second only", true, {false, true, false}, "1\n2\nTHREE\n4\n5\n6\n7\n8\n9\n10\n11\n12\n"},
        {"none", true, {false, false, false}, before},
        {"all", true, {true, true, true}, after},
        {"a stretch is one", false, {false, true}, "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\nTWELVE\n"},
        {"the first stretch",
         false,
         {true, false},
         "1\nTWO\nTHREE\n4\n5\n6\n7\n8\n9\n10\n11\n12\n"},
    };
    const FilePatch patch = PatchOf(before, after);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(patch.Changes(c.lineForLine).size(), c.keep.size());
        const FilePatch kept =
            patch.Keeping(c.lineForLine, [&](std::size_t i) { return c.keep[i]; });
        EXPECT_EQ(kept.Apply(before), c.expected);
        // Written out and read again, it is the same patch.
        std::string hunks = "--- a/f\n+++ b/f\n";
        kept.AppendHunks(hunks);
        const DiffReading again = DiffReader::Read(hunks, "/base");
        ASSERT_EQ(again.damage, "") << hunks;
        if (c.expected == before) {
            EXPECT_TRUE(kept.hunks.empty());
            continue;
        }
        ASSERT_EQ(again.files.size(), 1u);
        EXPECT_EQ(again.files[0].Apply(before), c.expected) << hunks;
    }
}

TEST(FilePatchTest, DroppingAChangeThatAddsOrRemovesLinesShiftsTheHunksAfterIt) {
    const std::string before = Lines(1, 30);
    std::string after = before;
    after.insert(after.find("line 5\n"), "new a\nnew b\n");
    after.replace(after.find("line 20\n"), 8, "");
    after.replace(after.find("line 28\n"), 8, "twenty-eight\n");
    const FilePatch patch = PatchOf(before, after);
    const std::vector<PatchChange> changes = patch.Changes(true);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].before, "");
    EXPECT_EQ(changes[0].after, "new a\nnew b\n");
    EXPECT_EQ(changes[0].lineNumber, 4u) << "added after line 4";
    EXPECT_EQ(changes[1].lineNumber, 20u);
    EXPECT_EQ(changes[2].lineNumber, 28u);
    for (std::size_t dropped = 0; dropped < 3; ++dropped) {
        SCOPED_TRACE(dropped);
        const FilePatch kept = patch.Keeping(true, [&](std::size_t i) { return i != dropped; });
        std::string hunks = "--- a/f\n+++ b/f\n";
        kept.AppendHunks(hunks);
        const DiffReading again = DiffReader::Read(hunks, "/base");
        ASSERT_EQ(again.files.size(), 1u) << again.damage;
        const std::optional<std::string> applied = again.files[0].Apply(before);
        ASSERT_TRUE(applied) << hunks;
        EXPECT_EQ(applied->find("new a") != std::string::npos, dropped != 0);
        EXPECT_EQ(applied->find("line 20\n") == std::string::npos, dropped != 1);
        EXPECT_EQ(applied->find("twenty-eight") != std::string::npos, dropped != 2);
        // git and patch check the header's new start: it counts the lines kept before it.
        for (const PatchHunk& hunk : again.files[0].hunks) {
            EXPECT_EQ(hunk.newCount, static_cast<std::size_t>(std::count_if(
                                         hunk.lines.begin(), hunk.lines.end(),
                                         [](const PatchLine& l) { return l.mark != '-'; })));
        }
        if (dropped == 0) {
            EXPECT_EQ(again.files[0].hunks[0].newStart, 17u);
        }
    }
}

}  // namespace
}  // namespace kesto
