// A run changes only the bytes the user asked for and says when it stopped short: line
// breaks of every kind stay as they were, a file that would come out as it was is left
// alone, the log's line limit leaves no half file, a closed standard input is the end of
// the answers, and a file deeper than a path may be long is reached like any other.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/CliRun.h"
#include "support/TempDir.h"

namespace kesto {
namespace {

using test::KestoCli;
using test::Quote;
using test::ReadFile;
using test::WriteFile;
namespace fs = std::filesystem;

// A shell script with a stray CR LF, as an editor on another system leaves one.
const std::string kMixed = "#!/bin/sh\necho foo\nexit 0\r\nfoo\r\nfoo";

class AskedBytesTest : public test::CliRunTest {
protected:
    std::string Log() { return ReadFile(dir / "stdout"); }
    ino_t InodeOf(const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_ino;
    }
    int Journals() {
        int count = 0;
        if (!fs::exists(dir / "state")) return 0;
        for (const auto& entry : fs::directory_iterator(dir / "state")) {
            count += entry.path().extension() == ".journal";
        }
        return count;
    }
};

struct MixedCase {
    std::string title;
    std::vector<std::string> arguments;
    std::string expected;
    std::string reference;  // a sed or perl program that writes the same, when there is one
};

TEST_F(AskedBytesTest, EveryLineKeepsItsOwnLineBreakInEveryKindOfRun) {
    WriteFile(dir / "pairs.sr",
              "#!S!#1#\r\nfoo\r\n#!R!#1#\r\nbar\r\n#!S!#2#\r\nexit\r\n#!R!#2#\r\nquit");
    const std::vector<MixedCase> cases = {
        {"a literal",
         {"-s", "foo", "-r", "bar"},
         "#!/bin/sh\necho bar\nexit 0\r\nbar\r\nbar",
         "sed -i s/foo/bar/g"},
        {"wildcards",
         {"-W", "-s", "f?o", "-r", "bar"},
         "#!/bin/sh\necho bar\nexit 0\r\nbar\r\nbar",
         ""},
        {"a regular expression",
         {"-E", "-s", "f(o)o", "-r", "b$1r"},
         "#!/bin/sh\necho bor\nexit 0\r\nbor\r\nbor",
         "perl -pi -e 's/f(o)o/b$1r/g'"},
        {"Preserve Case",
         {"-P", "-s", "FOO", "-r", "bar"},
         "#!/bin/sh\necho bar\nexit 0\r\nbar\r\nbar",
         ""},
        {"a batch", {"-b", "pairs.sr"}, "#!/bin/sh\necho bar\nquit 0\r\nbar\r\nbar", ""},
        {"a batch of regular expressions",
         {"-E", "-b", "pairs.sr"},
         "#!/bin/sh\necho bar\nquit 0\r\nbar\r\nbar",
         ""},
        {"strip", {"--strip"}, "#!/bin/sh\necho foo\nexit 0\r\nfoo\r\nfoo", ""},
        {"insert",
         {"--insert", "> ", "--column", "1"},
         "> #!/bin/sh\n> echo foo\n> exit 0\r\n> foo\r\n> foo",
         "perl -pi -e 's/^/> /'"},
    };
    for (const MixedCase& c : cases) {
        SCOPED_TRACE(c.title);
        WriteFile(dir / "s.sh", kMixed + " \n");
        std::vector<std::string> arguments = c.arguments;
        arguments.push_back("s.sh");
        const std::string expected = c.expected + (c.title == "strip" ? "\n" : " \n");
        ASSERT_EQ(Run(arguments), 0) << ReadFile(dir / "stderr");
        EXPECT_EQ(ReadFile(dir / "s.sh"), expected);
        if (!c.reference.empty()) {
            WriteFile(dir / "ref.sh", kMixed + " \n");
            ASSERT_EQ(
                std::system(("cd " + Quote(dir.path()) + " && " + c.reference + " ref.sh").c_str()),
                0);
            EXPECT_EQ(ReadFile(dir / "ref.sh"), expected) << "as " << c.reference << " writes";
        }

        // The diff of the preview writes the same bytes where git applies it.
        WriteFile(dir / "s.sh", kMixed + " \n");
        std::vector<std::string> diff = {"--diff"};
        diff.insert(diff.end(), arguments.begin(), arguments.end());
        ASSERT_EQ(Run(diff), 0);
        if (!test::HasTool("git")) continue;
        ASSERT_EQ(std::system(("cd " + Quote(dir.path()) + " && git apply stdout").c_str()), 0)
            << ReadFile(dir / "stdout");
        EXPECT_EQ(ReadFile(dir / "s.sh"), expected);
    }
}

TEST_F(AskedBytesTest, AFileThatWouldComeOutAsItWasIsLeftAloneWithItsLogLines) {
    struct Case {
        std::string title;
        std::vector<std::string> arguments;
        std::string answers;
    };
    const std::vector<Case> cases = {
        {"case ignored, the replacement the same text", {"-s", "FOO", "-r", "foo"}, ""},
        {"a regular expression giving back its match", {"-E", "-s", "f(o+)", "-r", "f$1"}, ""},
        {"every match skipped", {"-i", "-s", "foo", "-r", "bar"}, "s\ns\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        fs::remove_all(dir / "state");
        WriteFile(dir / "a.txt", "foo\nfoo\n");
        fs::create_hard_link(dir / "a.txt", dir / "other name");
        std::vector<std::string> arguments = c.arguments;
        arguments.push_back("a.txt");
        ASSERT_EQ(Run(arguments, c.answers), 0) << ReadFile(dir / "stderr");
        EXPECT_EQ(ReadFile(dir / "a.txt"), "foo\nfoo\n");
        EXPECT_EQ(InodeOf(dir / "a.txt"), InodeOf(dir / "other name")) << "the same file still";
        EXPECT_FALSE(fs::exists(dir / "a.~txt")) << "no backup";
        EXPECT_NE(Log().find(" changes made out of 2 possible in 2 lines!"), std::string::npos)
            << Log();
        EXPECT_EQ(Journals(), 0) << "nothing to undo";
        arguments.insert(arguments.begin(), "--diff");
        ASSERT_EQ(Run(arguments, c.answers), 0);
        EXPECT_EQ(ReadFile(dir / "stdout"), "") << "nothing to apply";
        fs::remove(dir / "other name");
    }
}

TEST_F(AskedBytesTest, TheLogsLineLimitLeavesTheFileInHandAsItWasAndNamesTheFilesNotReached) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "two million log lines take minutes when checked; the release build runs it";
#endif
    // Each matching line makes three log lines: the limit of 2,048,000 falls in f2.
    std::string text;
    for (int line = 0; line < 300'000; ++line) text += "cat\n";
    std::string dogs;
    for (int line = 0; line < 300'000; ++line) dogs += "dog\n";
    for (int file = 0; file < 4; ++file)
        WriteFile(dir / ("f" + std::to_string(file) + ".txt"), text);
    comparesThreads = false;  // one run of this size is enough
    EXPECT_EQ(Run({"-s", "cat", "-r", "dog", "f0.txt", "f1.txt", "f2.txt", "f3.txt"}), 5);
    EXPECT_EQ(ReadFile(dir / "f0.txt"), dogs);
    EXPECT_EQ(ReadFile(dir / "f1.txt"), dogs);
    EXPECT_EQ(ReadFile(dir / "f2.txt"), text) << "never half replaced";
    EXPECT_FALSE(fs::exists(dir / "f2.~txt"));
    EXPECT_EQ(ReadFile(dir / "f3.txt"), text);
    const std::string log = Log();
    EXPECT_NE(log.find("**** Application line limit reached! ****"), std::string::npos);
    EXPECT_NE(log.find(dir / "f2.txt ... Left as it was: the log reached its line limit!"),
              std::string::npos);
    EXPECT_NE(log.find("Not reached, left as they were:\n     1) --- " + dir / "f3.txt\n"),
              std::string::npos);
}

TEST_F(AskedBytesTest, AClosedStandardInputIsTheEndOfTheAnswers) {
    WriteFile(dir / "a.txt", "cat\n");
    const int status =
        std::system(("cd " + Quote(dir.path()) + " && timeout 30 " + Quote(KestoCli()) +
                     " --ini k.INI --state '' -q -i -s cat -r dog a.txt <&- "
                     ">stdout 2>stderr")
                        .c_str());
    EXPECT_EQ(WEXITSTATUS(status), 5) << "stopped, neither waiting for ever nor done";
    EXPECT_EQ(ReadFile(dir / "a.txt"), "cat\n");
    EXPECT_NE(Log().find("**** Customer Stopped During Search/Replace Operation! ****"),
              std::string::npos);
}

TEST_F(AskedBytesTest, AFileDeeperThanAPathMayBeLongIsWalkedReplacedAndUndone) {
    // 24 folders of 200 bytes: 4,800 bytes of path, beyond the 4,096 one call takes.
    std::string deep = "deep";
    fs::create_directory(dir / deep);
    const int top = ::open((dir / deep).c_str(), O_RDONLY | O_DIRECTORY);
    int at = top;
    for (int level = 0; level < 24; ++level) {
        const std::string name = std::string(198, 'd') + std::to_string(10 + level);
        ASSERT_EQ(::mkdirat(at, name.c_str(), 0755), 0);
        const int next = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY);
        if (at != top) ::close(at);
        at = next;
        deep += "/" + name;
    }
    const auto read = [&] {
        const int fd = ::openat(at, "f.txt", O_RDONLY);
        char bytes[16] = {};
        const ssize_t got = ::read(fd, bytes, sizeof bytes);
        ::close(fd);
        return std::string(bytes, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    };
    const int file = ::openat(at, "f.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(file, "cat\n", 4), 4);
    ::close(file);
    ASSERT_GT(deep.size(), 4096u);
    comparesThreads = false;  // a run from a copy of the tree would leave `at` behind

    EXPECT_EQ(Run({"-s", "cat", "-r", "dog", "-d", "deep", "-R"}), 0);
    EXPECT_EQ(read(), "dog\n");
    EXPECT_EQ(Run({"--undo"}), 0) << ReadFile(dir / "stderr");
    EXPECT_EQ(read(), "cat\n");
    EXPECT_EQ(Run({"-s", "cat", "-r", "cow", dir / (deep + "/f.txt")}), 0);
    EXPECT_EQ(read(), "cow\n");
    ::close(at);
    ::close(top);
}

}  // namespace
}  // namespace kesto
