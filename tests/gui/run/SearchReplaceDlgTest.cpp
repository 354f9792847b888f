// The search/replace dialog driven through its widgets on the offscreen platform.
#include "gui/run/SearchReplaceDlg.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "gui/run/ConvertDlg.h"
#include "support/GuiFixture.h"

namespace kesto {
namespace {

using Form = SearchReplaceForm;

class SearchReplaceDlgTest : public test::GuiFixture {
protected:
    // A dialog of a new window's document, shown, with no file picked yet.
    CSearchReplaceDlg& Dialog(bool viaFileDialog = false) {
        doc = std::make_unique<CKestoDoc>(settingsPath(), hosts(), "Kesto1");
        doc->session().options.selectViaFileDialog = viaFileDialog;
        CSearchReplaceDlg::Doors doors;
        doors.batchMode = true;
        doors.selectFiles = [this](QWidget*) {
            doc->session().searchFileList.insert(doc->session().searchFileList.end(),
                                                 filesToPick.begin(), filesToPick.end());
            return true;
        };
        dialog = std::make_unique<CSearchReplaceDlg>(*doc, false, false, doors);
        dialog->askSessionSwitch = [this](bool wildCards, const QString& text) {
            asked.push_back((wildCards ? "wild:" : "special:") + text.toStdString());
            return true;
        };
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        return *dialog;
    }

    void Type(QComboBox* box, const QString& text) { box->lineEdit()->setText(text); }
    void Click(Form::Control control) { dialog->control(control)->click(); }
    bool Checked(Form::Control control) { return dialog->control(control)->isChecked(); }
    bool Enabled(Form::Control control) { return dialog->control(control)->isEnabled(); }

    // Presses Begin; true when the dialog closed accepting the run.
    bool Begin() {
        Click(Form::Begin);
        return dialog->result() == QDialog::Accepted && !dialog->isVisible();
    }

    std::unique_ptr<CKestoDoc> doc;
    std::unique_ptr<CSearchReplaceDlg> dialog;
    std::vector<std::string> filesToPick;
    std::vector<std::string> asked;
};

TEST_F(SearchReplaceDlgTest, OpensWithTheDocumentedValues) {
    Dialog();
    EXPECT_EQ(dialog->windowTitle(), "Search for a String  and  Replace It");
    EXPECT_TRUE(Checked(Form::Confirm));
    EXPECT_TRUE(Checked(Form::AllInLine));
    EXPECT_FALSE(Checked(Form::Global));
    EXPECT_FALSE(Checked(Form::MatchCase));
    EXPECT_TRUE(dialog->byDirectoryBox()->isChecked());
    EXPECT_TRUE(Enabled(Form::Begin));
    EXPECT_FALSE(Enabled(Form::SelectFiles));
    EXPECT_EQ(dialog->fileCountLabel()->text(), "0 files on Search File list!");
    EXPECT_EQ(dialog->searchLabel()->text(), "&Search String");
}

TEST_F(SearchReplaceDlgTest, ClickingABoxOfARadioPairNeverClearsIt) {
    Dialog();
    Click(Form::Confirm);  // already on
    EXPECT_TRUE(Checked(Form::Confirm));
    EXPECT_FALSE(Checked(Form::Global));
    Click(Form::Global);
    EXPECT_TRUE(Checked(Form::Global));
    EXPECT_FALSE(Checked(Form::Confirm));
    Click(Form::FirstOnly);
    Click(Form::FirstOnly);
    EXPECT_TRUE(Checked(Form::FirstOnly));
    EXPECT_FALSE(Checked(Form::AllInLine));
    dialog->byDirectoryBox()->click();
    EXPECT_TRUE(dialog->byDirectoryBox()->isChecked());
}

TEST_F(SearchReplaceDlgTest, BeginWaitsForFilesWhenTheyArePickedInTheFileDialog) {
    Dialog(true);
    EXPECT_FALSE(Enabled(Form::Begin));
    EXPECT_TRUE(Enabled(Form::SelectFiles));
    filesToPick = {dir / "a.txt", dir / "b.txt"};
    Click(Form::SelectFiles);
    EXPECT_TRUE(Enabled(Form::Begin));
    EXPECT_EQ(dialog->fileCountLabel()->text(), "2 files on the Search File list!");
    dialog->byDirectoryBox()->click();
    EXPECT_FALSE(Enabled(Form::SelectFiles));
    dialog->viaFileDialogBox()->click();
    EXPECT_TRUE(Enabled(Form::Begin)) << "the list already holds files";
}

TEST_F(SearchReplaceDlgTest, InsertModeChecksTheColumnAgainstTheInsertString) {
    Dialog();
    Click(Form::Insert);
    EXPECT_EQ(dialog->searchLabel()->text(), "Insert String");
    EXPECT_EQ(dialog->replaceLabel()->text(), "At Column");
    EXPECT_FALSE(Enabled(Form::MatchCase));
    EXPECT_FALSE(Enabled(Form::WildCards));
    EXPECT_FALSE(Enabled(Form::BatchMode));
    EXPECT_TRUE(Checked(Form::FirstOnly));
    EXPECT_TRUE(Checked(Form::Global));

    EXPECT_FALSE(Begin());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], "You must specify an Insert String!");

