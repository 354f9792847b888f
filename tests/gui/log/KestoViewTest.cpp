// The log view in a main frame on the offscreen platform: frames and their commands,
// Find and Find Again, the editor double-click, printing, saving and the display of a run.
#include "gui/log/KestoView.h"

#include <QAction>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPrinter>
#include <QRegularExpression>
#include <QThread>
#include <optional>

#include "gui/log/GoToDlg.h"
#include "gui/log/LogListModel.h"
#include "gui/log/LogPrinter.h"
#include "pattern/PatternSyntax.h"
#include "support/GuiFixture.h"

namespace kesto {
namespace {

class KestoViewTest : public test::GuiFixture {
protected:
    CKestoView& OpenLines(std::vector<std::string> lines) {
        CChildFrame* child = Open(WriteLog("big.log", lines));
        EXPECT_NE(child, nullptr);
        return child->view();
    }

    bool Enabled(int id) {
        Frame().UpdateCommandUI();
        return Frame().action(id)->isEnabled();
    }

    std::vector<QStringList> launched;
    int beeps = 0;

    void Record(CKestoView& view) {
        view.SetEditorLauncher([this](const QStringList& command) {
            launched.push_back(command);
            return true;
        });
        view.SetBeeper([this] { ++beeps; });
    }
};

TEST_F(KestoViewTest, FramesOfALogOf64001LinesAreWalkedWithTheirEnablingRules) {
    CKestoView& view = OpenLines(NumberedLines(64'001));
    EXPECT_EQ(view.frames().frameCount(), 3);
    EXPECT_EQ(view.list()->model()->rowCount(), 32'000);
    EXPECT_EQ(view.SelectedIndex(), 0);
    EXPECT_TRUE(Enabled(ID_NEXT_FRAME));
    EXPECT_FALSE(Enabled(ID_PREVIOUS_FRAME));
    EXPECT_TRUE(Enabled(ID_GOTO_FRAME));

    Frame().action(ID_NEXT_FRAME)->trigger();
    EXPECT_EQ(view.frames().currentFrame(), 2);
    EXPECT_EQ(view.SelectedIndex(), 32'000);
    EXPECT_EQ(Frame().paneText(1), "32000/64001 Lines");
    EXPECT_EQ(Frame().paneText(2), "Display Frame 2 of 3");

    Frame().action(ID_NEXT_FRAME)->trigger();
    EXPECT_EQ(view.list()->model()->rowCount(), 1);
    EXPECT_EQ(view.list()->model()->index(0, 0).data().toString(), "line 64000");
    EXPECT_FALSE(Enabled(ID_NEXT_FRAME));
    EXPECT_TRUE(Enabled(ID_PREVIOUS_FRAME));
    EXPECT_EQ(Frame().paneText(1), "1/64001 Lines");

    Frame().action(ID_PREVIOUS_FRAME)->trigger();
    EXPECT_EQ(view.frames().currentFrame(), 2);
    EXPECT_EQ(view.SelectedIndex(), 63'999) << "the last line of frame 2";

    view.GoToFrame(0);
    EXPECT_EQ(view.frames().currentFrame(), 1);
    view.GoToFrame(99);
    EXPECT_EQ(view.frames().currentFrame(), 3);
    EXPECT_EQ(view.SelectedIndex(), 64'000);
}

TEST_F(KestoViewTest, ALogOfOneFrameEnablesNoFrameCommand) {
    OpenLines({"a", "b", "c"});
    EXPECT_FALSE(Enabled(ID_NEXT_FRAME));
    EXPECT_FALSE(Enabled(ID_PREVIOUS_FRAME));
    EXPECT_FALSE(Enabled(ID_GOTO_FRAME));
    EXPECT_TRUE(Enabled(ID_FIND));
    EXPECT_FALSE(Enabled(ID_FIND_AGAIN)) << "nothing searched yet";
    EXPECT_TRUE(Enabled(ID_FILE_PRINT));
}

TEST_F(KestoViewTest, TheGoToDialogClampsTheTypedNumber) {
    for (const auto& [typed, expected] :
         std::vector<std::pair<QString, int>>{{"0", 1}, {"-4", 1}, {"2", 2}, {"99", 3}}) {
        CGoToDlg dialog(2, 3);
        EXPECT_EQ(dialog.numberField()->text(), "2");
        dialog.numberField()->setText(typed);
        EXPECT_EQ(dialog.frame(), expected) << typed.toStdString();
    }
}

TEST_F(KestoViewTest, FindAndFindAgainCrossFramesAndWrapAround) {
    std::vector<std::string> lines = NumberedLines(64'001);
    lines[31'999] = "a Hit at the end of frame 1";
    lines[32'000] = "a hit at the start of frame 2";
    lines[50'000] = "a HIT in frame 2";
    CKestoView& view = OpenLines(lines);
    Record(view);

    view.FindFragment("hit", false);
    EXPECT_EQ(view.SelectedIndex(), 31'999);
    EXPECT_EQ(view.frames().currentFrame(), 1);
    EXPECT_EQ(beeps, 3) << "a hit beeps three times";
    EXPECT_TRUE(Enabled(ID_FIND_AGAIN));

    view.OnFindAgain();
    EXPECT_EQ(view.frames().currentFrame(), 2);
    EXPECT_EQ(view.SelectedIndex(), 32'000);
    EXPECT_EQ(view.list()->currentIndex().row(), 0) << "first line of frame 2";
    view.OnFindAgain();
    EXPECT_EQ(view.SelectedIndex(), 50'000);
    view.OnFindAgain();
    EXPECT_EQ(view.SelectedIndex(), 31'999) << "wrapped to the top";
    EXPECT_EQ(view.frames().currentFrame(), 1);

    view.FindFragment("HIT", true);  // from the selected line, inclusive
    EXPECT_EQ(view.SelectedIndex(), 50'000);
    EXPECT_TRUE(prompter.messages.empty());

    beeps = 0;
    view.FindFragment("absent", false);
    EXPECT_EQ(beeps, 1);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], "Didn't find text fragment:\n\"absent\"!");
    view.OnFindAgain();
    EXPECT_EQ(prompter.messages.back(), "Didn't find text fragment:\n\"absent\" Again!");
    EXPECT_EQ(view.SelectedIndex(), 50'000) << "a miss leaves the selection";
}

TEST_F(KestoViewTest, FindAndFindAgainShowTheFoundLineInTheMiddleOfTheView) {
    std::vector<std::string> lines = NumberedLines(33'000);
    lines[1'500] = "a hit far down frame 1";
    lines[32'600] = "a hit in frame 2";
    CKestoView& view = OpenLines(lines);
    Record(view);
    const QListView& list = *view.list();
    const int middle = list.viewport()->height() / 2;
    const int rowHeight = list.visualRect(list.model()->index(0, 0)).height();
    ASSERT_GT(list.viewport()->height(), 10 * rowHeight) << "room for lines around the hit";

    view.FindFragment("hit", false);
    ASSERT_EQ(list.currentIndex().row(), 1'500);
    EXPECT_NEAR(list.visualRect(list.currentIndex()).center().y(), middle, rowHeight);

    view.OnFindAgain();
    ASSERT_EQ(view.frames().currentFrame(), 2);
    ASSERT_EQ(list.currentIndex().row(), 600);
    EXPECT_NEAR(list.visualRect(list.currentIndex()).center().y(), middle, rowHeight);
}

TEST_F(KestoViewTest, FindRemembersTheFragmentsMostRecentFirst) {
    CKestoView& view = OpenLines({"alpha", "beta", "gamma"});
    Record(view);
    view.FindFragment("beta", false);
    view.FindFragment("alpha", false);
    const CKestoDoc& doc = Frame().activeChild()->document();
    EXPECT_EQ(doc.session().settings.findFragments, (std::vector<std::string>{"alpha", "beta"}));
    EXPECT_EQ(IniFile(settingsPath()).ReadString("Recent Find Fragments", "FindFragments1"),
              "alpha");
}

class EditorTest : public KestoViewTest {
protected:
    CKestoView& OpenReport(const std::string& editor) {
        IniFile(settingsPath()).WriteString("Preferences", "Editor", editor);
        std::vector<std::string> lines = NumberedLines(32'010);
        lines[32'001] = "     File --- /w/a b.txt";
        lines[32'002] = "ORG: 00042 old";
        lines[32'003] = "MOD: 00042 new";
        lines[32'004] = "     3) --- /w/c;rm.txt ... No match Found!";
        CKestoView& view = OpenLines(lines);
        Record(view);
        return view;
    }
};

TEST_F(EditorTest, ALineInFrameTwoOpensItsFileWithTheLineWherePercentLStands) {
    CKestoView& view = OpenReport("myedit --line=%l --file %f");
    view.GoToFrame(2);
    view.SelectPosition(3);  // 32003: the MOD line
    view.OnDoubleClickLine();
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0], (QStringList{"myedit", "--line=42", "--file", "/w/a b.txt"}));
}

TEST_F(EditorTest, WithoutPlaceholdersTheFileNameComesLastAndNoLineNumber) {
    CKestoView& view = OpenReport("xdg-open");
    view.GoToFrame(2);
    view.SelectPosition(2);
    view.OnDoubleClickLine();
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0], (QStringList{"xdg-open", "/w/a b.txt"}));
}

TEST_F(EditorTest, AProblemEntryOpensItsFileAtLineOneWithoutTheReason) {
    CKestoView& view = OpenReport("ed +%l %f");
    view.GoToFrame(2);
    view.SelectPosition(4);
    view.OnDoubleClickLine();
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0], (QStringList{"ed", "+1", "/w/c;rm.txt"}));
}

TEST_F(EditorTest, ALineWithoutAFileBeepsAndARunningSessionIsAbortedInstead) {
    CKestoView& view = OpenReport("ed %f");
    view.SelectPosition(5);  // frame 1 has no file header
    view.OnDoubleClickLine();
    EXPECT_TRUE(launched.empty());
    EXPECT_EQ(beeps, 1);

    CKestoDoc& doc = Frame().activeChild()->document();
    doc.state().sessionRunning = true;
    view.GoToFrame(2);
    view.SelectPosition(2);
    view.OnDoubleClickLine();
    EXPECT_TRUE(launched.empty());
    EXPECT_TRUE(doc.session().control.abortRequested());
}

// Counts the pages of a PDF written by QPrinter.
int PdfPageCount(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray pdf = file.readAll();
    return static_cast<int>(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") +
                            pdf.count("/Type /Page "));
}

TEST_F(KestoViewTest, A141LineLogPrintsOnThreePagesOf70Lines) {
    std::vector<std::string> lines = NumberedLines(141);
    CKestoView& view = OpenLines(lines);
    EXPECT_EQ(view.PrintLineCount(), 141);
    const LogPrinter job(Frame().activeChild()->document().log(), view.PrintLineCount(), 70, 10);
    EXPECT_EQ(job.pageCount(), 3);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = QString::fromStdString(dir / "log.pdf");
    printer.setOutputFileName(pdf);
    ASSERT_TRUE(job.Print(printer));
    EXPECT_EQ(PdfPageCount(pdf), 3);
    ASSERT_TRUE(job.Print(printer, 3, 3));
    EXPECT_EQ(PdfPageCount(pdf), 1);
}

TEST_F(KestoViewTest, ALogWithNothingToPrintNeitherPrintsNorPreviews) {
    CChildFrame* child = NewWindow();
    ASSERT_EQ(child->view().PrintLineCount(), 0);
    EXPECT_FALSE(Enabled(ID_FILE_PRINT));
    EXPECT_FALSE(Enabled(ID_FILE_PRINT_PREVIEW));
    bool previewShown = false;
    test::WhenModal<QDialog>(
        [&previewShown](QDialog& dialog) {
            previewShown = true;
            dialog.reject();
        },
        20);
    child->view().OnPrintPreview(Frame().printer());
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 400) QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(previewShown);
}

// Where the first character of a page lands on the paper, in millimetres from the left and
// top edges, read from the page's content stream in the PDF that QPrinter writes.
std::optional<QPointF> FirstTextPositionMm(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray pdf = file.readAll();
    const QRegularExpression box(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"));
    const QRegularExpressionMatch media = box.match(QString::fromLatin1(pdf));
    if (!media.hasMatch()) return std::nullopt;
    const double pageHeight = media.captured(2).toDouble();
    for (qsizetype at = pdf.indexOf("stream\n"); at >= 0; at = pdf.indexOf("stream\n", at + 1)) {
        const qsizetype end = pdf.indexOf("endstream", at);
        if (end < 0) break;
        // qUncompress wants the zlib stream behind a big-endian size hint.
        const QByteArray hint("\x00\x10\x00\x00", 4);
        const QString content =
            QString::fromLatin1(qUncompress(hint + pdf.mid(at + 7, end - at - 7)));
        const QRegularExpressionMatch page =
            QRegularExpression(QStringLiteral("([-0-9.]+) 0 0 ([-0-9.]+) ([-0-9.]+) ([-0-9.]+) cm"))
                .match(content);
        const QRegularExpressionMatch text =
            QRegularExpression(QStringLiteral("BT\\s.*?([-0-9.]+) ([-0-9.]+) Td"),
                               QRegularExpression::DotMatchesEverythingOption)
                .match(content);
        if (!page.hasMatch() || !text.hasMatch()) continue;
        const double scaleX = page.captured(1).toDouble();
        const double scaleY = page.captured(2).toDouble();
        // The text matrix flips y back: Td's y is the negated baseline in device units.
        const double x = page.captured(3).toDouble() + scaleX * text.captured(1).toDouble();
        const double y = page.captured(4).toDouble() + scaleY * -text.captured(2).toDouble();
        constexpr double kMmPerPoint = 25.4 / 72;
        return QPointF(x * kMmPerPoint, (pageHeight - y) * kMmPerPoint);
    }
    return std::nullopt;
}

TEST_F(KestoViewTest, PrintedTextKeepsClearOfThePaperEdges) {
    CKestoView& view = OpenLines(NumberedLines(3));
    const LogPrinter job(Frame().activeChild()->document().log(), view.PrintLineCount(), 70, 10);
    QPrinter& printer = Frame().printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = QString::fromStdString(dir / "margins.pdf");
    printer.setOutputFileName(pdf);
    ASSERT_TRUE(job.Print(printer));
    const std::optional<QPointF> first = FirstTextPositionMm(pdf);
    ASSERT_TRUE(first.has_value());
    // Printers clip a few millimetres at every edge; the baseline sits one line lower.
    EXPECT_GE(first->x(), 12.0);
    EXPECT_GE(first->y(), 12.0);
    EXPECT_LE(first->x(), 30.0);
}

TEST_F(KestoViewTest, WithoutPrintNoFindsTheClosingListOfARunIsNotPrinted) {
    test::WriteFile(dir / "hit.txt", "cat\n");
    test::WriteFile(dir / "miss.txt", "dog\n");
    CChildFrame* child = NewWindow();
    CKestoDoc& doc = child->document();
    RunDialogValues values;
    values.searchText = "cat";
    values.replaceText = "cow";
    values.confirmEachReplace = false;
    values.globalReplace = true;
    ASSERT_TRUE(ValidateBeforeRun(values, doc.session().options, prompter).check.accepted);
    doc.session().searchFileList = {dir / "hit.txt", dir / "miss.txt"};
    child->view().BeginRunDisplay();
    ASSERT_EQ(doc.session().RunSingleSession(), RunOutcome::Finished);
    child->view().EndRunDisplay();

    const LogStore& log = doc.log();
    const int report = doc.session().reportLineCount();
    ASSERT_GT(report, 0);
    ASSERT_LT(report, log.logLineCount());
    EXPECT_EQ(log.line(report + 1),
              "Didn't find a match or had a problem with the following files:");
    EXPECT_EQ(child->view().PrintLineCount(), log.logLineCount());
    doc.session().settings.printNoFinds = false;
    EXPECT_EQ(child->view().PrintLineCount(), report);
    EXPECT_EQ(child->view().list()->model()->rowCount(), log.logLineCount())
        << "the run's lines are on display";
}

TEST_F(KestoViewTest, ASavedLogReadsBackWithoutItsBlankLines) {
    CKestoView& view = OpenLines({"first", "", "second", "   ", "third"});
    CKestoDoc& doc = Frame().activeChild()->document();
    EXPECT_EQ(doc.log().logLineCount(), 4) << "the empty line is not kept";
    ASSERT_TRUE(Frame().SaveActiveLog(dir / "saved.log"));
    EXPECT_EQ(test::ReadFile(dir / "saved.log"), "first\r\nsecond\r\n   \r\nthird\r\n");
    EXPECT_EQ(doc.title(), "saved.log");

    CChildFrame* again = Open(dir / "saved.log");
    ASSERT_NE(again, nullptr);
    const LogStore& reread = again->document().log();
    ASSERT_EQ(reread.logLineCount(), 4);
    EXPECT_EQ(reread.line(3), "third");
    EXPECT_EQ(Frame().recentFiles().front(), dir / "saved.log");
    (void)view;
}

TEST_F(KestoViewTest, ARunFillsFrameOneAsItGoesAndFixesTheFramesAtTheEnd) {
    CChildFrame* child = NewWindow();
    CKestoView& view = child->view();
    CKestoDoc& doc = child->document();
    view.BeginRunDisplay();
    for (int i = 0; i < 40'000; ++i) doc.log().AddPlainLogLine("run line " + std::to_string(i));
    for (int i = 0; i < 50 && view.list()->model()->rowCount() < 32'000; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    EXPECT_EQ(view.list()->model()->rowCount(), 32'000) << "frame 1 only";
    EXPECT_EQ(view.frames().frameCount(), 1);
    view.EndRunDisplay();
    EXPECT_EQ(view.frames().frameCount(), 2);
    EXPECT_EQ(view.SelectedIndex(), 0);
}

TEST_F(KestoViewTest, LinesTooWideToDrawAreShortened) {
    // 5450 characters of 6 pixels stay below 32701 pixels; one more does not.
    EXPECT_EQ(LogListModel::DisplayedLine(std::string(5450, 'w'), 6), QString(5450, 'w'));
    EXPECT_EQ(LogListModel::DisplayedLine(std::string(5451, 'w'), 6),
              QString(10, 'w') + " Line to long to display");
}

}  // namespace
}  // namespace kesto
