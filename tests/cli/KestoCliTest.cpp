// End-to-end runs of kesto-cli as a process on small trees: the files byte for byte, the
// log line for line, the exit status.
#include <sys/stat.h>
#include <sys/wait.h>

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
using Lines = std::vector<std::string>;

Lines SplitLines(const std::string& text) {
    Lines lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) {
            lines.push_back(text.substr(begin));
            break;
        }
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

class KestoCliTest : public ::testing::Test {
protected:
    struct Result {
        int status = -1;
        Lines log;
        std::string errors;
    };

    // Runs kesto-cli in the test folder with its own settings file.
    Result Run(const std::vector<std::string>& arguments, const std::string& input = "") {
        WriteFile(dir / "stdin", input);
        std::string command = "cd " + Quote(dir.path().string()) + " && " + Quote(KestoCli()) +
                              " --ini " + Quote(dir / "settings.INI") + " -q";
        for (const std::string& argument : arguments) command += " " + Quote(argument);
        command += " < stdin > stdout 2> stderr";
        const int raw = std::system(command.c_str());
        Result result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.log = SplitLines(ReadFile(dir / "stdout"));
        result.errors = ReadFile(dir / "stderr");
        return result;
    }

    std::string Path(const std::string& name) const { return dir / name; }

    static Lines Header(const std::string& search, const std::string& replace,
                        bool matchCase = false) {
        const std::string indent(20, ' ');
        return {std::string(40, ' ') + "** Search/Replace String for Windows **",
                indent + "Search String -> " + search,
                indent + "Replace String -> " + replace,
                indent + "Whole Word Option -> NOT Selected",
                indent + std::string("Match Case Option -> ") +
                    (matchCase ? "Selected" : "NOT Selected"),
                " "};
    }