    Type(dialog->searchBox(), "0123456789");
    const std::vector<std::pair<QString, std::string>> refused = {
        {"245", "Insert column must be between 1 and 244!"},
        {"0", "Insert column must be between 1 and 244!"},
        {"12a", "Insert column must be all digits!"}};
    for (const auto& [column, message] : refused) {
        Type(dialog->replaceBox(), column);
        EXPECT_FALSE(Begin()) << column.toStdString();
        EXPECT_EQ(prompter.messages.back(), message);
    }
    Type(dialog->replaceBox(), "244");
    EXPECT_TRUE(Begin());
    EXPECT_TRUE(dialog->form().request().values.insertAtColumn);
    EXPECT_EQ(dialog->form().request().values.replaceText, "244");
    EXPECT_TRUE(doc->session().settings.searchStrings.empty()) << "inserts are not remembered";
}

TEST_F(SearchReplaceDlgTest, InsertTurnsANonNumericReplaceTextIntoColumnOne) {
    Dialog();
    Type(dialog->replaceBox(), "abc");
    Click(Form::Insert);
    EXPECT_EQ(dialog->replaceBox()->currentText(), "1");
    Click(Form::Insert);
    EXPECT_EQ(dialog->searchLabel()->text(), "&Search String");
    EXPECT_TRUE(Checked(Form::Confirm));
    EXPECT_TRUE(Enabled(Form::BatchMode)) << "insert mode off again";
}

TEST_F(SearchReplaceDlgTest, WildcardChecksCountQuestionMarksAndAskAboutTheReplaceString) {
    Dialog();
    Click(Form::WildCards);
    EXPECT_FALSE(Enabled(Form::Insert));
    EXPECT_FALSE(Enabled(Form::MatchWholeWord));
    Type(dialog->searchBox(), "a?c");
    Type(dialog->replaceBox(), "x??");
    EXPECT_FALSE(Begin());
    EXPECT_EQ(prompter.messages.back(),
              "You have specified 1 ?'s in the Search String and 2 ?'s in the\n"
              "Replace String.  You MAY NOT have more ?'s wildcards in the Replace String\n"
              "than in the Search String!");

    Type(dialog->searchBox(), "a*c");
    Type(dialog->replaceBox(), "xyz");
    prompter.answers = {false};
    EXPECT_TRUE(Begin()) << "no wildcard in the replace string: no question";
    EXPECT_TRUE(prompter.questions.empty());
}

TEST_F(SearchReplaceDlgTest, AnsweringNoToTheWildcardQuestionKeepsTheDialogOpen) {
    Dialog();
    Click(Form::WildCards);
    Type(dialog->searchBox(), "a*c");
    Type(dialog->replaceBox(), "<*>");
    prompter.answers = {false};
    EXPECT_FALSE(Begin());
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_NE(prompter.questions[0].find("                           Continue?"),
              std::string::npos);
    EXPECT_TRUE(dialog->isVisible());
    prompter.answers = {true};
    EXPECT_TRUE(Begin());
}

TEST_F(SearchReplaceDlgTest, AClickOnTheDialogsBackgroundClosesTheSpecialList) {
    Dialog();
    Click(Form::SpecialChar);
    ASSERT_TRUE(dialog->specialList()->isEnabled());
    QPoint background;
    for (int y = 2; y < dialog->height() && background.isNull(); y += 3) {
        for (int x = 2; x < dialog->width(); x += 3) {
            if (!dialog->childAt(x, y)) {
                background = QPoint(x, y);
                break;
            }
        }
    }
    ASSERT_FALSE(background.isNull());
    QTest::mouseClick(dialog.get(), Qt::LeftButton, {}, background);
    EXPECT_FALSE(dialog->specialList()->isEnabled());
    EXPECT_TRUE(Enabled(Form::SpecialChar));
    EXPECT_TRUE(Enabled(Form::Convert));
}

