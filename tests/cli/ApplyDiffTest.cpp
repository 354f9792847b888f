// kesto-cli --apply-diff: a diff applied through the run's own replacement, each file only
// where it is as the diff was made from, and never a file outside the current folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/CliRun.h"

namespace kesto {
namespace {

namespace fs = std::filesystem;
using test::KestoCli;
using test::Quote;
using test::ReadFile;
using test::WriteFile;
using Files = std::map<std::string, std::string>;

class ApplyDiffTest : public test::CliRunTest {
protected:
    ApplyDiffTest() { comparesThreads = false; }

    // The files below `root`, backups left out.
    static Files Tree(const fs::path& root) {
        Files files;
        for (const auto& [path, bytes] : test::Snapshot(root)) {
            if (path.find(".~") == std::string::npos) files[path] = bytes;
        }
        return files;
    }

    // kesto-cli run in `folder` below the test's own; returns its exit status.
    int RunIn(const std::string& folder, const std::vector<std::string>& arguments,
              const std::string& input = "") {
        WriteFile(dir / "stdin", input);
        std::string command = "cd " + Quote(dir / folder) + " && " + Quote(KestoCli()) + " --ini " +
                              Quote(dir / "k.INI") + " --state " + Quote(dir / "state") + " -q";
        for (const std::string& argument : arguments) command += " " + Quote(argument);
        command += " < " + Quote(dir / "stdin") + " > " + Quote(dir / "stdout") + " 2> " +
                   Quote(dir / "stderr");
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    // The diff of replacing "cat" by "dog" in `tree`, made by a preview.
    std::string DiffOfCatTree(const std::string& tree) {
        EXPECT_EQ(Run({"--diff", "-c", "-s", "cat", "-r", "dog", "-d", tree, "-R"}), 0);
        return ReadFile(dir / "stdout");
    }
};

TEST_F(ApplyDiffTest, HunksAndFilesTakenOutOfTheDiffAreLeftAsTheyWere) {
    WriteFile(dir / "first.txt", "cat\n");
    std::string lines;
    for (int i = 1; i <= 30; ++i)
        lines += (i % 10 == 0 ? "cat " : "line ") + std::to_string(i) + "\n";
    WriteFile(dir / "second.txt", lines);
    ASSERT_EQ(Run({"--diff", "-s", "cat", "-r", "dog", "first.txt", "second.txt"}), 0);
    const std::string diff = ReadFile(dir / "stdout");
    // Without the first file's part and the second file's middle hunk.
    const std::size_t second = diff.find("--- a/second.txt");
    const std::size_t middle = diff.find("@@ -17,");
    const std::size_t last = diff.find("@@ -27,");
    ASSERT_TRUE(second < middle && middle < last && last != std::string::npos) << diff;
    WriteFile(dir / "edited.diff", diff.substr(second, middle - second) + diff.substr(last));
    ASSERT_EQ(Run({"--apply-diff", "edited.diff"}), 0) << ReadFile(dir / "stderr");
    EXPECT_EQ(ReadFile(dir / "first.txt"), "cat\n");
    std::string expected = lines;
    expected.replace(expected.find("cat 10"), 3, "dog");
    expected.replace(expected.find("cat 30"), 3, "dog");
    EXPECT_EQ(ReadFile(dir / "second.txt"), expected);
}

TEST_F(ApplyDiffTest, AFileChangedSinceTheDiffIsNamedAndTheOthersAreApplied) {
    WriteFile(dir / "one.txt", "a cat\n");
    WriteFile(dir / "two.txt", "the cat\n");
    WriteFile(dir / "three.txt", "cat!\n");
    ASSERT_EQ(Run({"--diff", "-s", "cat", "-r", "dog", "one.txt", "two.txt", "three.txt"}), 0);
    fs::rename(dir / "stdout", dir / "changes.diff");
    WriteFile(dir / "two.txt", "the cat\r\n");
    ASSERT_EQ(Run({"--apply-diff", "changes.diff"}), 0) << ReadFile(dir / "stderr");
    EXPECT_EQ(ReadFile(dir / "one.txt"), "a dog\n");
    EXPECT_EQ(ReadFile(dir / "two.txt"), "the cat\r\n");
    EXPECT_EQ(ReadFile(dir / "three.txt"), "dog!\n");
    const std::string log = ReadFile(dir / "stdout");
    EXPECT_NE(log.find("** Apply Diff **"), std::string::npos) << log;
    EXPECT_NE(log.find("Diff -> changes.diff"), std::string::npos) << log;
    EXPECT_NE(log.find("ORG: 00001 a cat\nMOD: 00001 a dog\n"), std::string::npos) << log;
    EXPECT_NE(log.find(") --- " + (dir / "two.txt") + " ... Changed since the diff was made!"),
              std::string::npos)
        << log;
}

TEST_F(ApplyDiffTest, AHostileDiffWritesNothingOutsideAndNamesWhatItRefused) {
    struct Case {
        const char* what;
        std::string diff;
        int status;
        std::string said;  // in the log, or on standard error
    };
    const std::string hunk = "@@ -1 +1 @@\n-victim\n+owned\n";
    const std::string outside = dir / "outside.txt";
    const std::vector<Case> cases = {
        {"up and out", "--- a/../outside.txt\n+++ b/../outside.txt\n" + hunk, 0,
         "Leaves the current folder - not applied!"},
        {"absolute", "--- " + outside + "\n+++ " + outside + "\n" + hunk, 0,
         "Leaves the current folder - not applied!"},
        {"a link to a file", "--- a/link.txt\n+++ b/link.txt\n" + hunk, 0,
         "Reached through a link - not applied!"},
        {"a link to a folder", "--- a/up/outside.txt\n+++ b/up/outside.txt\n" + hunk, 0,
         "Reached through a link - not applied!"},
        {"creates", "--- /dev/null\n+++ b/new.txt\n@@ -0,0 +1 @@\n+owned\n", 0,
         "Creates a file - not applied!"},
        {"deletes", "--- a/keep.txt\n+++ /dev/null\n@@ -1 +0,0 @@\n-victim\n", 0,
         "Deletes the file - not applied!"},
        {"a header that lies", "--- a/keep.txt\n+++ b/keep.txt\n@@ -1 +1 @@\n-victim\n+a\n+b\n", 1,
         "The diff is damaged at line 6"},
        {"CR LF", "--- a/keep.txt\r\n+++ b/keep.txt\r\n@@ -1 +1 @@\r\n-victim\r\n+owned\r\n", 0,
         "Changed since the diff was made!"},
    };
    fs::create_directories(dir / "work");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(outside, "victim\n");
        WriteFile(dir / "work/keep.txt", "victim\n");
        fs::remove(dir / "work/link.txt");
        fs::remove(dir / "work/up");
        fs::create_symlink("../outside.txt", dir / "work/link.txt");
        fs::create_directory_symlink("..", dir / "work/up");
        WriteFile(dir / "hostile.diff", c.diff);
        const Files before = test::Snapshot(dir.path());
        EXPECT_EQ(RunIn("work", {"--apply-diff", "../hostile.diff"}), c.status);
        const std::string said = ReadFile(dir / "stdout") + ReadFile(dir / "stderr");
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        Files after = test::Snapshot(dir.path());
        after.erase(dir / "stdout");
        after.erase(dir / "stderr");
        after.erase(dir / "stdin");
        Files was = before;
        was.erase(dir / "stdout");
        was.erase(dir / "stderr");
        was.erase(dir / "stdin");
        EXPECT_EQ(after, was);
        EXPECT_FALSE(fs::exists(dir / "work/new.txt"));
    }
}

TEST_F(ApplyDiffTest, NamesWithSpacesAndTabsAsGitQuotesThem) {
    WriteFile(dir / "a b.txt", "cat\n");
    WriteFile(dir / "tab\there.txt", "cat\n");
    WriteFile(dir / "quote\".txt", "cat\n");
    ASSERT_EQ(Run({"--diff", "-s", "cat", "-r", "dog", "a b.txt", "tab\there.txt", "quote\".txt"}),
              0);
    const std::string diff = ReadFile(dir / "stdout");
    EXPECT_NE(diff.find("--- \"a/tab\\there.txt\"\n"), std::string::npos) << diff;
    fs::rename(dir / "stdout", dir / "changes.diff");
    ASSERT_EQ(Run({"--apply-diff", "changes.diff"}), 0) << ReadFile(dir / "stderr");
    for (const char* name : {"a b.txt", "tab\there.txt", "quote\".txt"}) {
        EXPECT_EQ(ReadFile(dir / name), "dog\n") << name;
    }
}

TEST_F(ApplyDiffTest, UndoGivesTheTreeBackAndAPreviewWritesNothing) {
    const Files original = test::MakeCatTree(dir / "tree");
    WriteFile(dir / "tree.diff", DiffOfCatTree("tree"));

    ASSERT_EQ(Run({"-n", "--apply-diff", "-"}, ReadFile(dir / "tree.diff")), 0);
    EXPECT_EQ(test::Snapshot(dir / "tree"), original);
    EXPECT_NE(ReadFile(dir / "stdout").find("Preview Only -> No File Changed"), std::string::npos);
    EXPECT_NE(ReadFile(dir / "stdout").find("Diff -> standard input"), std::string::npos);

    ASSERT_EQ(Run({"--apply-diff", "tree.diff"}), 0) << ReadFile(dir / "stderr");
    EXPECT_NE(Tree(dir / "tree"), original);
    ASSERT_EQ(Run({"--runs"}), 0);
    EXPECT_NE(ReadFile(dir / "stdout").find("  diff  "), std::string::npos)
        << ReadFile(dir / "stdout");
    ASSERT_EQ(Run({"--undo"}), 0) << ReadFile(dir / "stderr");
    EXPECT_EQ(Tree(dir / "tree"), original);
}

TEST_F(ApplyDiffTest, ADiffThatCannotBeReadIsRefusedBeforeAnyFile) {
    EXPECT_EQ(Run({"--apply-diff", "missing.diff"}), 1);
    EXPECT_NE(ReadFile(dir / "stderr").find("Couldn't read the diff missing.diff!"),
              std::string::npos);
    EXPECT_EQ(Run({"--apply-diff", "x.diff", "file.txt"}), 2) << "the files are the diff's";
    EXPECT_EQ(Run({"--apply-diff", "x.diff", "-s", "a"}), 2);
}

}  // namespace
}  // namespace kesto
