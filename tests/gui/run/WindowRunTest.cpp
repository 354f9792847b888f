// One whole single-mode run in a session window: the real search/replace dialog answered
// through its widgets, the start directory and the confirm questions scripted.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "gui/run/ConfirmReplaceDlg.h"
#include "gui/run/SearchReplaceDlg.h"
#include "support/GuiFixture.h"

namespace kesto {
namespace {

class WindowRunTest : public test::GuiFixture {
protected:
    std::vector<std::string> LogLines(CChildFrame* child) {
        std::vector<std::string> lines;
        const LogStore& log = child->document().log();
        for (int i = 0; i < log.logLineCount(); ++i) lines.emplace_back(log.line(i));
        return lines;
    }

    struct AfterLine {
        QString text;
        QString selected;
        int start;
        int end;
    };

    // Runs `search` -> `replace` over one file of `content`, confirming each replace, and
    // returns what the confirm dialog's after box shows for each question (each skipped).
    std::vector<AfterLine> AfterLinesOfARun(const QString& search, const QString& replace,
                                            bool regularExpression, const std::string& content) {
        std::filesystem::create_directories(dir / "tree");
        test::WriteFile(dir / "tree/a.txt", content);
        more.startChoices = {StartDirectoryChoice{dir / "tree", "*.txt", false, {}}};
        std::vector<AfterLine> shown;
        confirmer.inspect = [&shown](const ConfirmRequest& request) {
            const CConfirmReplaceDlg dialog(request);
            const QTextCursor cursor = dialog.afterBox()->textCursor();
            shown.push_back({dialog.afterBox()->toPlainText(), cursor.selectedText(),
                             cursor.selectionStart(), cursor.selectionEnd()});
        };
        confirmer.script.assign(8, {ConfirmChoice::SkipIt, {}});  // more than the matches
        test::WhenModal<CSearchReplaceDlg>([=](CSearchReplaceDlg& dialog) {
            dialog.searchBox()->lineEdit()->setText(search);
            dialog.replaceBox()->lineEdit()->setText(replace);
            if (regularExpression) dialog.control(SearchReplaceForm::RegularExpression)->click();
            dialog.byDirectoryBox()->click();
            dialog.control(SearchReplaceForm::Begin)->click();
        });
        RunUntilFinished(Frame().OnFileNew());
        confirmer.inspect = nullptr;
        return shown;
    }
};

TEST_F(WindowRunTest, TheConfirmQuestionShowsThePlainReplacementInTheLineAfterReplaceIt) {
    const std::vector<AfterLine> shown =
        AfterLinesOfARun("bob", "robert", false, "mail bob@home or Bob\n");
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "mail robert@home or Bob");
    EXPECT_EQ(shown[0].selected, "robert");
    EXPECT_EQ(shown[0].start, 5);
    EXPECT_EQ(shown[0].end, 11);
    EXPECT_EQ(shown[1].text, "mail bob@home or robert") << "the first match was skipped";
    EXPECT_EQ(shown[1].start, 17);
    EXPECT_EQ(shown[1].end, 23);
}

TEST_F(WindowRunTest, TheConfirmQuestionShowsTheRegexReplacementWithItsGroupsPutIn) {
    const std::vector<AfterLine> shown =
        AfterLinesOfARun("(\\w+)@(\\w+)", "$2 at $1", true, "mail bob@home\n");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "mail home at bob");
    EXPECT_EQ(shown[0].selected, "home at bob");
    EXPECT_EQ(shown[0].start, 5);
    EXPECT_EQ(shown[0].end, 16);
}