TEST_F(SearchReplaceDlgTest, TheStripEntryEmptiesAndLocksTheReplaceFieldUntilTheSessionIsOff) {
    Dialog();
    Type(dialog->replaceBox(), "gone");
    Click(Form::SpecialChar);
    ASSERT_TRUE(dialog->specialList()->isEnabled());
    ASSERT_EQ(dialog->specialList()->count(), 10);
    EXPECT_FALSE(Enabled(Form::Override));
    EXPECT_FALSE(Enabled(Form::Convert));
    QListWidgetItem* strip = dialog->specialList()->item(9);
    EXPECT_EQ(strip->text(), "~ - Strip EOL W-Spaces");
    emit dialog->specialList()->itemClicked(strip);
    EXPECT_EQ(dialog->searchBox()->currentText(), "~");
    EXPECT_EQ(dialog->replaceBox()->currentText(), "");
    EXPECT_FALSE(dialog->replaceBox()->isEnabled());
    EXPECT_TRUE(Checked(Form::SpecialCharSession));
    EXPECT_TRUE(Checked(Form::Global));
    EXPECT_FALSE(Enabled(Form::Insert));
    EXPECT_FALSE(dialog->specialList()->isEnabled());
    EXPECT_TRUE(Enabled(Form::SpecialChar));

    Click(Form::SpecialCharSession);
    EXPECT_TRUE(dialog->replaceBox()->isEnabled());
    EXPECT_TRUE(Enabled(Form::Insert));
    EXPECT_EQ(dialog->searchBox()->currentText(), "~");
}

TEST_F(SearchReplaceDlgTest, TheReplaceFieldIsOfferedEightSpecialCharacters) {
    Dialog();
    dialog->replaceBox()->setFocus();
    QApplication::processEvents();
    if (!dialog->replaceBox()->hasFocus()) GTEST_SKIP() << "no keyboard focus on this platform";
    Click(Form::SpecialChar);
    EXPECT_EQ(dialog->specialList()->count(), 8);
    emit dialog->specialList()->itemClicked(dialog->specialList()->item(0));
    EXPECT_EQ(dialog->replaceBox()->currentText(), "\\t");
    dialog->searchBox()->setFocus();
    QApplication::processEvents();
    Click(Form::SpecialChar);
    EXPECT_EQ(dialog->specialList()->count(), 10);
}

TEST_F(SearchReplaceDlgTest, BeginRemembersBothStringsMostRecentFirst) {
    IniFile(settingsPath()).WriteString("Preferences", "MaxSaveStrings", "2");
    for (const char* search : {"one", "two", "three", "two"}) {
        Dialog();
        Type(dialog->searchBox(), search);
        Type(dialog->replaceBox(), "");
        ASSERT_TRUE(Begin()) << search;
    }
    EXPECT_EQ(doc->session().settings.searchStrings, (std::vector<std::string>{"two", "three"}));
    const IniFile ini(settingsPath());
    EXPECT_EQ(ini.ReadString("Recent Search Strings", "SearchStr1"), "two");
    EXPECT_EQ(ini.ReadString("Recent Replace Strings", "ReplaceStr1"), "\xA7")
        << "the empty replace string is kept as its mark";
    EXPECT_EQ(dialog->form().request().values.searchText, "two");
}

TEST_F(SearchReplaceDlgTest, PickingARememberedStringOffersTheSessionSwitchesItNeeds) {
    const IniFile ini(settingsPath());
    ini.WriteString("Recent Search Strings", "SearchStr1", "\"a$b\"");
    ini.WriteString("Recent Search Strings", "SearchStr2", "\"a*b\"");
    ini.WriteString("Recent Search Strings", "SearchStr3", "\"plain\"");
    Dialog();
    ASSERT_EQ(dialog->searchBox()->count(), 3);
    emit dialog->searchBox()->activated(2);
    EXPECT_TRUE(asked.empty());
    emit dialog->searchBox()->activated(0);
    EXPECT_EQ(asked, (std::vector<std::string>{"special:a$b"}));
    EXPECT_TRUE(Checked(Form::SpecialCharSession));
    emit dialog->searchBox()->activated(1);
    EXPECT_EQ(asked.back(), "wild:a*b");
    EXPECT_TRUE(Checked(Form::WildCards));
    EXPECT_EQ(dialog->searchBox()->currentText(), "a*b");
}

