#include "text/UnifiedDiff.h"

#include <gtest/gtest.h>

#include <random>

namespace kesto {
namespace {

// Applies a diff of one file the way the patch tools do, strictly: every context and
// removed line must be there as written. Returns nothing when the diff does not apply.
std::optional<std::string> Apply(std::string_view diff, std::string_view before) {
    std::vector<std::string> lines;
    std::vector<std::string> old;
    for (std::size_t at = 0; at < before.size();) {
        const std::size_t feed = before.find('\n', at);
        const std::size_t end = feed == std::string_view::npos ? before.size() : feed + 1;
        old.emplace_back(before.substr(at, end - at));
        at = end;
    }
    for (std::size_t at = 0; at < diff.size();) {
        const std::size_t end = diff.find('\n', at) + 1;
        lines.emplace_back(diff.substr(at, end - at));
        at = end;
    }
    std::string result;
    std::size_t oldAt = 0;
    std::size_t i = 2;  // after the two header lines
    while (i < lines.size()) {
        unsigned long oldStart = 0;
        unsigned long oldCount = 1;
        if (lines[i].rfind("@@ -", 0) != 0) return std::nullopt;
        const char* p = lines[i].c_str() + 4;
        char* rest = nullptr;
        oldStart = std::strtoul(p, &rest, 10);
        if (*rest == ',') oldCount = std::strtoul(rest + 1, &rest, 10);
        const std::size_t begin = oldCount == 0 ? oldStart : oldStart - 1;
        if (begin < oldAt) return std::nullopt;
        for (; oldAt < begin; ++oldAt) result += old.at(oldAt);
        ++i;
        while (i < lines.size() && lines[i].rfind("@@", 0) != 0) {
            std::string body = lines[i].substr(1);
            const char mark = lines[i][0];
            ++i;
            if (i < lines.size() && lines[i] == "\\ No newline at end of file\n") {
                body.pop_back();
                ++i;
            }
            if (mark == '+') {
                result += body;
            } else if (oldAt < old.size() && old[oldAt] == body && (mark == ' ' || mark == '-')) {
                if (mark == ' ') result += body;
                ++oldAt;
            } else {
                return std::nullopt;
            }
        }
    }
    for (; oldAt < old.size(); ++oldAt) result += old[oldAt];
    return result;
}

std::string Diff(std::string_view before, std::string_view after, std::string_view path = "f") {
    std::string out;
    UnifiedDiff::Append(out, path, before, after);
    return out;
}

TEST(UnifiedDiffTest, AChangedLineGetsThreeLinesOfContextAsDiffPrintsIt) {
    const std::string before = "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n16\n";
    std::string after = before;
    after.replace(after.find("5\n"), 2, "five\n");
    after.replace(after.find("15\n"), 3, "fifteen\n");
    // As `diff -u` prints it, less the time stamps.
    EXPECT_EQ(Diff(before, after, "dir/a.txt"),
              "--- a/dir/a.txt\n+++ b/dir/a.txt\n"
              "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n"
              "@@ -12,5 +12,5 @@\n 12\n 13\n 14\n-15\n+fifteen\n 16\n");
    // Six common lines between two changes still make one hunk.
    after = before;
    after.replace(after.find("2\n"), 2, "two\n");
    after.replace(after.find("9\n"), 2, "nine\n");
    const std::string merged = Diff(before, after);
    EXPECT_EQ(merged.find("\n@@ -1,12 +1,12 @@\n"), merged.find("\n@@"));
    EXPECT_EQ(merged.find("\n@@", merged.find("\n@@") + 1), std::string::npos);
    EXPECT_EQ(Diff(before, before), "");
}

TEST(UnifiedDiffTest, LineEndsAndAMissingFinalLineFeedAreKept) {
    EXPECT_EQ(Diff("a\r\nb", "a\r\nc"),
              "--- a/f\n+++ b/f\n@@ -1,2 +1,2 @@\n a\r\n-b\n\\ No newline at end of file\n"
              "+c\n\\ No newline at end of file\n");
    EXPECT_EQ(Diff("x\n", "x"),
              "--- a/f\n+++ b/f\n@@ -1 +1 @@\n-x\n+x\n\\ No newline at end of file\n");
    // A Mac file is one line to the patch tools.
    EXPECT_EQ(Diff("a\rb\r", "a\rc\r"),
              "--- a/f\n+++ b/f\n@@ -1 +1 @@\n-a\rb\r\n\\ No newline "
              "at end of file\n+a\rc\r\n\\ No newline at end of file\n");
    // Everything removed: the new range is empty and names the line before it.
    EXPECT_EQ(Diff("a\nb\n", ""), "--- a/f\n+++ b/f\n@@ -1,2 +0,0 @@\n-a\n-b\n");
}

TEST(UnifiedDiffTest, NamesThePatchToolsWouldMisreadAreQuoted) {
    EXPECT_EQ(UnifiedDiff::HeaderName("a/", "dir/my file.txt"), "a/dir/my file.txt");
    EXPECT_EQ(UnifiedDiff::HeaderName("b/", "t\ta\"b\\c\x01"), "\"b/t\\ta\\\"b\\\\c\\001\"");
}

TEST(UnifiedDiffTest, RandomEditsApplyBackExactly) {
    std::mt19937 random(20261208);
    const std::vector<std::string> pieces = {"a", "b", "cat", "\r", "\n", "\n", "\r\n", " ", ""};
    for (int round = 0; round < 400; ++round) {
        std::string before;
        const int length = static_cast<int>(random() % 60);
        for (int i = 0; i < length; ++i) before += pieces[random() % pieces.size()];
        std::string after = before;
        const int edits = static_cast<int>(random() % 5);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = after.empty() ? 0 : random() % after.size();
            const std::size_t cut = std::min<std::size_t>(random() % 6, after.size() - at);
            after.replace(at, cut, pieces[random() % pieces.size()]);
        }
        const std::string diff = Diff(before, after);
        EXPECT_EQ(diff.empty(), before == after);
        if (diff.empty()) continue;
        const std::optional<std::string> applied = Apply(diff, before);
        ASSERT_TRUE(applied) << diff;
        ASSERT_EQ(*applied, after) << diff;
    }
}

TEST(UnifiedDiffTest, ManyChangesStayExactAndFewLinesWide) {
    // A quarter of 40,000 lines changed, as a dense run leaves a file.
    std::string before;
    std::string after;
    for (int i = 0; i < 40000; ++i) {
        const std::string line = "line " + std::to_string(i % 500) + " of text\n";
        before += line;
        after += i % 4 == 1 ? "changed " + line : line;
    }
    const std::vector<LineChange> changes = UnifiedDiff::Changes(before, after);
    ASSERT_EQ(changes.size(), 10000u);
    EXPECT_EQ(changes[0].oldBegin, 1u);
    EXPECT_EQ(changes[0].oldCount, 1u);
    EXPECT_EQ(changes[0].newCount, 1u);
    EXPECT_EQ(Apply(Diff(before, after), before), after);

    // Lines that all moved cost more than the search may spend: the diff is longer but exact.
    std::string reversed;
    for (int i = 2999; i >= 0; --i) reversed += std::to_string(i) + "\n";
    std::string counted;
    for (int i = 0; i < 3000; ++i) counted += std::to_string(i) + "\n";
    EXPECT_EQ(Apply(Diff(counted, reversed), counted), reversed);
}

}  // namespace
}  // namespace kesto
