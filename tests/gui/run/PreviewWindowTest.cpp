// A preview in a session window: the dialog's Preview button, the window it fills, Apply,
// Save as Diff, and the highlight of what each ORG/MOD pair changed.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "gui/app/ChildFrame.h"
#include "gui/app/KestoDoc.h"
#include "gui/app/MainFrame.h"
#include "gui/log/ChangeHighlight.h"
#include "gui/log/PreviewChoices.h"
#include "gui/run/SearchReplaceDlg.h"
#include "support/GuiFixture.h"

namespace kesto {
namespace {

const char* const kOriginal = "the cat sat\r\nno match\r\ncat and cat\r\n";
const char* const kChanged = "the dog sat\r\nno match\r\ndog and dog\r\n";

class PreviewWindowTest : public test::GuiFixture {
protected:
    // Previews "cat" -> "dog" over the tree through the real dialog's Preview button;
    // `confirm` leaves Confirm each Replace on (the confirmer answers).
    CChildFrame* PreviewRun(bool confirm = false) {
        CChildFrame* child = PreviewRunAlone(confirm);
        Frame().UpdateCommandUI();
        return child;
    }
    // The same, the commands left as the end of the run left them.
    CChildFrame* PreviewRunAlone(bool confirm = false) {
        std::filesystem::create_directories(dir / "tree");
        test::WriteFile(dir / "tree/a.txt", kOriginal);
        test::WriteFile(dir / "tree/b.txt", "nothing here\n");
        more.startChoices = {StartDirectoryChoice{dir / "tree", "*.txt", false, {}}};
        test::WhenModal<CSearchReplaceDlg>([confirm](CSearchReplaceDlg& dialog) {
            dialog.searchBox()->lineEdit()->setText("cat");
            dialog.replaceBox()->lineEdit()->setText("dog");
            if (!confirm) dialog.control(SearchReplaceForm::Global)->click();
            dialog.byDirectoryBox()->click();
            dialog.control(SearchReplaceForm::Preview)->click();
        });
        CChildFrame* child = Frame().OnFileNew();
        RunUntilFinished(child);
        return child;
    }

    bool ApplyEnabled() { return Frame().action(ID_FILE_APPLY_PREVIEW)->isEnabled(); }
};

TEST_F(PreviewWindowTest, PreviewThenApplyWritesWhatADirectRunWrites) {
    CChildFrame* preview = PreviewRun();
    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), kOriginal);
    EXPECT_FALSE(std::filesystem::exists(dir / "tree/a.~txt")) << "no backup";
    EXPECT_TRUE(preview->windowTitle().endsWith(QStringLiteral(" (Preview)")));
    const LogStore& log = preview->document().log();
    ASSERT_GE(log.logLineCount(), 2);
    EXPECT_EQ(log.line(1), std::string(20, ' ') + std::string(kPreviewLine));
    EXPECT_TRUE(ApplyEnabled());
    EXPECT_TRUE(Frame().action(ID_FILE_SAVE_DIFF)->isEnabled());
    EXPECT_FALSE(IniFile(settingsPath()).ReadString("Recent Search Strings", "SearchStr1"))
        << "a preview writes no setting";

    CChildFrame* applied = Frame().ApplyActivePreview();
    ASSERT_NE(applied, nullptr);
    RunUntilFinished(applied);
    Frame().mdiArea()->setActiveSubWindow(preview);
    Frame().UpdateCommandUI();
    EXPECT_FALSE(ApplyEnabled()) << "a preview is applied once";
    EXPECT_EQ(Frame().ApplyActivePreview(), nullptr);
    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), kChanged);
    EXPECT_EQ(test::ReadFile(dir / "tree/b.txt"), "nothing here\n");
    EXPECT_EQ(more.offered.size(), 1u) << "Apply walks where the preview walked, unasked";
    EXPECT_FALSE(applied->windowTitle().contains(QStringLiteral("Preview")));
    // The real run's log is the preview's less its preview line.
    std::vector<std::string> previewLines;
    std::vector<std::string> appliedLines;
    for (int i = 0; i < log.logLineCount(); ++i) {
        if (i != 1) previewLines.emplace_back(log.line(i));
    }
    for (int i = 0; i < applied->document().log().logLineCount(); ++i) {
        appliedLines.emplace_back(applied->document().log().line(i));
    }
    for (auto* lines : {&previewLines, &appliedLines}) {
        for (std::string& line : *lines) line = line.substr(0, line.find("Elapsed Time"));
    }
    EXPECT_EQ(previewLines, appliedLines);
}

// Apply Preview (on the toolbar too) is offered the moment the preview ends, without a menu
// opened first.
TEST_F(PreviewWindowTest, ApplyIsOfferedTheMomentThePreviewEnds) {
    PreviewRunAlone();
    EXPECT_TRUE(ApplyEnabled());
    EXPECT_TRUE(Frame().action(ID_FILE_SAVE_DIFF)->isEnabled());
}

TEST_F(PreviewWindowTest, ApplyIsRefusedOnceAFileOfThePreviewChanged) {
    CChildFrame* preview = PreviewRun();
    ASSERT_TRUE(ApplyEnabled());
    test::WriteFile(dir / "tree/b.txt", "a cat came by\n");
    Frame().UpdateCommandUI();
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_EQ(Frame().ApplyActivePreview(), nullptr);
    ASSERT_FALSE(prompter.messages.empty());
    EXPECT_NE(prompter.messages.back().find("changed since it ran"), std::string::npos);
    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), kOriginal);

    // A file added to a walked folder counts as well.
    CChildFrame* again = PreviewRun();
    ASSERT_NE(again, preview);
    ASSERT_TRUE(ApplyEnabled());
    test::WriteFile(dir / "tree/new.txt", "cat\n");
    Frame().UpdateCommandUI();
    EXPECT_FALSE(ApplyEnabled());
}