TEST_F(SearchReplaceDlgTest, AnExtendedEntryWithLineBreaksOrTabsTurnsTheSessionOn) {
    Dialog();
    Type(dialog->searchBox(), "old");
    std::vector<std::string> offered;
    dialog->extendedEntry = [&offered](const QString& label,
                                       const QString& text) -> std::optional<std::string> {
        offered.push_back(label.toStdString() + "=" + text.toStdString());
        return std::string("first\nsecond\tthird");
    };
    Click(Form::SearchExpand);
    EXPECT_EQ(offered, (std::vector<std::string>{"Search String=old"}));
    EXPECT_EQ(dialog->searchBox()->currentText(), "first$second\\tthird");
    EXPECT_TRUE(Checked(Form::SpecialCharSession));
    EXPECT_FALSE(Enabled(Form::MatchWholeWord));

    dialog->extendedEntry = [](const QString&, const QString&) -> std::optional<std::string> {
        return std::nullopt;  // Cancel
    };
    Click(Form::ReplaceExpand);
    EXPECT_EQ(dialog->replaceBox()->currentText(), "");
}

TEST_F(SearchReplaceDlgTest, AConversionLocksTheStringsAndGivesThemBackWhenUndone) {
    Dialog();
    Type(dialog->searchBox(), "mine");
    const auto answerConversion = [](int boxIndex) {
        test::WhenModal<CConvertDlg>([boxIndex](CConvertDlg& convert) {
            if (boxIndex >= 0) {
                convert.box(static_cast<std::size_t>(boxIndex))->click();
            } else {
                for (std::size_t i = 0; i < 6; ++i) convert.box(i)->setChecked(false);
            }
            test::ClickButton(convert, "OK");
        });
    };
    answerConversion(2);  // DOS to UNIX
    Click(Form::Convert);
    EXPECT_TRUE((dialog->form().conversion() ==
                 ConversionDirection{LineBreakType::Dos, LineBreakType::Unix}));
    EXPECT_FALSE(doc->options().convertLineBreaks) << "the session takes it on Begin";
    EXPECT_EQ(dialog->searchBox()->currentText(), "\\r\\n");
    EXPECT_EQ(dialog->replaceBox()->currentText(), "\\n");
    EXPECT_TRUE(Checked(Form::SpecialCharSession));
    EXPECT_FALSE(dialog->searchBox()->isEnabled());
    EXPECT_FALSE(Enabled(Form::Insert));

    answerConversion(-1);
    Click(Form::Convert);
    EXPECT_FALSE(dialog->form().conversion().has_value());
    EXPECT_TRUE(dialog->searchBox()->isEnabled());
    EXPECT_EQ(dialog->searchBox()->currentText(), "mine");
    EXPECT_FALSE(Checked(Form::SpecialCharSession));
}

TEST_F(SearchReplaceDlgTest, RegularExpressionTurnsBothSessionsOffAndLocksThemWhileChecked) {
    Dialog();
    EXPECT_FALSE(Checked(Form::RegularExpression));
    EXPECT_FALSE(Checked(Form::PreserveCase));
    Click(Form::WildCards);
    Click(Form::SpecialCharSession);
    ASSERT_TRUE(Checked(Form::WildCards));
    ASSERT_TRUE(Checked(Form::SpecialCharSession));
    EXPECT_FALSE(Enabled(Form::Insert));
    EXPECT_EQ(dialog->control(Form::RegularExpression)->toolTip(),
              "Checking it turns off ? and * are Wild Cards and Special Char Session");

    Click(Form::RegularExpression);
    for (Form::Control session : {Form::WildCards, Form::SpecialCharSession}) {
        EXPECT_FALSE(Checked(session)) << session;
        EXPECT_FALSE(Enabled(session)) << session;
    }
    EXPECT_FALSE(Enabled(Form::SpecialChar)) << "its list writes a session's codes";
    EXPECT_TRUE(Enabled(Form::Insert)) << "the wild cards no longer hold it";
    EXPECT_TRUE(Enabled(Form::MatchWholeWord)) << "the sessions no longer hold it";
    EXPECT_EQ(dialog->control(Form::WildCards)->toolTip(),
              "A regular expression has its own wild cards: . * + ? and the rest");
    EXPECT_EQ(dialog->control(Form::SpecialCharSession)->toolTip(),
              "A regular expression has its own special characters: \\t \\n ^ $ and the rest");

    Click(Form::RegularExpression);
    for (Form::Control freed : {Form::WildCards, Form::SpecialCharSession, Form::SpecialChar}) {
        EXPECT_TRUE(Enabled(freed)) << freed;
    }
    EXPECT_FALSE(Checked(Form::WildCards)) << "unchecking gives nothing back on its own";
    EXPECT_TRUE(dialog->control(Form::WildCards)->toolTip().isEmpty());
}

