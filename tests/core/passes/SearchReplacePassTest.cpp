#include "passes/SearchReplacePass.h"

#include <sys/stat.h>

#include <random>

#include "support/PassFixture.h"
#include "text/AsciiCase.h"
#include "text/LineDisplay.h"

namespace kesto {
namespace {

using test::PassTest;
using test::ReadFile;
using test::WriteFile;

using Lines = std::vector<std::string>;

TEST_F(PassTest, AFileIsRewrittenItsBackupKeptAndEveryChangedLineLogged) {
    values.confirmEachReplace = true;
    values.globalReplace = false;
    Begin("cat", "dog");
    WriteFile(File("a.txt"), "one cat\r\n\ttwo cats cat\r\nnone\r\nlast cat");
    confirmer.Then(ConfirmChoice::ReplaceIt);
    confirmer.Then(ConfirmChoice::ReplaceIt);
    confirmer.Then(ConfirmChoice::SkipIt);
    confirmer.Then(ConfirmChoice::ReplaceIt);

    EXPECT_EQ(ProcessFiles({"a.txt"}), std::vector<bool>{true});
    EXPECT_EQ(ReadFile(File("a.txt")), "one dog\r\n\ttwo dogs cat\r\nnone\r\nlast dog");
    EXPECT_EQ(ReadFile(File("a.~txt")), "one cat\r\n\ttwo cats cat\r\nnone\r\nlast cat");
    EXPECT_EQ(LogLines(),
              (Lines{"     File --- " + File("a.txt"), "ORG: 00001 one cat", "MOD: 00001 one dog",
                     " ", "ORG: 00002     two cats cat", "MOD: 00002     two dogs cat", " ",
                     "ORG: 00004 last cat", "MOD: 00004 last dog", " ",
                     "3 changes made out of 4 possible in 3 lines!", " "}));
    EXPECT_EQ(backups.changedFiles(), Lines{File("a.txt")});
    ASSERT_EQ(confirmer.seen.size(), 4u);
    EXPECT_EQ(confirmer.seen[1].lineNumber, "00002");
    EXPECT_EQ(confirmer.seen[1].fileName, File("a.txt"));
}

TEST_F(PassTest, EachRegexQuestionShowsTheLineWithItsGroupsExpandedAsTheRunWritesIt) {
    values.confirmEachReplace = true;
    values.globalReplace = false;
    values.regularExpression = true;
    Begin("(\\w+)@(\\w+)", "$2 at $1");
    WriteFile(File("a.txt"), "mail bob@home, ann@work\n");
    confirmer.Then(ConfirmChoice::SkipIt);
    confirmer.Then(ConfirmChoice::ReplaceIt);

    EXPECT_EQ(ProcessFiles({"a.txt"}), std::vector<bool>{true});
    EXPECT_EQ(ReadFile(File("a.txt")), "mail bob@home, work at ann\n");
    ASSERT_EQ(confirmer.seen.size(), 2u);
    EXPECT_EQ(confirmer.seen[0].replacedDisplayedLine, "mail home at bob, ann@work");
    EXPECT_EQ(confirmer.seen[0].replacementStart, 5);
    EXPECT_EQ(confirmer.seen[0].replacementEnd, 16);
    EXPECT_EQ(confirmer.seen[1].displayedLine, "mail bob@home, ann@work");
    EXPECT_EQ(confirmer.seen[1].replacedDisplayedLine, "mail bob@home, work at ann");
    EXPECT_EQ(confirmer.seen[1].replacementStart, 15);
    EXPECT_EQ(confirmer.seen[1].replacementEnd, 26);
}

TEST_F(PassTest, AFileWithoutAMatchIsRestoredByteForByte) {
    for (bool matchCase : {true, false}) {
        SCOPED_TRACE(matchCase);
        values.matchCase = matchCase;
        options.skipBinaryFiles = false;  // taken as the user asked: a NUL is a byte like others
        Begin("absent", "x");
        const std::string content("some\0text\nwith NUL\n", 19);
        WriteFile(File("b.txt"), content);
        EXPECT_EQ(ProcessFiles({"b.txt"}), std::vector<bool>{true});
        EXPECT_EQ(ReadFile(File("b.txt")), content);
        EXPECT_FALSE(std::filesystem::exists(File("b.~txt")));
        EXPECT_EQ(log.problemFiles().back(), "     " + std::to_string(log.problemCounter()) +
                                                 ") --- " + File("b.txt") + " ... No match Found!");
    }
}

TEST_F(PassTest, AFileWhoseBackupCannotBeMadeIsRefusedOnlyWhenItWouldChange) {
    for (bool matchCase : {true, false}) {
        SCOPED_TRACE(matchCase);
        values.matchCase = matchCase;
        Begin("cat", "dog");
        WriteFile(File("with.txt"), "a cat\n");
        WriteFile(File("without.txt"), "a bird\n");
        // A folder where the backups would go: no rename or copy can make them.
        std::filesystem::create_directory(File("with.~txt"));
        std::filesystem::create_directory(File("without.~txt"));
        EXPECT_EQ(ProcessFiles({"with.txt", "without.txt"}), (std::vector<bool>{false, true}));
        EXPECT_EQ(ReadFile(File("with.txt")), "a cat\n");
        EXPECT_EQ(ReadFile(File("without.txt")), "a bird\n");
        const std::vector<std::string> problems = log.problemFiles();
        ASSERT_GE(problems.size(), 2u);
        EXPECT_NE(problems[problems.size() - 2].find(File("with.txt") +
                                                     " ... Couldn't Create Backup file!"),
                  std::string::npos);
        EXPECT_NE(problems.back().find(File("without.txt") + " ... No match Found!"),
                  std::string::npos);
        std::filesystem::remove(File("with.~txt"));
        std::filesystem::remove(File("without.~txt"));
    }
}

TEST_F(PassTest, EveryByteSurvivesIncludingNulAndHighBytes) {
    options.skipBinaryFiles = false;
    Begin("b", "B");
    std::string content;
    for (int i = 0; i < 256; ++i) content += static_cast<char>(i);
    content += "\nb\n";
    WriteFile(File("bin.txt"), content);
    ProcessFiles({"bin.txt"});
    std::string expected = content;
    expected[static_cast<unsigned char>('b')] = 'B';
    expected[expected.size() - 2] = 'B';
    EXPECT_EQ(ReadFile(File("bin.txt")), expected);
}

TEST_F(PassTest, ARewrittenLineKeepsItsLineBreakEvenAStrayLineFeedInADosFile) {
    Begin("x", "y");
    WriteFile(File("d.txt"), "x\r\nkeep\nx\nx");
    ProcessFiles({"d.txt"});
    EXPECT_EQ(ReadFile(File("d.txt")), "y\r\nkeep\ny\ny");

    WriteFile(File("m.txt"), "a x\rb\nx\r");
    ProcessFiles({"m.txt"});
    EXPECT_EQ(ReadFile(File("m.txt")), "a y\rb\ny\r");
}

TEST_F(PassTest, FilesThatAreNotTextOrTooLongAreRefusedAndLeftAsTheyWere) {
    Begin("abc", "x");
    WriteFile(File("plain"), "abc");
    WriteFile(File("long.txt"), std::string(40000, 'q') + "abc\n");
    WriteFile(File("longnomatch.txt"), std::string(40000, 'q') + "\nabc\n");
    WriteFile(File("empty.txt"), "");
    const auto results = ProcessFiles({"plain", "long.txt", "longnomatch.txt", "empty.txt"});
    EXPECT_EQ(results, (std::vector<bool>{false, false, true, false}));
    EXPECT_EQ(ReadFile(File("plain")), "abc");
    EXPECT_EQ(ReadFile(File("long.txt")), std::string(40000, 'q') + "abc\n");
    EXPECT_EQ(ReadFile(File("longnomatch.txt")), std::string(40000, 'q') + "\nx\n");
    EXPECT_TRUE(std::filesystem::exists(File("empty.txt")));
    EXPECT_EQ(log.problemFiles(),
              (Lines{"     1) --- " + File("plain") + " ... Doesn't meet text file requirements!",
                     "     2) --- " + File("long.txt") + " ... Line to long!",
                     "     3) --- " + File("empty.txt") + " ... Is Empty!"}));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], File("long.txt") +
                                        " contains lines longer than 32000 characters\nwhich is "
                                        "this application's max!");
}