TEST_F(PreviewWindowTest, APreviewStoppedBeforeItsEndCannotBeAppliedOrSaved) {
    confirmer.Then(ConfirmChoice::StopNow);
    CChildFrame* preview = PreviewRun(true);
    EXPECT_FALSE(preview->document().session().previewComplete());
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_FALSE(Frame().action(ID_FILE_SAVE_DIFF)->isEnabled());
    EXPECT_EQ(Frame().ApplyActivePreview(), nullptr);
    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), kOriginal);
}

TEST_F(PreviewWindowTest, SaveAsDiffWritesTheChangesNamedBelowItsFolder) {
    PreviewRun();
    ASSERT_TRUE(Frame().SaveActiveDiff(dir / "changes.diff"));
    EXPECT_EQ(test::ReadFile(dir / "changes.diff"),
              "--- a/tree/a.txt\n+++ b/tree/a.txt\n@@ -1,3 +1,3 @@\n-the cat sat\r\n"
              "+the dog sat\r\n no match\r\n-cat and cat\r\n+dog and dog\r\n");
}

// The preview lists its files and their changes, all ticked; what is unticked stays as it
// was, in the files Apply writes and in the diff Save as Diff writes.
TEST_F(PreviewWindowTest, OnlyTheChangesLeftTickedAreAppliedAndSaved) {
    std::filesystem::create_directories(dir / "tree");
    test::WriteFile(dir / "tree/c.txt", "one cat\n");
    CChildFrame* preview = PreviewRun();
    CPreviewChoices* choices = preview->previewChoices();
    ASSERT_NE(choices, nullptr);
    QTreeWidget* tree = choices->tree();
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    QTreeWidgetItem* a = tree->topLevelItem(0);
    QTreeWidgetItem* c = tree->topLevelItem(1);
    ASSERT_TRUE(a->text(0).endsWith(QStringLiteral("a.txt")));
    ASSERT_EQ(a->childCount(), 2) << "each changed line is a change of its own";
    EXPECT_EQ(a->child(1)->text(0), QStringLiteral("Line 3: cat and cat  \u2192  dog and dog"));
    EXPECT_EQ(choices->countLabel()->text(),
              QStringLiteral("&Changes to apply: 3 of 3 in 2 of 2 files"));

    // The keyboard: the list takes the focus, Space unticks the current item.
    tree->setFocus();
    tree->setCurrentItem(c);
    QTest::keyClick(tree, Qt::Key_Space);
    EXPECT_EQ(c->checkState(0), Qt::Unchecked);
    EXPECT_EQ(c->child(0)->checkState(0), Qt::Unchecked) << "a file's box takes its changes";
    a->child(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(a->checkState(0), Qt::PartiallyChecked);
    QTest::qWait(0);
    EXPECT_EQ(choices->countLabel()->text(),
              QStringLiteral("&Changes to apply: 1 of 3 in 1 of 2 files"));

    ASSERT_TRUE(Frame().SaveActiveDiff(dir / "chosen.diff"));
    EXPECT_EQ(test::ReadFile(dir / "chosen.diff"),
              "--- a/tree/a.txt\n+++ b/tree/a.txt\n@@ -1,3 +1,3 @@\n-the cat sat\r\n"
              "+the dog sat\r\n no match\r\n cat and cat\r\n");

    CChildFrame* applied = Frame().ApplyActivePreview();
    ASSERT_NE(applied, nullptr);
    RunUntilFinished(applied);
    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), "the dog sat\r\nno match\r\ncat and cat\r\n");
    EXPECT_EQ(test::ReadFile(dir / "tree/c.txt"), "one cat\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "tree/a.~txt")) << "the change has its backup";
    const LogStore& log = applied->document().log();
    std::string lines;
    for (int i = 0; i < log.logLineCount(); ++i) lines += std::string(log.line(i)) + "\n";
    EXPECT_NE(lines.find("** Apply Diff **"), std::string::npos) << lines;
    EXPECT_NE(lines.find("MOD: 00001 the dog sat"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("dog and dog"), std::string::npos) << lines;
}

TEST(ChangeHighlightTest, TheSpansOfAPairAreTheCharactersTheRunChanged) {
    const QString org = QStringLiteral("ORG: 00003 cat and cat!");
    const QString mod = QStringLiteral("MOD: 00003 dog and bird!");
    using Spans = std::vector<Span>;
    // "cat" twice in the ORG line; "dog" and "bird" in the MOD line.
    EXPECT_EQ(ChangeHighlight::SpansOf(org, QStringLiteral(" "), mod), (Spans{{11, 14}, {19, 22}}));
    EXPECT_EQ(ChangeHighlight::SpansOf(mod, org, QString()), (Spans{{11, 14}, {19, 23}}));
    // A line that is not half of a pair is not highlighted.
    EXPECT_TRUE(ChangeHighlight::SpansOf(org, QString(), QStringLiteral(" ")).empty());
    EXPECT_TRUE(ChangeHighlight::SpansOf(QStringLiteral("     File --- a"), org, mod).empty());
}

}  // namespace
}  // namespace kesto