TEST_F(SearchReplaceDlgTest, InsertModeTakesThePatternSwitchesAwayAndGivesThemBackOff) {
    Dialog();
    Click(Form::RegularExpression);
    Click(Form::PreserveCase);
    Click(Form::Insert);
    for (Form::Control pattern : {Form::RegularExpression, Form::PreserveCase}) {
        EXPECT_FALSE(Checked(pattern)) << pattern;
        EXPECT_FALSE(Enabled(pattern)) << pattern;
    }
    EXPECT_TRUE(Enabled(Form::SpecialCharSession)) << "an insert may have special characters";
    EXPECT_FALSE(Enabled(Form::WildCards));

    Click(Form::Insert);
    EXPECT_TRUE(Enabled(Form::RegularExpression));
    EXPECT_TRUE(Enabled(Form::PreserveCase));
    EXPECT_TRUE(Enabled(Form::WildCards));
    EXPECT_FALSE(Checked(Form::RegularExpression));
}

TEST_F(SearchReplaceDlgTest, AConversionLocksThePatternSwitchesAndGivesThemBackWhenUndone) {
    Dialog();
    Click(Form::RegularExpression);
    Click(Form::PreserveCase);
    const auto answerConversion = [](bool chosen) {
        test::WhenModal<CConvertDlg>([chosen](CConvertDlg& convert) {
            for (std::size_t i = 0; i < 6; ++i) convert.box(i)->setChecked(false);
            if (chosen) convert.box(2)->click();
            test::ClickButton(convert, "OK");
        });
    };
    answerConversion(true);
    Click(Form::Convert);
    EXPECT_FALSE(Checked(Form::RegularExpression));
    EXPECT_FALSE(Enabled(Form::RegularExpression));
    EXPECT_FALSE(Enabled(Form::PreserveCase));
    EXPECT_TRUE(Checked(Form::SpecialCharSession)) << "a conversion is a special-char session";

    answerConversion(false);
    Click(Form::Convert);
    EXPECT_TRUE(Checked(Form::RegularExpression));
    EXPECT_TRUE(Checked(Form::PreserveCase));
    EXPECT_FALSE(Checked(Form::SpecialCharSession));
    EXPECT_FALSE(Enabled(Form::SpecialCharSession)) << "the regular expression is back";
    EXPECT_FALSE(Enabled(Form::WildCards));
}

TEST_F(SearchReplaceDlgTest, UnderARegularExpressionNoSessionIsCalledForByTheStrings) {
    IniFile(settingsPath()).WriteString("Recent Search Strings", "SearchStr1", "\"^a*b$\"");
    Dialog();
    Click(Form::RegularExpression);
    emit dialog->searchBox()->activated(0);
    EXPECT_TRUE(asked.empty());
    EXPECT_FALSE(Checked(Form::SpecialCharSession));
    EXPECT_FALSE(Checked(Form::WildCards));

    dialog->extendedEntry = [](const QString&, const QString&) -> std::optional<std::string> {
        return std::string("first\nsecond\tthird");
    };
    Click(Form::SearchExpand);
    EXPECT_EQ(dialog->searchBox()->currentText(), "first\\nsecond\\tthird")
        << "the expression's own escapes, not a session's $";
    EXPECT_FALSE(Checked(Form::SpecialCharSession));
    EXPECT_TRUE(Checked(Form::RegularExpression));
}