TEST_F(PassTest, TheSizeLimitIsExactly8MiB) {
    Begin("z", "y");
    std::string lines(8'388'608 - 2, 'a');
    for (std::size_t i = 99; i < lines.size(); i += 100) lines[i] = '\n';
    WriteFile(File("fits.txt"), lines + "z\n");
    WriteFile(File("over.txt"), lines + "az\n");
    EXPECT_EQ(ProcessFiles({"fits.txt", "over.txt"}), (std::vector<bool>{true, false}));
    EXPECT_EQ(ReadFile(File("fits.txt")).substr(8'388'606), "y\n");
    EXPECT_EQ(ReadFile(File("over.txt")).size(), 8'388'609u);
    EXPECT_EQ(log.problemFiles().back(), "     1) --- " + File("over.txt") +
                                             " ... larger than 8388608 bytes, this applications "
                                             "limit!");
}

TEST_F(PassTest, SkipStopAndAbortReachTheWholeFile) {
    values.confirmEachReplace = true;
    values.globalReplace = false;
    Begin("cat", "dog");
    const std::string content = "cat\ncat\ncat\n";
    {
        SCOPED_TRACE("skip rest of file keeps the file with what was done");
        WriteFile(File("s.txt"), content);
        confirmer.Then(ConfirmChoice::ReplaceIt);
        confirmer.Then(ConfirmChoice::SkipRestOfFile);
        EXPECT_EQ(ProcessFiles({"s.txt"}), std::vector<bool>{true});
        EXPECT_EQ(ReadFile(File("s.txt")), "dog\ncat\ncat\n");
        EXPECT_FALSE(control.skipRestOfFile());
        EXPECT_EQ(log.line(log.logLineCount() - 2), "1 changes made out of 2 possible in 2 lines!");
    }
    {
        SCOPED_TRACE("every match skipped: left as it was, 0 changes");
        confirmer.Then(ConfirmChoice::SkipIt);
        confirmer.Then(ConfirmChoice::SkipIt);
        confirmer.Then(ConfirmChoice::SkipIt);
        WriteFile(File("k.txt"), content);
        struct stat before {};
        ::stat(File("k.txt").c_str(), &before);
        ProcessFiles({"k.txt"});
        EXPECT_EQ(ReadFile(File("k.txt")), content);
        EXPECT_EQ(log.line(log.logLineCount() - 2), "0 changes made out of 3 possible in 3 lines!");
        EXPECT_EQ(backups.changedFiles().back(), File("s.txt")) << "k.txt is no changed file";
        struct stat after {};
        ::stat(File("k.txt").c_str(), &after);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_FALSE(std::filesystem::exists(File("k.~txt")));
    }
    {
        SCOPED_TRACE("replace all this file asks again in the next file");
        confirmer.Then(ConfirmChoice::ReplaceAllThisFile);
        confirmer.Then(ConfirmChoice::StopNow);
        WriteFile(File("r1.txt"), content);
        WriteFile(File("r2.txt"), content);
        ProcessFiles({"r1.txt", "r2.txt"});
        EXPECT_EQ(ReadFile(File("r1.txt")), "dog\ndog\ndog\n");
        EXPECT_EQ(ReadFile(File("r2.txt")), content);
        EXPECT_TRUE(control.stopRequested());
        EXPECT_FALSE(std::filesystem::exists(File("r2.~txt"))) << "nothing of it replaced";
        control = RunControl();  // the next run
    }
    {
        SCOPED_TRACE("abort restores the file at once");
        confirmer.Then(ConfirmChoice::ReplaceIt);
        confirmer.Then(ConfirmChoice::Abort);
        control.StartRun(true, false);
        WriteFile(File("x.txt"), content);
        EXPECT_EQ(ProcessFiles({"x.txt"}), std::vector<bool>{false});
        EXPECT_EQ(ReadFile(File("x.txt")), content);
        EXPECT_FALSE(std::filesystem::exists(File("x.~txt")));
    }
}

