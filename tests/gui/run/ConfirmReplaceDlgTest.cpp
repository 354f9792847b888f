// The confirm-replace dialog: what each button decides, and editing the line.
#include "gui/run/ConfirmReplaceDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <ostream>

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

// The replacement selected in the after box, as the characters [start, end) of its text.
struct Selection {
    QString text;
    int start;
    int end;
    bool operator==(const Selection&) const = default;
};

Selection AfterSelection(const Dlg& dialog) {
    const QTextCursor cursor = dialog.afterBox()->textCursor();
    return {dialog.afterBox()->toPlainText(), cursor.selectionStart(), cursor.selectionEnd()};
}

void PrintTo(const Selection& selection, std::ostream* out) {
    *out << '"' << selection.text.toStdString() << "\" [" << selection.start << ", "
         << selection.end << ")";
}

TEST(ConfirmReplaceDlgTest, ShowsTheLineAfterReplaceItWithTheReplacementSelectedBelowTheLine) {
    ConfirmRequest request = Request("a cat sat", 2, 3);
    request.replacedDisplayedLine = "a lion sat";
    request.replacementStart = 2;
    request.replacementEnd = 6;
    Dlg dialog(request);
    dialog.show();
    EXPECT_EQ(AfterSelection(dialog), (Selection{"a lion sat", 2, 6}));
    EXPECT_TRUE(dialog.afterBox()->isReadOnly());
    EXPECT_GT(dialog.afterBox()->y(), dialog.lineBox()->y()) << "below the line as it is";
    bool labelled = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        labelled |= label->buddy() == dialog.afterBox() && label->text() == "After Replace It:";
    }
    EXPECT_TRUE(labelled);

    // The columns count bytes of the line; the box counts characters: "é" is two bytes.
    request = Request("\xc3\xa9 cat", 3, 3);
    request.replacedDisplayedLine = "\xc3\xa9 lion";
    request.replacementStart = 3;
    request.replacementEnd = 7;
    Dlg accented(request);
    EXPECT_EQ(AfterSelection(accented), (Selection{QStringLiteral("\u00e9 lion"), 2, 6}));
    EXPECT_EQ(accented.afterBox()->textCursor().selectedText(), "lion");
}

TEST(ConfirmReplaceDlgTest, AfterYouEditItTheAfterLineFollowsTheEditWithTheChangeSelected) {
    ConfirmRequest request = Request("a cat sat", 2, 3);
    request.line = "a cat sat";
    request.replacedDisplayedLine = "a dog sat";
    request.replacementStart = 2;
    request.replacementEnd = 5;
    Dlg dialog(request);
    dialog.show();
    dialog.button(Dlg::YouEditIt)->click();
    EXPECT_EQ(AfterSelection(dialog), (Selection{"a cat sat", 9, 9})) << "nothing changed yet";
    dialog.lineBox()->setPlainText("a big cat sat");
    EXPECT_EQ(AfterSelection(dialog), (Selection{"a big cat sat", 2, 6}));
    dialog.lineBox()->setPlainText("a sat");
    EXPECT_EQ(AfterSelection(dialog), (Selection{"a sat", 2, 2}));
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