TEST_F(SearchReplaceDlgTest, ABadPatternPutsTheCaretAtTheErrorInTheFieldItIsIn) {
    Dialog();
    dialog->replaceBox()->setFocus();
    QApplication::processEvents();
    if (!dialog->replaceBox()->hasFocus()) GTEST_SKIP() << "no keyboard focus on this platform";
    Click(Form::RegularExpression);
    const struct {
        QString search;
        QString replace;
        QComboBox* field;
        int caret;
    } refused[] = {
        {"ab(c", "", dialog->searchBox(), 4},
        {"a)bc", "", dialog->searchBox(), 1},
        {QString::fromUtf8("\xC3\xA9)ab"), "", dialog->searchBox(), 1},  // a two-byte letter
        {"(a)", "x$3y", dialog->replaceBox(), 1},
    };
    for (const auto& row : refused) {
        Type(dialog->searchBox(), row.search);
        Type(dialog->replaceBox(), row.replace);
        dialog->searchBox()->lineEdit()->setCursorPosition(0);
        dialog->replaceBox()->lineEdit()->setCursorPosition(0);
        EXPECT_FALSE(Begin()) << row.search.toStdString();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(row.field->hasFocus()) << row.search.toStdString();
        EXPECT_EQ(row.field->lineEdit()->cursorPosition(), row.caret) << row.search.toStdString();
        EXPECT_FALSE(row.field->lineEdit()->hasSelectedText()) << row.search.toStdString();
    }
    EXPECT_EQ(prompter.messages.front().rfind("Error in the regular expression at offset 4: ", 0),
              0u)
        << prompter.messages.front();
    EXPECT_EQ(prompter.messages.back().rfind("Error in the replace string at offset 1: ", 0), 0u)
        << prompter.messages.back();
}

TEST_F(SearchReplaceDlgTest, ARefusalWithoutAPlaceSelectsTheWholeField) {
    Dialog();
    dialog->searchBox()->setFocus();
    QApplication::processEvents();
    if (!dialog->searchBox()->hasFocus()) GTEST_SKIP() << "no keyboard focus on this platform";
    Click(Form::WildCards);
    Type(dialog->searchBox(), "a?c");
    Type(dialog->replaceBox(), "x??");
    EXPECT_FALSE(Begin());
    EXPECT_TRUE(dialog->replaceBox()->hasFocus());
    EXPECT_EQ(dialog->replaceBox()->lineEdit()->selectedText(), "x??");
}

TEST_F(SearchReplaceDlgTest, ThePatternSwitchesReachTheRunAndOpenTheNextDialog) {
    Dialog();
    Type(dialog->searchBox(), "(\\w+)@");
    Type(dialog->replaceBox(), "<$1>");
    Click(Form::RegularExpression);
    Click(Form::PreserveCase);
    ASSERT_TRUE(Begin());
    EXPECT_TRUE(dialog->form().request().values.regularExpression);
    EXPECT_TRUE(dialog->form().request().values.preserveCase);
    const IniFile ini(settingsPath());
    EXPECT_EQ(ini.ReadString("Preferences", "RegularExpression"), "1");
    EXPECT_EQ(ini.ReadString("Preferences", "PreserveCase"), "1");

    Dialog();  // a new window's, which reads the file
    EXPECT_TRUE(Checked(Form::RegularExpression));
    EXPECT_TRUE(Checked(Form::PreserveCase));
    EXPECT_FALSE(Enabled(Form::WildCards));
    EXPECT_FALSE(Enabled(Form::SpecialCharSession));
    Type(dialog->searchBox(), "plain");
    Click(Form::RegularExpression);
    ASSERT_TRUE(Begin());
    EXPECT_FALSE(dialog->form().request().values.regularExpression);
    EXPECT_EQ(ini.ReadString("Preferences", "RegularExpression"), "0");
    EXPECT_EQ(ini.ReadString("Preferences", "PreserveCase"), "1");

    Dialog();
    EXPECT_FALSE(Checked(Form::RegularExpression));
    EXPECT_TRUE(Checked(Form::PreserveCase));
    EXPECT_TRUE(Enabled(Form::WildCards));
}

TEST_F(SearchReplaceDlgTest, APreviewKeepsThePatternSwitchesAndAnInsertLeavesThemAlone) {
    Dialog();
    Type(dialog->searchBox(), "a.c");
    Click(Form::RegularExpression);
    Click(Form::Preview);
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(dialog->form().request().preview);
    const IniFile ini(settingsPath());
    EXPECT_EQ(ini.ReadString("Preferences", "RegularExpression"), "1");
    EXPECT_FALSE(ini.ReadString("Recent Search Strings", "SearchStr1")) << "no string, though";

    Dialog();
    ASSERT_TRUE(Checked(Form::RegularExpression));
    Click(Form::Insert);
    Type(dialog->searchBox(), "//");
    Type(dialog->replaceBox(), "1");
    ASSERT_TRUE(Begin());
    EXPECT_EQ(ini.ReadString("Preferences", "RegularExpression"), "1")
        << "an insert had no say in it";
}

}  // namespace
}  // namespace kesto