TEST_F(PassTest, DollarFollowsTheLineBreakOfEachFile) {
    values.specialCharSession = true;
    Begin("end$", "END$");
    WriteFile(File("1dos.txt"), "the end\r\nno\r\n");
    WriteFile(File("2unix.txt"), "the end\nno end here\n");
    WriteFile(File("3mac.txt"), "the end\rmore");
    ProcessFiles({"1dos.txt", "2unix.txt", "3mac.txt"});
    EXPECT_EQ(ReadFile(File("1dos.txt")), "the END\r\nno\r\n");
    EXPECT_EQ(ReadFile(File("2unix.txt")), "the END\nno end here\n");
    EXPECT_EQ(ReadFile(File("3mac.txt")), "the END\rmore");
}

TEST_F(PassTest, PatternsThatSpanLinesJoinAndSplitThem) {
    values.specialCharSession = true;
    Begin("a$b", "X");
    WriteFile(File("j.txt"), "1a\nb2\nab\n");
    ProcessFiles({"j.txt"});
    EXPECT_EQ(ReadFile(File("j.txt")), "1X2\nab\n");
    EXPECT_EQ(LogLines(),
              (Lines{"     File --- " + File("j.txt"), "ORG: 00001 1a", "     00002 b2",
                     "MOD: 00001 1X2", " ", "1 changes made out of 1 possible in 1 lines!", " "}));

    Begin(";", ";\\n");
    WriteFile(File("s.txt"), "a;b;\nc\n");
    ProcessFiles({"s.txt"});
    EXPECT_EQ(ReadFile(File("s.txt")), "a;\nb;\n\nc\n");
}

