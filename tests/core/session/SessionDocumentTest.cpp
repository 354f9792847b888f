#include "session/SessionDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "log/EditorTarget.h"
#include "pattern/PatternSyntax.h"
#include "support/RecordingStatusHost.h"
#include "support/ScriptedHosts.h"
#include "support/ScriptedSessionHosts.h"
#include "support/TempDir.h"

namespace kesto {
namespace {

using test::ReadFile;
using test::WriteFile;
using Lines = std::vector<std::string>;

class SessionDocumentTest : public ::testing::Test {
protected:
    SessionDocumentTest() { Reopen(); }

    // A new window on the test folder's settings file.
    void Reopen() {
        document.reset();
        document = std::make_unique<SessionDocument>(
            dir / "k.INI", SessionHosts{prompter, confirmer, status, hosts, hosts, hosts});
    }

    // Checks the typed strings as Begin does and takes the files named, in order.
    void BeginSingle(RunDialogValues values, const Lines& files) {
        const ValidationResult result = ValidateBeforeRun(values, document->options, prompter);
        ASSERT_TRUE(result.check.accepted) << result.check.message;
        for (const std::string& name : files) document->searchFileList.push_back(dir / name);
    }

    static RunDialogValues Global(std::string search, std::string replace) {
        RunDialogValues values;
        values.searchText = std::move(search);
        values.replaceText = std::move(replace);
        values.confirmEachReplace = false;
        values.globalReplace = true;
        return values;
    }

    Lines Log() const {
        Lines lines;
        for (int i = 0; i < document->log().logLineCount(); ++i) {
            lines.emplace_back(document->log().line(i));
        }
        return lines;
    }

