// Previews through kesto-cli: a dry run changes nothing and logs what the real run logs, and
// its diff, applied by the patch tools, gives what the real run writes.
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

constexpr const char* kPreviewLine = "                    Preview Only -> No File Changed";

// The files every run starts from: each kind of line break, a NUL byte, no final line feed,
// a UTF-8 byte-order mark.
const Files kTree = {
    {"dos.txt", "the cat sat\r\non the mat\r\nno cat here?  \r\ncat\r\n"},
    {"unix.txt", "a cat and\na dog\ncatalogue cat  \nlast cat"},
    {"mac.txt", "cat one\rcat two\r\rend\r"},
    {"nul.txt", std::string("cat\0cat\nplain\n", 14)},
    {"mixed.txt", "cat\r\ncat\ncat\rcat"},
    {"none.txt", "nothing to see\n"},
    {"a b.txt", "a cat in a name with a space\n"},
    {"mark.txt",
     "\xef\xbb\xbf"
     "cat at the start\ncat\n"},
    {"sub/deep.txt", "deep cat\ncat deep\n"},
};

struct Case {
    const char* name;
    std::vector<std::string> arguments;
};

const std::vector<Case> kCases = {
    {"single", {"-s", "cat", "-r", "dog", "-d", "tree", "-R"}},
    {"whole word", {"-w", "-s", "cat", "-r", "feline", "-d", "tree", "-R"}},
    {"first only, match case", {"-1", "-c", "-s", "cat", "-r", "CAT", "-d", "tree", "-R"}},
    {"wildcards", {"-W", "-s", "c*t", "-r", "<*>", "-d", "tree", "-R"}},
    {"spanning lines", {"-e", "-s", "and\\na", "-r", "and a", "-d", "tree"}},
    {"line end anchor", {"-e", "-s", "cat$", "-r", "kitten$", "-d", "tree"}},
    {"batch", {"-b", "pairs.sr", "-d", "tree", "-R"}},
    {"strip", {"--strip", "-d", "tree"}},
    {"insert", {"--insert", "> ", "--column", "1", "-d", "tree"}},
    {"dos2unix", {"--convert", "dos2unix", "-d", "tree"}},
    {"mac2dos", {"--convert", "mac2dos", "-d", "tree"}},
    {"unix2mac", {"--convert", "unix2mac", "-d", "tree"}},
    {"file list", {"-s", "cat", "-r", "dog", "tree/unix.txt", "tree/mac.txt", "tree/a b.txt"}},
};

class PreviewTest : public test::CliRunTest {
protected:
    // A fresh tree (and batch file), always at the same place, so that logs compare.
    void MakeTree() {
        fs::remove_all(dir / "tree");
        for (const auto& [name, bytes] : kTree) {
            fs::create_directories(fs::path(dir / ("tree/" + name)).parent_path());
            WriteFile(dir / ("tree/" + name), bytes);
        }
        WriteFile(dir / "pairs.sr",
                  "#!S!#1#\r\ncat\r\n#!R!#1#\r\ndog\r\n#!S!#2#\r\ndog\r\n#!R!#2#\r\nwolf");
        WriteFile(dir / "k.INI", "");
    }

    // The tree less the backups a real run leaves beside its files.
    Files Tree() const {
        Files files;
        for (const auto& [path, bytes] : test::Snapshot(dir / "tree")) {
            if (path.find(".~") == std::string::npos) files[path] = bytes;
        }
        return files;
    }

    // The log on standard output, less the time each file took.
    std::vector<std::string> Stdout() const {
        std::vector<std::string> lines;
        const std::string text = ReadFile(dir / "stdout");
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = text.find('\n', at);
            std::string line = text.substr(at, end - at);
            if (const std::size_t time = line.find("Elapsed Time "); time != std::string::npos) {
                line.erase(time);
            }
            lines.push_back(line);
            at = end + 1;
        }
        return lines;
    }

    int Shell(const std::string& command) {
        return std::system(("cd " + Quote(dir.path().string()) + " && " + command).c_str());
    }
};

TEST_F(PreviewTest, ADryRunChangesNothingAndLogsWhatTheRunLogs) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        MakeTree();
        const Files before = test::Snapshot(dir / "tree");
        std::vector<std::string> dry = c.arguments;
        dry.push_back("--dry-run");
        ASSERT_EQ(Run(dry), 0) << ReadFile(dir / "stderr");
        EXPECT_EQ(test::Snapshot(dir / "tree"), before);
        EXPECT_EQ(ReadFile(dir / "k.INI"), "") << "no setting written";
        std::vector<std::string> previewLog = Stdout();
        ASSERT_GE(previewLog.size(), 2u);
        EXPECT_EQ(previewLog[1], kPreviewLine);
        previewLog.erase(previewLog.begin() + 1);

        MakeTree();
        ASSERT_EQ(Run(c.arguments), 0) << ReadFile(dir / "stderr");
        EXPECT_EQ(previewLog, Stdout());
        EXPECT_NE(Tree(), before) << "the case changes something";
    }
}