TEST_F(WindowRunTest, ASingleModeRunThroughTheDialogRewritesTheFilesAndFillsTheLog) {
    std::filesystem::create_directories(dir / "tree");
    test::WriteFile(dir / "tree/a.txt", "the cat sat\nno match\ncat and cat\n");
    test::WriteFile(dir / "tree/b.txt", "nothing here\n");
    more.startChoices = {StartDirectoryChoice{dir / "tree", "*.txt", false, {}}};
    confirmer.Then(ConfirmChoice::ReplaceIt);
    confirmer.Then(ConfirmChoice::SkipIt);
    confirmer.Then(ConfirmChoice::ReplaceIt);

    test::WhenModal<CSearchReplaceDlg>([](CSearchReplaceDlg& dialog) {
        dialog.searchBox()->lineEdit()->setText("cat");
        dialog.replaceBox()->lineEdit()->setText("dog");
        dialog.byDirectoryBox()->click();
        dialog.control(SearchReplaceForm::Begin)->click();
    });
    CChildFrame* child = Frame().OnFileNew();
    RunUntilFinished(child);

    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), "the dog sat\nno match\ncat and dog\n");
    EXPECT_EQ(test::ReadFile(dir / "tree/b.txt"), "nothing here\n");
    ASSERT_EQ(confirmer.seen.size(), 3u);
    EXPECT_EQ(confirmer.seen[0].lineNumber, "00001");

    const std::vector<std::string> log = LogLines(child);
    const std::string indent(20, ' ');
    const std::vector<std::string> expected = {
        std::string(40, ' ') + "** Search/Replace String for Windows **",
        indent + "Search String -> cat",
        indent + "Replace String -> dog",
        indent + "Whole Word Option -> NOT Selected",
        indent + "Match Case Option -> NOT Selected",
        " ",
        "     File --- " + dir / "tree/a.txt",
        "ORG: 00001 the cat sat",
        "MOD: 00001 the dog sat",
        " ",
        "ORG: 00003 cat and cat",
        "MOD: 00003 cat and dog",
        " ",
        "2 changes made out of 3 possible in 2 lines!",
        " ",
        " ",
        "Didn't find a match or had a problem with the following files:",
        "     1) --- " + dir / "tree/b.txt" + " ... No match Found!",
        " "};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(child->view().list()->model()->rowCount(), static_cast<int>(log.size()));
    EXPECT_FALSE(child->document().state().sessionRunning);
    EXPECT_EQ(IniFile(settingsPath()).ReadString("Preferences", "LastPath"), dir / "tree");
}

TEST_F(WindowRunTest, TheWildcardQuestionOfTheDialogIsAskedOnlyOnce) {
    std::filesystem::create_directories(dir / "tree");
    test::WriteFile(dir / "tree/a.txt", "abc\r\nxyz\r\n");
    more.startChoices = {StartDirectoryChoice{dir / "tree", "*.txt", false, {}}};
    test::WhenModal<CSearchReplaceDlg>([](CSearchReplaceDlg& dialog) {
        dialog.control(SearchReplaceForm::WildCards)->click();
        dialog.searchBox()->lineEdit()->setText("a*c");
        dialog.replaceBox()->lineEdit()->setText("<*>");
        dialog.control(SearchReplaceForm::Global)->click();
        dialog.byDirectoryBox()->click();
        dialog.control(SearchReplaceForm::Begin)->click();
    });
    CChildFrame* child = Frame().OnFileNew();
    RunUntilFinished(child);
    EXPECT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), "<b>\r\nxyz\r\n");
    EXPECT_TRUE(child->document().options().wildcardSession);
}

TEST_F(WindowRunTest, ARegularExpressionRunPreservesTheCaseOfEachMatch) {
    std::filesystem::create_directories(dir / "tree");
    test::WriteFile(dir / "tree/a.txt", "Red CAT\nblue cot\nCut it\n");
    more.startChoices = {StartDirectoryChoice{dir / "tree", "*.txt", false, {}}};
    test::WhenModal<CSearchReplaceDlg>([](CSearchReplaceDlg& dialog) {
        dialog.searchBox()->lineEdit()->setText("c[aeiou]t");
        dialog.replaceBox()->lineEdit()->setText("dog");
        dialog.control(SearchReplaceForm::RegularExpression)->click();
        dialog.control(SearchReplaceForm::PreserveCase)->click();
        dialog.control(SearchReplaceForm::Global)->click();
        dialog.byDirectoryBox()->click();
        dialog.control(SearchReplaceForm::Begin)->click();
    });
    CChildFrame* child = Frame().OnFileNew();
    RunUntilFinished(child);
    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), "Red DOG\nblue dog\nDog it\n");
    EXPECT_TRUE(child->document().options().regularExpression);
}

}  // namespace
}  // namespace kesto