    test::TempDir dir;
    test::ScriptedPrompter prompter;
    test::ScriptedConfirmer confirmer;
    test::RecordingStatusHost status;
    test::ScriptedSessionHosts hosts;
    std::unique_ptr<SessionDocument> document;
};

TEST_F(SessionDocumentTest, StrippedHeaderShowsAPatternOfSeveralLinesPieceByPiece) {
    RunDialogValues values = Global("a\\nb", "x");
    values.specialCharSession = true;
    WriteFile(dir / "f.txt", "a\nb\n");
    BeginSingle(values, {"f.txt"});
    EXPECT_EQ(document->RunSingleSession(), RunOutcome::Finished);
    const Lines log = Log();
    const std::string indent(20, ' ');
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(log[1], indent + "Search String -> a");
    EXPECT_EQ(log[2], indent + std::string(17, ' ') + "b");
    EXPECT_EQ(log[3], indent + "Replace String -> x");
    EXPECT_EQ(document->headerLineCount(), 7);
    EXPECT_EQ(ReadFile(dir / "f.txt"), "x\n");
}

TEST_F(SessionDocumentTest, ASearchOfLineBreaksAloneIsStillNamedInTheHeader) {
    RunDialogValues values = Global("$", "");
    values.specialCharSession = true;
    WriteFile(dir / "f.txt", "a\nb\n");
    BeginSingle(values, {"f.txt"});
    EXPECT_EQ(document->RunSingleSession(), RunOutcome::Finished);
    const Lines log = Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[1], std::string(20, ' ') + "Search String -> $");
}

TEST_F(SessionDocumentTest, WhenKestoEndsTheRunItselfTheReasonOutlivesTheAbortLines) {
    RunDialogValues values = Global("a?b?c", "x?y");
    values.wildcardSession = true;
    document->options.suppressWildcardNotice = true;
    WriteFile(dir / "w.txt", "a1b2c\n");
    BeginSingle(values, {"w.txt"});
    EXPECT_EQ(document->RunSingleSession(), RunOutcome::Aborted);
    const std::string reason =
        "More ? or * are Wild Cards in replace than in search string - Can't continue!";
    EXPECT_EQ(Log(), (Lines{"**** Customer Aborted Search/Replace Operation! ****",
                            "        Original Files have been restored!", reason}));
    ASSERT_FALSE(prompter.messages.empty());
    EXPECT_EQ(prompter.messages.back(), reason);
    EXPECT_EQ(ReadFile(dir / "w.txt"), "a1b2c\n");
}

TEST_F(SessionDocumentTest, AnEleventhStarStopsTheRunAndSaysWhy) {
    RunDialogValues values = Global("*a*b*c*d*e*f*g*h*i*j*", "*");
    values.wildcardSession = true;
    document->options.suppressWildcardNotice = true;
    WriteFile(dir / "s.txt", "1a2b3c4d5e6f7g8h9i0jX\n");
    BeginSingle(values, {"s.txt"});
    EXPECT_EQ(document->RunSingleSession(), RunOutcome::Finished);
    const Lines log = Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(Lines(log.end() - 3, log.end()),
              (Lines{"**** Customer Stopped During Search/Replace Operation! ****",
                     "Too many wild card matches in replace string", "**  Must Stop  **"}));
    EXPECT_EQ(ReadFile(dir / "s.txt"), "1a2b3c4d5e6f7g8h9i0jX\n");
}

TEST_F(SessionDocumentTest, AFileNameCannotForgeLogLines) {
    const std::string name = "x.txt\n     File --- forged.txt\tand\x01";
    WriteFile(dir / name, "cat\n");
    WriteFile(dir / "back\\slash.txt", "plain\n");
    BeginSingle(Global("cat", "dog"), {name, "back\\slash.txt"});
    EXPECT_EQ(document->RunSingleSession(), RunOutcome::Finished);
    const Lines log = Log();
    const std::string shown = dir / "x.txt\\n     File --- forged.txt\\tand\\x01";
    EXPECT_NE(std::find(log.begin(), log.end(), "     File --- " + shown), log.end());
    for (const std::string& line : log) {
        EXPECT_FALSE(line.starts_with("     File --- forged.txt")) << line;
    }
    EXPECT_EQ(document->log().problemFiles().back(),
              "     1) --- " + dir / "back\\\\slash.txt" + " ... No match Found!");
    // The editor is given the real names back.
    const int header =
        static_cast<int>(std::find(log.begin(), log.end(), "     File --- " + shown) - log.begin());
    const auto target =
        LocateEditorTarget(document->log(), header + 1, document->headerLineCount(), false);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->path, dir / name);
    EXPECT_EQ(ReadFile(dir / name), "dog\n");
}

TEST_F(SessionDocumentTest, AnAbortRestoresEveryChangedFileAndShowsOnlyTheAbortLines) {
    RunDialogValues values = Global("cat", "dog");
    values.confirmEachReplace = true;
    values.globalReplace = false;
    for (const char* name : {"1.txt", "2.txt", "3.txt"}) WriteFile(dir / name, "cat\n");
    BeginSingle(values, {"1.txt", "2.txt", "3.txt"});
    confirmer.Then(ConfirmChoice::ReplaceIt);
    confirmer.Then(ConfirmChoice::ReplaceIt);
    confirmer.Then(ConfirmChoice::Abort);
    EXPECT_EQ(document->RunSingleSession(), RunOutcome::Aborted);
    EXPECT_EQ(Log(), (Lines{"**** Customer Aborted Search/Replace Operation! ****",
                            "        Original Files have been restored!"}));
    for (const char* name : {"1.txt", "2.txt", "3.txt"}) EXPECT_EQ(ReadFile(dir / name), "cat\n");
    EXPECT_FALSE(document->state.sessionRunning);
}