TEST_F(PassTest, ProgressIsShownAtTheStartAndEvery300Lines) {
    Begin("zzz", "y");
    std::string content;
    for (int i = 0; i < 700; ++i) content += "line\n";
    content += "zzz\n";
    WriteFile(File("p.txt"), content);
    progress.SetFileCounts(0, 3);
    ProcessFiles({"p.txt"});
    ASSERT_EQ(status.reports.size(), 3u);
    EXPECT_EQ(status.reports[0].percent, "File 0 %processed");
    EXPECT_EQ(status.reports[0].count, "0 out of 3 searched");
    EXPECT_EQ(status.reports[1].percent,
              "File " + std::to_string((300 * 5 * 100 + 100) / content.size()) + " %processed");
    EXPECT_EQ(status.reports[0].what, "Searching -> " + File("p.txt"));
}

TEST_F(PassTest, TheAbortGestureDuringAPassRestoresTheFile) {
    Begin("line", "LINE");
    std::string content;
    for (int i = 0; i < 1000; ++i) content += "line\n";
    WriteFile(File("g.txt"), content);
    status.abortAtReport = 2;
    EXPECT_EQ(ProcessFiles({"g.txt"}), std::vector<bool>{false});
    EXPECT_TRUE(control.abortRequested());
    EXPECT_EQ(ReadFile(File("g.txt")), content);
}

TEST_F(PassTest, WildcardsThatCannotBePairedAbortTheRun) {
    values.wildcardSession = true;
    options.suppressWildcardNotice = true;
    Begin("a?b?c", "x?y");
    WriteFile(File("w.txt"), "a1b2c\n");
    EXPECT_EQ(ProcessFiles({"w.txt"}), std::vector<bool>{false});
    EXPECT_TRUE(control.abortRequested());
    EXPECT_EQ(ReadFile(File("w.txt")), "a1b2c\n");
    EXPECT_EQ(LogLines().back(),
              "More ? or * are Wild Cards in replace than in search string - Can't continue!");
}

TEST_F(PassTest, AMatchMayNotTakeTheCarriageReturnOfADosLineBreak) {
    values.wildcardSession = true;
    options.suppressWildcardNotice = true;
    Begin("ab?", "X");
    WriteFile(File("c.txt"), "xab\r\nabc\r\n");
    ProcessFiles({"c.txt"});
    EXPECT_EQ(ReadFile(File("c.txt")), "xab\r\nX\r\n");
}