    static Lines Concat(Lines a, const Lines& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    test::TempDir dir;
};

TEST_F(KestoCliTest, ALiteralRunRewritesMatchingFilesAndListsTheOthers) {
    WriteFile(Path("settings.INI"), "[Excluded]\nExclude0=dat\n");
    WriteFile(Path("a.txt"), "one Cat\r\ntwo\r\n");
    WriteFile(Path("b.txt"), "nothing here\n");
    WriteFile(Path("c.dat"), "cat\n");
    const Result result =
        Run({"-s", "cat", "-r", "dog", "--log", "run.log", "a.txt", "b.txt", "c.dat"});
    EXPECT_EQ(result.status, 0);
    std::string saved;
    for (const std::string& line : result.log) saved += line + "\r\n";
    EXPECT_EQ(ReadFile(Path("run.log")), saved);
    EXPECT_EQ(result.log,
              Concat(Header("cat", "dog"),
                     {"     File --- " + Path("a.txt"), "ORG: 00001 one Cat", "MOD: 00001 one dog",
                      " ", "1 changes made out of 1 possible in 1 lines!", " ", " ",
                      "Didn't find a match or had a problem with the following files:",
                      "     1) --- " + Path("b.txt") + " ... No match Found!",
                      "     2) --- " + Path("c.dat") + " ... Excluded from search!", " "}));
    EXPECT_EQ(ReadFile(Path("a.txt")), "one dog\r\ntwo\r\n");
    EXPECT_EQ(ReadFile(Path("a.~txt")), "one Cat\r\ntwo\r\n");
    EXPECT_EQ(ReadFile(Path("b.txt")), "nothing here\n");
    EXPECT_EQ(ReadFile(Path("c.dat")), "cat\n");
    EXPECT_FALSE(std::filesystem::exists(Path("b.~txt")));
    EXPECT_EQ(result.errors, "");
}

TEST_F(KestoCliTest, AWalkProcessesNestedFoldersInSortedOrder) {
    for (const char* folder : {"top/b", "top/a/deep", "top/.git"}) {
        std::filesystem::create_directories(Path(folder));
    }
    for (const char* file : {"top/z.txt", "top/b/x.txt", "top/a/deep/y.txt", "top/a/w.txt",
                             "top/.git/config.txt", "top/a/skip.md"}) {
        WriteFile(Path(file), "old\n");
    }
    const Result result = Run({"-s", "old", "-r", "new", "-d", "top", "-f", "*.txt", "-R"});
    EXPECT_EQ(result.status, 0);
    Lines headers;
    for (const std::string& line : result.log) {
        if (line.rfind("     File --- ", 0) == 0) headers.push_back(line.substr(14));
    }
    EXPECT_EQ(headers, (Lines{"top/z.txt", "top/a/w.txt", "top/a/deep/y.txt", "top/b/x.txt"}));
    EXPECT_EQ(ReadFile(Path("top/a/deep/y.txt")), "new\n");
    EXPECT_EQ(ReadFile(Path("top/.git/config.txt")), "old\n");
    EXPECT_EQ(ReadFile(Path("top/a/skip.md")), "old\n");
    EXPECT_NE(ReadFile(Path("settings.INI")).find("LastFilter=*.txt"), std::string::npos);
}

TEST_F(KestoCliTest, ConfirmAnswersComeFromStandardInput) {
    WriteFile(Path("1.txt"), "cat cat\ncat\n");
    WriteFile(Path("2.txt"), "cat\ncat\n");
    WriteFile(Path("3.txt"), "cat\n");
    // 1.txt: replace, skip, replace; 2.txt: skip the rest; 3.txt: stop now.
    const Result result =
        Run({"-i", "-s", "cat", "-r", "dog", "1.txt", "2.txt", "3.txt"}, "r\ns\nr\nf\nn\n");
    EXPECT_EQ(result.status, 5) << "stopped before the end of its list";
    EXPECT_EQ(ReadFile(Path("1.txt")), "dog cat\ndog\n");
    EXPECT_EQ(ReadFile(Path("2.txt")), "cat\ncat\n");
    EXPECT_EQ(ReadFile(Path("3.txt")), "cat\n");
    EXPECT_EQ(result.log.back(), "**** Customer Stopped During Search/Replace Operation! ****");
    EXPECT_NE(result.errors.find("00001\ncat cat\n^^^\n"), std::string::npos);
    EXPECT_NE(result.errors.find("00001\ndog cat\n    ^^^\n"), std::string::npos);

    // An edited line, then abort in the next file: every original is back.
    WriteFile(Path("1.txt"), "cat cat\n");
    WriteFile(Path("2.txt"), "cat\n");
    const Result aborted =
        Run({"-i", "-s", "cat", "-r", "dog", "1.txt", "2.txt"}, "e\nmy own line\nx\n");
    EXPECT_EQ(aborted.status, 3);
    EXPECT_EQ(ReadFile(Path("1.txt")), "cat cat\n");
    EXPECT_EQ(ReadFile(Path("2.txt")), "cat\n");
    EXPECT_EQ(aborted.log, (Lines{"**** Customer Aborted Search/Replace Operation! ****",
                                  "        Original Files have been restored!"}));
}

TEST_F(KestoCliTest, AnAnswerNotUnderstoodFromAPipeStopsTheRunInsteadOfAskingForEver) {
    WriteFile(Path("1.txt"), "cat\ncat\n");
    WriteFile(Path("2.txt"), "cat\n");
    std::string answers = "r\n";
    for (int i = 0; i < 1000; ++i) answers += "y\n";  // what `yes` would say
    const Result result = Run({"-i", "-s", "cat", "-r", "dog", "1.txt", "2.txt"}, answers);
    EXPECT_EQ(result.status, 5);
    EXPECT_EQ(ReadFile(Path("1.txt")), "dog\ncat\n");  // changes before the stop stay
    EXPECT_EQ(ReadFile(Path("2.txt")), "cat\n");
    EXPECT_EQ(Lines(result.log.end() - 4, result.log.end()),
              (Lines{"**** Customer Stopped During Search/Replace Operation! ****", " ",
                     "Not reached, left as they were:", "     1) --- " + Path("2.txt")}));
    EXPECT_NE(result.errors.find("Answer \"y\" not understood, the run stops as with Stop Now!"),
              std::string::npos)
        << result.errors;
}

TEST_F(KestoCliTest, ABatchRunAppliesEachPairToTheResultOfTheOneBefore) {
    WriteFile(Path("pairs.sr"),
              "#!S!#1#\r\ncat\r\n#!R!#1#\r\ndog\r\n#!S!#2#\r\ndog\r\n#!R!#2#\r\nbird");
    WriteFile(Path("a.txt"), "a cat and a dog\n");
    WriteFile(Path("b.txt"), "nothing\n");
    const Result result = Run({"-b", "pairs.sr", "a.txt", "b.txt"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(ReadFile(Path("a.txt")), "a bird and a bird\n");
    ASSERT_GE(result.log.size(), 8u);
    EXPECT_EQ(result.log[0], std::string(20, ' ') + "** Batch Search/Replace String **");
    EXPECT_EQ(result.log[1], std::string(10, ' ') + "Batch File -> pairs.sr");
    EXPECT_EQ(result.log[5], "     File --- " + Path("a.txt"));
    EXPECT_EQ(result.log[6].rfind(
                  "     3 changes made -- Start Size 16 -- End Size 18 -- Elapsed Time ", 0),
              0u);
    EXPECT_EQ(result.log[result.log.size() - 2],
              "     1) --- " + Path("b.txt") + " ... No matches Found!");

    WriteFile(Path("bad.sr"), "no markers\n");
    const Result refused = Run({"-b", "bad.sr", "a.txt"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(
        refused.errors,
        "Batch File does NOT contain search string identifier:\n(#!S!#1#)!\nCan't continue!\n");
}

TEST_F(KestoCliTest, StripInsertAndConversionRuns) {
    WriteFile(Path("s.txt"), "a \t\nb\n");
    EXPECT_EQ(Run({"--strip", "s.txt"}).status, 0);
    EXPECT_EQ(ReadFile(Path("s.txt")), "a\nb\n");

    const Result insert = Run({"--insert", "> ", "--column", "1", "s.txt"});
    EXPECT_EQ(insert.status, 0);
    EXPECT_EQ(ReadFile(Path("s.txt")), "> a\n> b\n");

    const Result convert = Run({"--convert", "unix2dos", "s.txt"});
    EXPECT_EQ(convert.status, 0);
    EXPECT_EQ(ReadFile(Path("s.txt")), "> a\r\n> b\r\n");
    EXPECT_EQ(convert.log[1], std::string(40, ' ') + "Converting Line Break Format: UNIX to DOS");
}

TEST_F(KestoCliTest, AFileReachedTwiceInOneRunIsProcessedOnce) {
    WriteFile(Path("a.txt"), "cat\n");
    std::filesystem::create_symlink("a.txt", Path("link.txt"));
    const Result result = Run({"-s", "cat", "-r", "catcat", "a.txt", "link.txt", "./a.txt"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(ReadFile(Path("a.txt")), "catcat\n");
    EXPECT_EQ(ReadFile(Path("a.~txt")), "cat\n");  // the backup still holds the original
    EXPECT_TRUE(std::filesystem::is_symlink(Path("link.txt")));
}

TEST_F(KestoCliTest, AWalkTakesEachFileOnceByItsFirstEntryWhereverItsLinksSort) {
    std::filesystem::create_directories(Path("top/sub"));
    WriteFile(Path("top/m.txt"), "cat\n");
    WriteFile(Path("outside.txt"), "cat\n");
    std::filesystem::create_symlink("m.txt", Path("top/a.txt"));
    std::filesystem::create_symlink("../m.txt", Path("top/sub/z.txt"));
    std::filesystem::create_symlink("../outside.txt", Path("top/o1.txt"));
    std::filesystem::create_symlink("../outside.txt", Path("top/o2.txt"));
    const Result result = Run({"-s", "cat", "-r", "catcat", "-d", "top", "-f", "*.txt", "-R"});
    EXPECT_EQ(result.status, 0);
    Lines headers;
    for (const std::string& line : result.log) {
        if (line.rfind("     File --- ", 0) == 0) headers.push_back(line.substr(14));
    }
    EXPECT_EQ(headers, Lines{"top/a.txt"});
    EXPECT_EQ(ReadFile(Path("top/m.txt")), "catcat\n");
    // The first link out of the tree is refused; the second is passed over without a word.
    ASSERT_GE(result.log.size(), 3u);
    EXPECT_EQ(
        Lines(result.log.end() - 3, result.log.end()),
        (Lines{"Didn't find a match or had a problem with the following files:",
               "     1) --- top/o1.txt ... Link leads outside the start directory, not followed!",
               " "}));
    EXPECT_EQ(ReadFile(Path("outside.txt")), "cat\n");
}

TEST_F(KestoCliTest, AnUnwritableSettingsFileDoesNotStopARun) {
    WriteFile(Path("a.txt"), "cat\n");
    const std::string command = "cd " + Quote(dir.path().string()) + " && " + Quote(KestoCli()) +
                                " --ini /proc/no-such-folder/k.INI -q -s cat -r dog a.txt" +
                                " > stdout 2> stderr";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
    EXPECT_EQ(ReadFile(Path("a.txt")), "dog\n");
}

TEST_F(KestoCliTest, ARefusedSearchStringTouchesNoFile) {
    WriteFile(Path("a.txt"), "a^b\n");
    const Result result = Run({"-e", "-s", "a^b", "-r", "x", "a.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.log.empty());
    EXPECT_EQ(result.errors,
              "You have included special character => ^ in the Search\nString but it is NOT the "
              "1st character!  If you meant it\nto be literal, define it as \\^, otherwise, make "
              "it the\n1st character in the Search String!\n\n");
    EXPECT_EQ(ReadFile(Path("a.txt")), "a^b\n");
    EXPECT_FALSE(std::filesystem::exists(Path("a.~txt")));

    EXPECT_EQ(Run({"-s", "a", "--strip", "a.txt"}).status, 2);
    EXPECT_EQ(Run({"--bogus"}).status, 2);
    EXPECT_EQ(Run({"-s"}).status, 2);
}

// A batch pair with an empty search string used to insert its replace string before every
// byte of every file, and the run ended as a success.
TEST_F(KestoCliTest, ABatchFileWithAnEmptySearchStringTouchesNoFile) {
    WriteFile(Path("pairs.sr"), "#!S!#1#\r\ncat\r\n#!R!#1#\r\ndog\r\n#!S!#2#\r\n\r\n#!R!#2#\r\nX");
    WriteFile(Path("a.txt"), "abc cat\n");
    const Result result = Run({"-b", "pairs.sr", "a.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.log.empty());
    EXPECT_EQ(result.errors,
              "Batch File pair 2 has an empty search string!\nYou must specify a Search "
              "String!\n");
    EXPECT_EQ(ReadFile(Path("a.txt")), "abc cat\n");
    EXPECT_FALSE(std::filesystem::exists(Path("a.~txt")));
}

// With pairs 1, 2 and 4, pair 4's markers used to be written into every file as part of
// pair 2's replace string.
TEST_F(KestoCliTest, ABatchRunLeavesOutThePairsAfterAGapAndSaysSo) {
    WriteFile(Path("pairs.sr"),
              "#!S!#1#\r\na\r\n#!R!#1#\r\nb\r\n#!S!#2#\r\nc\r\n#!R!#2#\r\nd\r\n"
              "#!S!#4#\r\ne\r\n#!R!#4#\r\nf");
    WriteFile(Path("a.txt"), "ace\n");
    const Result result = Run({"-b", "pairs.sr", "a.txt"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(ReadFile(Path("a.txt")), "bde\n");
    EXPECT_EQ(result.errors,
              "Batch File does NOT contain search string identifier:\n(#!S!#3#)!\nOnly pairs 1 to "
              "2 were read, the others are ignored!\n");
}

// A FIFO named as the batch file used to hang the run, waiting for a writer.
TEST_F(KestoCliTest, ABatchFileThatIsNoRegularFileIsRefused) {
    ASSERT_EQ(::mkfifo(Path("fifo.sr").c_str(), 0600), 0);
    WriteFile(Path("a.txt"), "cat\n");
    const std::string command = "cd " + Quote(dir.path().string()) + " && timeout 20 " +
                                Quote(KestoCli()) + " --ini " + Quote(dir / "settings.INI") +
                                " -q -b fifo.sr a.txt < /dev/null > stdout 2> stderr";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);
    EXPECT_EQ(ReadFile(Path("stderr")), "Couldn't Open batch file: fifo.sr!\n");
    EXPECT_EQ(ReadFile(Path("a.txt")), "cat\n");
}

}  // namespace
}  // namespace kesto