TEST_F(SessionDocumentTest, StopNowWithoutRetainedBackupsRemovesTheBackupsOfChangedFiles) {
    WriteFile(dir / "k.INI", "[Preferences]\nRetainBackUp=0\nDeletePermanently=1\n");
    Reopen();
    RunDialogValues values = Global("cat", "dog");
    values.confirmEachReplace = true;
    values.globalReplace = false;
    for (const char* name : {"1.txt", "2.txt", "3.txt"}) WriteFile(dir / name, "cat\n");
    BeginSingle(values, {"1.txt", "2.txt", "3.txt"});
    confirmer.Then(ConfirmChoice::ReplaceIt);
    confirmer.Then(ConfirmChoice::StopNow);
    EXPECT_EQ(document->RunSingleSession(), RunOutcome::Finished);
    EXPECT_EQ(ReadFile(dir / "1.txt"), "dog\n");
    EXPECT_EQ(ReadFile(dir / "2.txt"), "cat\n");
    EXPECT_EQ(ReadFile(dir / "3.txt"), "cat\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "1.~txt"));
    EXPECT_FALSE(std::filesystem::exists(dir / "2.~txt"));
    const Lines log = Log();
    EXPECT_EQ(Lines(log.end() - 4, log.end()),
              (Lines{"**** Customer Stopped During Search/Replace Operation! ****", " ",
                     "Not reached, left as they were:", "     1) --- " + dir / "3.txt"}));
}

TEST_F(SessionDocumentTest, BackupsGoToTheBinUnlessDeletedPermanently) {
    WriteFile(dir / "k.INI", "[Preferences]\nRetainBackUp=0\n");
    Reopen();
    WriteFile(dir / "a.txt", "cat\n");
    BeginSingle(Global("cat", "dog"), {"a.txt"});
    document->RunSingleSession();
    EXPECT_EQ(hosts.binned, Lines{dir / "a.~txt"});
}

TEST_F(SessionDocumentTest, TheStartDirectoryStepWalksOrGoesBackToTheDialog) {
    WriteFile(dir / "k.INI", "[Preferences]\nLastPath=/somewhere\n");
    Reopen();
    std::filesystem::create_directories(dir / "tree/sub");
    WriteFile(dir / "tree/a.txt", "cat\n");
    WriteFile(dir / "tree/sub/b.txt", "cat\n");
    RunDialogValues values = Global("cat", "dog");
    values.selectViaFileDialog = false;

    // Cancelled: the log is emptied and the single-mode dialog comes back with the values.
    hosts.dialogAnswers = {ModeDialogResult::Begin, ModeDialogResult::Begin};
    hosts.startChoices = {std::nullopt, StartDirectoryChoice{dir / "tree", "*.txt", true, {}}};
    hosts.dialogRequest.values = values;
    EXPECT_EQ(document->StartRun(hosts), RunOutcome::Finished);
    EXPECT_EQ(hosts.dialogs, (Lines{"single", "single+"}));
    ASSERT_EQ(hosts.offered.size(), 2u);
    EXPECT_EQ(hosts.offered[0].startDirectory, "/somewhere");
    EXPECT_EQ(hosts.offered[0].fileFilter, " *.*");  // the first named filter's pattern part
    EXPECT_EQ(ReadFile(dir / "tree/sub/b.txt"), "dog\n");
    EXPECT_EQ(document->ini.ReadString("Preferences", "LastPath"), dir / "tree");
    EXPECT_EQ(document->ini.ReadString("Preferences", "LastFilter"), "*.txt");
    const Lines log = Log();
    EXPECT_EQ(std::count(log.begin(), log.end(),
                         std::string(40, ' ') + "** Search/Replace String for Windows **"),
              1);
    // A window hosts one run.
    EXPECT_EQ(document->StartRun(hosts), RunOutcome::Cancelled);
    EXPECT_EQ(hosts.dialogs.size(), 2u);
}

TEST_F(SessionDocumentTest, SwitchingModesShowsTheOtherDialogWithThePreviousValues) {
    hosts.dialogAnswers = {ModeDialogResult::SwitchMode, ModeDialogResult::SwitchMode,
                           ModeDialogResult::Cancel};
    hosts.dialogRequest.values.matchCase = true;
    hosts.dialogRequest.values.matchWholeWord = true;
    hosts.dialogRequest.batchFile = "typed.sr";
    EXPECT_EQ(document->StartRun(hosts), RunOutcome::Cancelled);
    EXPECT_EQ(hosts.dialogs, (Lines{"single", "batch+", "single+"}));
    EXPECT_TRUE(Log().empty());
    // What the next dialog shows as the previous values.
    EXPECT_TRUE(document->options.matchCase);
    EXPECT_TRUE(document->options.matchWholeWord);
    EXPECT_EQ(document->batchFilePath, "typed.sr");
}

TEST_F(SessionDocumentTest, TheWildcardQuestionIsAskedOnceWhoeverMadeTheRequest) {
    RunDialogValues values = Global("a*c", "<*>");
    values.wildcardSession = true;
    const auto run = [&](bool fromModeDialog) {
        WriteFile(dir / "a.txt", "abc\n");
        Reopen();
        RunRequest request;
        request.values = values;
        request.files = {dir / "a.txt"};
        request.fromModeDialog = fromModeDialog;
        return document->RunRequested(request);
    };

    // The dialog asked on Begin and had its Yes.
    EXPECT_EQ(run(true), RunOutcome::Finished);
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_EQ(ReadFile(dir / "a.txt"), "<b>\n");

    // kesto-cli's request is asked here; a No refuses it before any file is touched.
    prompter.answers = {false};
    EXPECT_EQ(run(false), RunOutcome::Refused);
    EXPECT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(ReadFile(dir / "a.txt"), "abc\n");
}

TEST_F(SessionDocumentTest, AnEmptyFileListEndsTheRunAtOnce) {
    BeginSingle(Global("cat", "dog"), {});
    EXPECT_EQ(document->RunSingleSession(), RunOutcome::Finished);
    EXPECT_EQ(Log().back(), "No Files on List!!");
}

TEST_F(SessionDocumentTest, ChangedExtensionListsAreSavedAtTheEnd) {
    hosts.extensionAnswer = ExtensionChoice::AlwaysExclude;
    WriteFile(dir / "a.xyz", "cat\n");
    WriteFile(dir / "b.txt", "cat\n");
    document->extensions().alwaysSearchList = {"TXT"};
    BeginSingle(Global("cat", "dog"), {"a.xyz", "b.txt"});
    document->RunSingleSession();
    EXPECT_EQ(ReadFile(dir / "a.xyz"), "cat\n");
    EXPECT_EQ(document->ini.ReadString("Excluded", "Exclude0"), "XYZ");
    EXPECT_EQ(document->ini.ReadString("Included", "Include0"), "TXT");
    const Lines log = Log();
    EXPECT_EQ(log[log.size() - 2], "     1) --- " + (dir / "a.xyz") + " ... Excluded from search!");
}

TEST_F(SessionDocumentTest, ABatchRunSkipsExcludedPairsAndCountsThemInTheHeader) {
    WriteFile(dir / "p.sr",
              "#!S!#1#\r\ncat\r\n#!R!#1#\r\ndog\r\n#!S!#2#\r\na?\r\n#!R!#2#\r\n??\r\n"
              "#!S!#3#\r\ndog\r\n#!R!#3#\r\nbird");
    ASSERT_EQ(document->batchPairs().ReadBatchFile(dir / "p.sr"), 1);
    document->batchFilePath = dir / "p.sr";
    document->options.globalReplace = true;
    document->options.confirmEachReplace = false;
    document->options.selectViaFileDialog = true;
    WriteFile(dir / "f.txt", "cat ab\n");
    document->searchFileList = {dir / "f.txt"};
    EXPECT_EQ(document->RunBatchSession(), RunOutcome::Finished);
    EXPECT_EQ(ReadFile(dir / "f.txt"), "bird ab\n");
    const Lines log = Log();
    const std::string indent(10, ' ');
    EXPECT_EQ(log[4], indent + "? and * are Wild Cards -> Detected therefore Selected");
    EXPECT_EQ(log[5], indent +
                          "1 SR pairs excluded due to more ? or * are Wild Cards in replace than "
                          "in search string!");
}

}  // namespace
}  // namespace kesto