TEST_F(PassTest, ARewrittenFileKeepsItsModeAndALinkStaysALink) {
    Begin("old", "new");
    WriteFile(File("run.sh"), "echo old\n");
    ::chmod(File("run.sh").c_str(), 0755);
    std::filesystem::create_directory(File("real"));
    WriteFile(File("real/target.txt"), "old\n");
    std::filesystem::create_symlink("real/target.txt", File("link.txt"));
    ProcessFiles({"run.sh", "link.txt"});

    struct stat st {};
    ASSERT_EQ(::stat(File("run.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(ReadFile(File("run.sh")), "echo new\n");
    EXPECT_TRUE(std::filesystem::is_symlink(File("link.txt")));
    EXPECT_EQ(ReadFile(File("real/target.txt")), "new\n");
    EXPECT_EQ(ReadFile(File("real/target.~txt")), "old\n");
    EXPECT_FALSE(std::filesystem::exists(File("link.~txt")));
}

// The pass's scan against a deliberately simple one: every offset in turn, line by line,
// on files of every line-break type. It gives the new content and the log lines.
struct ReferenceResult {
    std::string output;
    Lines log;
    int possible = 0;
};

ReferenceResult ReferencePass(const std::string& content, const std::string& search,
                              const std::string& replace, bool matchCase, bool firstOnly,
                              const std::string& path) {
    const auto fold = [&](char c) { return matchCase ? c : ToLowerAscii(c); };
    const auto shown = [](const std::string& line) {
        std::string out;
        for (char c : line) out += c == '\t' ? std::string(4, ' ') : std::string(1, c);
        return out;
    };
    ReferenceResult result;
    int lineNumber = 0;
    int lines = 0;
    const bool dos = content.find("\r\n") != std::string::npos;
    const char lineBreak = !dos && content.find('\r') != std::string::npos ? '\r' : '\n';
    std::size_t begin = 0;
    while (begin < content.size()) {
        ++lineNumber;
        std::size_t end = content.find(lineBreak, begin);
        const bool hasBreak = end != std::string::npos;
        if (!hasBreak) end = content.size();
        std::size_t contentEnd = end;
        if (dos && hasBreak && end > begin && content[end - 1] == '\r') --contentEnd;
        const std::string line = content.substr(begin, contentEnd - begin);
        std::string rewritten;
        int found = 0;
        for (std::size_t at = 0; at < line.size();) {
            bool same = at + search.size() <= line.size();
            for (std::size_t k = 0; same && k < search.size(); ++k) {
                same = fold(line[at + k]) == fold(search[k]);
            }
            if (same && !(firstOnly && found > 0)) {
                ++found;
                rewritten += replace;
                at += search.size();
            } else {
                rewritten += line[at++];
            }
        }
        const std::size_t next = hasBreak ? end + 1 : end;
        if (found > 0) {
            result.possible += found;
            ++lines;
            if (result.log.empty()) result.log.push_back("     File --- " + path);
            const std::string number = FormatLineNumber(lineNumber);
            result.log.push_back("ORG: " + number + " " + shown(line));
            result.log.push_back("MOD: " + number + " " + shown(rewritten));
            result.log.push_back(" ");
            result.output += rewritten;
            if (hasBreak) result.output += dos ? "\r\n" : std::string(1, lineBreak);
        } else {
            result.output += content.substr(begin, next - begin);
        }
        begin = next;
    }
    if (result.possible > 0) {
        const std::string count = std::to_string(result.possible);
        result.log.push_back(count + " changes made out of " + count + " possible in " +
                             std::to_string(lines) + " lines!");
        result.log.push_back(" ");
    }
    return result;
}

TEST_F(PassTest, TheScanAgreesWithASimpleReferenceOnGeneratedFiles) {
    std::mt19937 random(7);
    const std::string alphabet = "abAB \t";
    const char* breaks[] = {"\r\n", "\n", "\r"};
    for (int round = 0; round < 300; ++round) {
        const std::string lineBreak = breaks[random() % 3];
        std::string content;
        const int lines = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < lines; ++i) {
            const int length = static_cast<int>(random() % 15);
            for (int k = 0; k < length; ++k) content += alphabet[random() % alphabet.size()];
            if (i + 1 < lines || random() % 2) content += lineBreak;
        }
        if (content.find_first_of("\r\n") == std::string::npos) content += lineBreak;
        std::string search;
        for (int k = 0, n = 1 + static_cast<int>(random() % 2); k < n; ++k) {
            search += alphabet[random() % 4];
        }
        const std::string replace = random() % 2 ? "" : "<" + search + ">";
        values.matchCase = random() % 2;
        values.firstInstanceOnly = random() % 3 == 0;
        values.allInstancesInLine = !values.firstInstanceOnly;
        Begin(search, replace);

        const ReferenceResult expected = ReferencePass(content, search, replace, values.matchCase,
                                                       values.firstInstanceOnly, File("g.txt"));
        WriteFile(File("g.txt"), content);
        const int problemsBefore = log.problemCounter();
        const int linesBefore = log.logLineCount();
        ASSERT_EQ(ProcessFiles({"g.txt"}), std::vector<bool>{true});
        ASSERT_EQ(ReadFile(File("g.txt")), expected.output)
            << "search [" << search << "] case " << values.matchCase << " in [" << content << "]";
        const Lines all = LogLines();
        ASSERT_EQ(Lines(all.begin() + linesBefore, all.end()), expected.log);
        if (expected.possible == 0) {
            ASSERT_EQ(log.problemCounter(), problemsBefore + 1);
        } else {
            ASSERT_EQ(ReadFile(File("g.~txt")), content);
        }
        std::filesystem::remove(File("g.~txt"));
    }
}

}  // namespace
}  // namespace kesto
