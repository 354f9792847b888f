// The confirm-replace dialog: what each button decides, and editing the line.
#include "gui/run/ConfirmReplaceDlg.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "support/GuiFixture.h"

namespace kesto {
namespace {

using Dlg = CConfirmReplaceDlg;

ConfirmRequest Request(const std::string& line, std::size_t start, std::size_t length,
                       const std::string& number = "00007") {
    ConfirmRequest request;
    request.fileName = "/w/file.txt";
    request.lineNumber = number;
    request.displayedLine = line;
    request.highlightStart = static_cast<int>(start);
    request.highlightEnd = static_cast<int>(start + length);
    request.line = "";
    request.matchStart = start;
    request.matchLength = length;
    return request;
}

TEST(ConfirmReplaceDlgTest, EachClosingButtonGivesItsDecision) {
    const std::vector<std::pair<Dlg::Button, ConfirmChoice>> rows = {
        {Dlg::ReplaceIt, ConfirmChoice::ReplaceIt},
        {Dlg::ReplaceAllThisFile, ConfirmChoice::ReplaceAllThisFile},
        {Dlg::GlobalReplace, ConfirmChoice::GlobalReplace},
        {Dlg::SkipIt, ConfirmChoice::SkipIt},
        {Dlg::SkipRestOfFile, ConfirmChoice::SkipRestOfFile},
        {Dlg::StopNow, ConfirmChoice::StopNow},
        {Dlg::Abort, ConfirmChoice::Abort},
    };
    for (const auto& [button, choice] : rows) {
        Dlg dialog(Request("a cat sat", 2, 3));
        dialog.show();
        dialog.button(button)->click();
        EXPECT_FALSE(dialog.isVisible()) << static_cast<int>(button);
        EXPECT_EQ(dialog.answer().choice, choice) << static_cast<int>(button);
        EXPECT_FALSE(dialog.answer().editedLine.has_value());
    }
}

TEST(ConfirmReplaceDlgTest, ShowsTheFileTheNumberAndTheMatchSelected) {
    Dlg dialog(Request("a cat sat", 2, 3, "123456"));
    EXPECT_EQ(dialog.windowTitle(), "String Replace");
    EXPECT_EQ(dialog.fileBox()->text(), "/w/file.txt");
    EXPECT_EQ(dialog.lineNumberBox()->text(), "123456");
    EXPECT_TRUE(dialog.lineBox()->isReadOnly());
    EXPECT_EQ(dialog.lineBox()->textCursor().selectedText(), "cat");
    EXPECT_TRUE(dialog.button(Dlg::ReplaceIt)->isDefault());
}

TEST(ConfirmReplaceDlgTest, YouEditItLetsOnlyReplaceItTakeTheEditedLine) {
    ConfirmRequest request = Request("a   cat", 4, 3);
    request.line = "a\tcat";
    Dlg dialog(request);
    dialog.show();
    dialog.button(Dlg::YouEditIt)->click();
    EXPECT_FALSE(dialog.lineBox()->isReadOnly());
    EXPECT_EQ(dialog.lineBox()->toPlainText(), "a\tcat") << "the line itself, tab kept";
    for (Dlg::Button off :
         {Dlg::SkipRestOfFile, Dlg::ReplaceAllThisFile, Dlg::GlobalReplace, Dlg::YouEditIt}) {
        EXPECT_FALSE(dialog.button(off)->isEnabled()) << static_cast<int>(off);
    }
    for (Dlg::Button on : {Dlg::ReplaceIt, Dlg::SkipIt, Dlg::StopNow, Dlg::Abort}) {
        EXPECT_TRUE(dialog.button(on)->isEnabled()) << static_cast<int>(on);
    }
    dialog.button(Dlg::YouEditIt)->click();  // pressed twice: nothing more happens
    EXPECT_TRUE(dialog.isVisible());
    dialog.lineBox()->setPlainText("a\tdog");
    dialog.button(Dlg::ReplaceIt)->click();
    EXPECT_EQ(dialog.answer().choice, ConfirmChoice::ReplaceIt);
    EXPECT_EQ(dialog.answer().editedLine, "a\tdog");
}

TEST(ConfirmReplaceDlgTest, AnEditIsDroppedBySkipAndEscapeSkips) {
    Dlg edited(Request("a cat", 2, 3));
    edited.show();
    edited.button(Dlg::YouEditIt)->click();
    edited.lineBox()->setPlainText("changed");
    edited.button(Dlg::StopNow)->click();
    EXPECT_EQ(edited.answer().choice, ConfirmChoice::StopNow);
    EXPECT_FALSE(edited.answer().editedLine.has_value());

    Dlg escaped(Request("a cat", 2, 3));
    escaped.show();
    QTest::keyClick(&escaped, Qt::Key_Escape);
    EXPECT_FALSE(escaped.isVisible());
    EXPECT_EQ(escaped.answer().choice, ConfirmChoice::SkipIt);
}

}  // namespace
}  // namespace kesto
