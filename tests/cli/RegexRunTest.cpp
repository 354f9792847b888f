// Whole kesto-cli runs with Preserve Case and with regular expressions: the case shape a
// replacement takes, the answers to Confirm each Replace on each regex match, what is refused
// before a file is touched, and a pattern that would backtrack for ever.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "support/CliRun.h"
#include "support/TempDir.h"

namespace kesto {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

class RegexRunTest : public test::CliRunTest {
protected:
    std::string Path(const std::string& name) const { return dir / name; }
    std::string Log() const { return ReadFile(dir / "stdout"); }
    std::string Errors() const { return ReadFile(dir / "stderr"); }
};

struct ShapeRow {
    std::vector<std::string> kind;  // how the search string is read: literal, -W or -E
    std::string search;
    std::string replace;
    std::string text;
    std::string expected;
};

// Every line holds one shape of the same word; the replace string is typed in a shape of its
// own, so that "as typed" shows.
const std::vector<ShapeRow> kShapeRows = {
    // lower, UPPER, Capitalised, and a mix that keeps the replacement as typed.
    {{}, "foo", "bAr", "foo\nFOO\nFoo\nfOO\nfoO\n", "bar\nBAR\nBar\nbAr\nbAr\n"},
    {{"-W"}, "f?o", "bAr", "foo\nFOO\nFoo\nfOO\nfoO\n", "bar\nBAR\nBar\nbAr\nbAr\n"},
    {{"-E"}, "fo+", "bAr", "foo\nFOO\nFoo\nfOO\nfoO\n", "bar\nBAR\nBar\nbAr\nbAr\n"},
    // A single capital letter is all upper case, not capitalised.
    {{}, "a", "xY", "A\na\n", "XY\nxy\n"},
    {{"-W"}, "?", "xY", "A\na\n", "XY\nxy\n"},
    {{"-E"}, "\\w", "xY", "A\na\n", "XY\nxy\n"},
    // Bytes that are no letters have no case: they neither count nor change.
    {{}, "foo_1", "Bar_2", "foo_1\nFOO_1\nFoo_1\n", "bar_2\nBAR_2\nBar_2\n"},
    {{"-W"}, "foo_?", "Bar_2", "foo_1\nFOO_1\nFoo_1\n", "bar_2\nBAR_2\nBar_2\n"},
    {{"-E"}, "_fo+", "_bAR", "_foo\n_FOO\n_Foo\n_fOO\n", "_bar\n_BAR\n_Bar\n_bAR\n"},
    // A regex replacement is expanded first; the shape then applies to the whole of it.
    {{"-E"}, "f(o+)", "b$1r", "foo\nFOO\nFoo\nfOO\n", "boor\nBOOR\nBoor\nbOOr\n"},
};

TEST_F(RegexRunTest, PreserveCaseGivesEachReplacementTheShapeOfWhatItReplaces) {
    for (const ShapeRow& row : kShapeRows) {
        SCOPED_TRACE((row.kind.empty() ? "literal" : row.kind[0]) + " " + row.search + " -> " +
                     row.replace);
        WriteFile(Path("shapes.txt"), row.text);
        std::vector<std::string> arguments = row.kind;
        arguments.insert(arguments.end(),
                         {"-P", "-s", row.search, "-r", row.replace, "shapes.txt"});
        EXPECT_EQ(Run(arguments), 0) << Errors();
        EXPECT_EQ(ReadFile(Path("shapes.txt")), row.expected);
    }
}

TEST_F(RegexRunTest, ConfirmAnswersTakeEachRegexMatchInTurn) {
    WriteFile(Path("1.txt"), "10 20\n30 40\n");
    WriteFile(Path("2.txt"), "50\n60\n");
    WriteFile(Path("3.txt"), "70 80\n90\n");
    // 1.txt: replace, skip, then the rest of the file; 2.txt: skip the rest of the file;
    // 3.txt: an edited line, then stop now.
    EXPECT_EQ(Run({"-i", "-E", "-s", "\\d+", "-r", "<$0>", "1.txt", "2.txt", "3.txt"},
                  "r\ns\na\nf\ne\nseventy 80\nn\n"),
              5);
    EXPECT_EQ(ReadFile(Path("1.txt")), "<10> 20\n<30> <40>\n");
    EXPECT_EQ(ReadFile(Path("2.txt")), "50\n60\n");
    EXPECT_EQ(ReadFile(Path("3.txt")), "seventy 80\n90\n");
    const std::string errors = Errors();
    // Each question marks the match in the line as it stands after the answers before it.
    EXPECT_NE(errors.find("00001\n10 20\n^^\n"), std::string::npos) << errors;
    EXPECT_NE(errors.find("00001\n<10> 20\n     ^^\n"), std::string::npos) << errors;
    EXPECT_NE(errors.find("00002\n30 40\n^^\n"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("00002\n<30> 40\n"), std::string::npos) << errors;  // taken by `a`
    // After the edit the matching goes on in the edited line, from its unchanged tail.
    EXPECT_NE(errors.find("00001\nseventy 80\n        ^^\n"), std::string::npos) << errors;
    EXPECT_NE(Log().find("**** Customer Stopped During Search/Replace Operation! ****\n"),
              std::string::npos);

    // Global Replace takes every match that is left; an abort after it puts every original
    // back.
    WriteFile(Path("1.txt"), "1 2\n3\n");
    WriteFile(Path("2.txt"), "4\n");
    EXPECT_EQ(Run({"-i", "-E", "-s", "\\d", "-r", "#", "1.txt", "2.txt"}, "s\ng\n"), 0);
    EXPECT_EQ(ReadFile(Path("1.txt")), "1 #\n#\n");
    EXPECT_EQ(ReadFile(Path("2.txt")), "#\n");

    WriteFile(Path("1.txt"), "1 2\n3\n");
    WriteFile(Path("2.txt"), "4\n");
    EXPECT_EQ(Run({"-i", "-E", "-s", "\\d", "-r", "#", "1.txt", "2.txt"}, "a\nx\n"), 3);
    EXPECT_EQ(ReadFile(Path("1.txt")), "1 2\n3\n");
    EXPECT_EQ(ReadFile(Path("2.txt")), "4\n");
    EXPECT_EQ(Log(),
              "**** Customer Aborted Search/Replace Operation! ****\n"
              "        Original Files have been restored!\n");
}

struct RefusalRow {
    std::vector<std::string> arguments;
    int status;
    std::string errorHolds;  // words standard error must hold
};

TEST_F(RegexRunTest, ABadPatternOrReferenceIsRefusedBeforeAnyFileIsTouched) {
    const std::vector<RefusalRow> rows = {
        {{"-E", "-s", "a(b", "-r", "x"}, 1, "regular expression at offset 3"},
        {{"-E", "-s", "a[", "-r", "x"}, 1, "regular expression at offset"},
        {{"-E", "-s", "(a)", "-r", "$2"}, 1, "replace string at offset 0"},
        {{"-E", "-s", "(a)", "-r", "x${2}"}, 1, "replace string at offset 1"},
        {{"-E", "-s", "(?<x>a)", "-r", "${y}"}, 1, "replace string at offset 0"},
        {{"-E", "-s", "a", "-r", "${}"}, 1, "replace string at offset 0"},
        // A regular expression has its own wildcards and special characters.
        {{"-E", "-W", "-s", "a", "-r", "x"}, 2, "-E takes neither"},
        {{"-E", "-e", "-s", "a", "-r", "x"}, 2, "-E takes neither"},
    };
    for (const RefusalRow& row : rows) {
        std::string shown;
        for (const std::string& argument : row.arguments) shown += argument + " ";
        SCOPED_TRACE(shown);
        WriteFile(Path("a.txt"), "ab a(b\n");
        std::vector<std::string> arguments = row.arguments;
        arguments.push_back("a.txt");
        EXPECT_EQ(Run(arguments), row.status);
        EXPECT_NE(Errors().find(row.errorHolds), std::string::npos) << Errors();
        EXPECT_EQ(Log(), "");
        EXPECT_EQ(ReadFile(Path("a.txt")), "ab a(b\n");
        EXPECT_FALSE(fs::exists(Path("a.~txt")));
    }
}

// A line of 40 a's and a b makes (a+)+$ try every way of cutting the a's into groups.
TEST_F(RegexRunTest, APatternThatBacktracksForEverStopsAtTheMatchLimit) {
    const std::string hard = "aa\n" + std::string(40, 'a') + "b\n";
    for (const char* pattern : {"(a+)+$", "(a+)+\\n"}) {
        SCOPED_TRACE(pattern);
        WriteFile(Path("hard.txt"), hard);
        WriteFile(Path("easy.txt"), "aa\n");
        fs::remove(Path("easy.~txt"));
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(Run({"-E", "-s", pattern, "-r", "X", "hard.txt", "easy.txt"}, "", "timeout 60"),
                  0);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        // Without the match limit it would run into the time limit of 60 s.
        EXPECT_LT(seconds, 40.0);
        // The match on its first line is not written either: the file is left as it was.
        EXPECT_EQ(ReadFile(Path("hard.txt")), hard);
        EXPECT_FALSE(fs::exists(Path("hard.~txt")));
        EXPECT_NE(ReadFile(Path("easy.txt")), "aa\n");  // the run went on to the next file
        EXPECT_NE(Log().find("     1) --- " + Path("hard.txt") +
                             " ... Regular expression match limit reached!\n"),
                  std::string::npos)
            << Log();
    }
}

}  // namespace
}  // namespace kesto