TEST_F(PreviewTest, TheDiffAppliedByThePatchToolsOrByKestoGivesTheFilesTheRunWrites) {
    const std::vector<std::string> appliers = {"kesto-cli --apply-diff", "git apply", "patch -p1"};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        MakeTree();
        ASSERT_EQ(Run(c.arguments), 0);
        const Files written = Tree();

        for (const std::string& applier : appliers) {
            if (applier != appliers[0] && !test::HasTool(applier.substr(0, applier.find(' ')))) {
                continue;
            }
            SCOPED_TRACE(applier);
            MakeTree();
            const Files before = test::Snapshot(dir / "tree");
            std::vector<std::string> diff = c.arguments;
            diff.push_back("--diff");
            ASSERT_EQ(Run(diff, "", ""), 0) << ReadFile(dir / "stderr");
            EXPECT_EQ(test::Snapshot(dir / "tree"), before);
            const std::string patch = ReadFile(dir / "stdout");
            EXPECT_EQ(patch.rfind("--- a/tree/", 0), 0u) << patch;
            fs::rename(dir / "stdout", dir / "changes.diff");
            if (applier == appliers[0]) {
                ASSERT_EQ(Run({"-q", "--apply-diff", "changes.diff"}), 0)
                    << ReadFile(dir / "stderr");
                EXPECT_EQ(ReadFile(dir / "stderr"), "");
            } else {
                ASSERT_EQ(Shell(applier == appliers[1]
                                    ? "git apply --whitespace=nowarn changes.diff"
                                    : "patch -p1 -s --no-backup-if-mismatch < changes.diff"),
                          0)
                    << patch;
            }
            EXPECT_EQ(Tree(), written) << patch;
        }
    }
}

TEST_F(PreviewTest, AnAbortedPreviewPrintsNoPartOfItsDiff) {
    MakeTree();
    // Replace It in the first file, then Abort in the next.
    EXPECT_EQ(
        Run({"--diff", "-i", "-s", "cat", "-r", "dog", "tree/unix.txt", "tree/dos.txt"}, "a\nx\n"),
        3);
    EXPECT_EQ(ReadFile(dir / "stdout"), "");
    // Stop Now ends the preview as it ends the run: the files done so far are in the diff.
    EXPECT_EQ(
        Run({"--diff", "-i", "-s", "cat", "-r", "dog", "tree/unix.txt", "tree/dos.txt"}, "a\nn\n"),
        5);
    const std::string patch = ReadFile(dir / "stdout");
    EXPECT_EQ(patch.rfind("--- a/tree/unix.txt\n", 0), 0u) << patch;
    EXPECT_EQ(patch.find("dos.txt"), std::string::npos) << patch;
}

TEST_F(PreviewTest, TheDiffNamesFilesOutsideTheCurrentFolderByTheirWholePath) {
    MakeTree();
    fs::create_directories(dir / "elsewhere");
    ASSERT_EQ(Shell(Quote(KestoCli()) + " --ini k.INI -q --diff -s cat -r dog " +
                    Quote(dir / "tree/unix.txt") + " -- ../" +
                    Quote(fs::path(dir.path()).filename().string() + "/tree/mac.txt") +
                    " > stdout 2> stderr"),
              0);
    const std::string patch = ReadFile(dir / "stdout");
    EXPECT_NE(patch.find("--- a/tree/unix.txt\n+++ b/tree/unix.txt\n"), std::string::npos) << patch;
    EXPECT_NE(patch.find("--- a/tree/mac.txt\n"), std::string::npos) << "../ is resolved";

    ASSERT_EQ(Shell("cd tree && " + Quote(KestoCli()) + " --ini ../k.INI -q --diff -s cat -r dog " +
                    Quote(dir / "tree/dos.txt") + " > ../stdout 2> ../stderr"),
              0);
    EXPECT_EQ(ReadFile(dir / "stdout").rfind("--- a/dos.txt\n", 0), 0u);
    // A file above the current folder keeps its whole path.
    WriteFile(dir / "top.txt", "cat\n");
    ASSERT_EQ(Shell("cd tree && " + Quote(KestoCli()) +
                    " --ini ../k.INI -q --diff -s cat -r dog ../top.txt > ../stdout"),
              0);
    EXPECT_EQ(ReadFile(dir / "stdout").rfind("--- a/" + (dir / "top.txt") + "\n", 0), 0u);
}

}  // namespace
}  // namespace kesto
