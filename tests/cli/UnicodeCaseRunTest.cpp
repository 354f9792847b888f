// Runs with --unicode-case: every letter of a UTF-8 file folds and takes its shape, in
// literal, batch and regular-expression runs, on one thread and on three; a file that is not
// valid UTF-8 folds ASCII letters only. The files it changes are the files `rg -i` finds.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/CliRun.h"

namespace kesto {
namespace {

using test::Quote;
using test::ReadFile;
using test::WriteFile;

class UnicodeCaseRunTest : public test::CliRunTest {};

TEST_F(UnicodeCaseRunTest, LettersBeyondAsciiFoldAndTakeTheirShapeInUtf8Files) {
    struct Row {
        std::vector<std::string> arguments;
        std::string before;
        std::string after;
    };
    const std::vector<Row> rows = {
        {{"-s", "ärger", "-r", "x"}, "Ärger ÄRGER ärger\n", "x x x\n"},
        {{"-s", "kilo", "-r", "x"}, "\u212Ailo KILO\n", "x x\n"},
        {{"-P", "-s", "onni", "-r", "önni"}, "Onni ONNI onni\n", "Önni ÖNNI önni\n"},
        {{"-W", "-s", "σ*ς", "-r", "x"}, "ΣΟΦΟΣ.\n", "x.\n"},
        {{"-E", "-s", "ärger", "-r", "x"}, "ÄRGER\n", "x\n"},
        {{"-E", "-P", "-s", "ärger", "-r", "übel"}, "Ärger\n", "Übel\n"},
        {{"-E", "-w", "-s", "über", "-r", "X"}, "überall über\n", "überall X\n"},
        {{"-E", "-s", "a.b", "-r", "X"}, "aäb\n", "X\n"},
        {{"-E", "-c", "-s", "x*", "-r", "-"}, "ä\n", "-ä-\n"},
        // Not UTF-8 throughout: as without the option.
        {{"-s", "ärger", "-r", "x"}, "\xFF ÄRGER ärger\n", "\xFF ÄRGER x\n"},
        {{"-E", "-s", "a.b", "-r", "X"}, "\xFF aäb\n", "\xFF aäb\n"},
    };
    for (const char* threads : {"1", "3"}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.arguments[row.arguments.size() - 3] + " on " + std::string(threads));
            WriteFile(dir / "a.txt", row.before);
            std::vector<std::string> arguments = {"--unicode-case", "--threads", threads};
            arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
            arguments.push_back("a.txt");
            ASSERT_EQ(Run(arguments), 0) << ReadFile(dir / "stderr");
            EXPECT_EQ(ReadFile(dir / "a.txt"), row.after);
        }
    }
}

TEST_F(UnicodeCaseRunTest, ABatchFoldsEveryLetterToo) {
    WriteFile(dir / "pairs.sr",
              "#!S!#1#\r\närger\r\n#!R!#1#\r\nR1\r\n#!S!#2#\r\nkilo\r\n#!R!#2#\r\nR2");
    WriteFile(dir / "a.txt", "ÄRGER\n");
    WriteFile(dir / "b.txt", "\u212Ailo\n");
    ASSERT_EQ(Run({"--unicode-case", "--threads", "3", "-b", "pairs.sr", "a.txt", "b.txt"}), 0)
        << ReadFile(dir / "stderr");
    EXPECT_EQ(ReadFile(dir / "a.txt"), "R1\n");
    EXPECT_EQ(ReadFile(dir / "b.txt"), "R2\n");
    EXPECT_NE(ReadFile(dir / "stdout").find("Unicode Case -> Selected\n"), std::string::npos);
}

// Words in the cases a text may hold them in; the search takes one form of each.
const std::vector<std::vector<std::string>> kWords = {
    {"ärger", "ÄRGER", "Ärger"},
    {"σοφος", "ΣΟΦΟΣ", "σοφοσ"},
    {"straße", "STRAẞE"},
    {"kilo", "\u212Ailo", "KILO"},
    {"ılık", "ILIK"},
    {"istanbul", "İstanbul"},
    {"øre", "ØRE"},
    {"добро", "ДОБРО", "Добро"},
    {"őrség", "ŐRSÉG"},
    {"plain", "PLAIN"},
};

TEST_F(UnicodeCaseRunTest, ChangesTheFilesThatRipgrepFindsIgnoringCase) {
    if (!test::HasTool("rg")) GTEST_SKIP() << "ripgrep is not installed";
    std::mt19937 random(20261210);
    const std::filesystem::path tree = dir / "tree";
    std::filesystem::create_directories(tree);
    for (int file = 0; file < 80; ++file) {
        std::string text;
        for (int word = 0; word < 3; ++word) {
            const auto& forms = kWords[random() % kWords.size()];
            text += forms[random() % forms.size()] + (word % 2 ? "\n" : " ");
        }
        WriteFile(tree / ("f" + std::to_string(file) + ".txt"), text + "\n");
    }
    for (const std::string search : {"ärger", "σοφος", "STRAẞE", "kilo", "ılık", "istanbul", "ØRE",
                                     "добро", "ŐRSÉG", "plain"}) {
        SCOPED_TRACE(search);
        std::filesystem::remove_all(dir / "copy");
        std::filesystem::copy(tree, dir / "copy");
        ASSERT_EQ(std::system(("rg -i -F -l " + Quote(search) + " " + Quote(dir / "copy") +
                               " | sort > " + Quote(dir / "found"))
                                  .c_str()),
                  0);
        std::set<std::string> found;
        std::string listed = ReadFile(dir / "found");
        for (std::size_t at = 0; at < listed.size();) {
            const std::size_t end = listed.find('\n', at);
            found.insert(std::filesystem::path(listed.substr(at, end - at)).filename());
            at = end + 1;
        }
        ASSERT_EQ(Run({"--unicode-case", "-s", search, "-r", "#", "-d", "copy"}), 0)
            << ReadFile(dir / "stderr");
        std::set<std::string> changed;
        for (const auto& entry : std::filesystem::directory_iterator(dir / "copy")) {
            const std::string name = entry.path().filename();
            if (name.find('~') != std::string::npos) continue;
            if (ReadFile(entry.path()) != ReadFile(tree / name)) changed.insert(name);
        }
        EXPECT_FALSE(found.empty());
        EXPECT_EQ(changed, found);
    }
}

}  // namespace
}  // namespace kesto
