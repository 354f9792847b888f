// The batch mode dialog, the pair editor and the pair selection list on the offscreen
// platform, and one batch run in a session window.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "gui/batch/BatchModeDlg.h"
#include "gui/batch/EditPairsDlg.h"
#include "gui/batch/ListCtrlEx.h"
#include "gui/batch/SelectPairDlg.h"
#include "support/GuiFixture.h"

namespace kesto {
namespace {

using Editor = CEditPairsDlg;

class BatchDialogsTest : public test::GuiFixture {
protected:
    CKestoDoc& Doc() {
        if (!doc) doc = std::make_unique<CKestoDoc>(settingsPath(), hosts(), "Kesto1");
        return *doc;
    }
    void AddPairs(std::initializer_list<std::pair<const char*, const char*>> pairs) {
        for (const auto& [search, replace] : pairs) {
            CBatchSR& pair = Doc().session().batchPairs().AddNewPair();
            pair.m_nIndex = static_cast<int>(Doc().session().batchPairs().size()) - 1;
            pair.m_strSearch = search;
            pair.m_strReplace = replace;
        }
    }
    static QStringList Numbers(const Editor& editor) {
        QStringList numbers;
        for (int i = 0; i < editor.pairList()->count(); ++i) {
            numbers << editor.pairList()->item(i)->text();
        }
        return numbers;
    }
    static std::string Shown(const QPlainTextEdit* box) { return box->toPlainText().toStdString(); }

    std::unique_ptr<CKestoDoc> doc;
};

TEST_F(BatchDialogsTest, AnEditorOnNoPairsOffersOnlyNewAndNewMakesPairOne) {
    Editor editor(Doc());
    EXPECT_EQ(editor.windowTitle(), "Edit Batch Search/Replace Pairs");
    for (Editor::Button off :
         {Editor::Save, Editor::SaveAs, Editor::Up, Editor::Down, Editor::Delete}) {
        EXPECT_FALSE(editor.button(off)->isEnabled()) << off;
    }
    for (Editor::Button on : {Editor::NewSR, Editor::List, Editor::Done, Editor::Cancel}) {
        EXPECT_TRUE(editor.button(on)->isEnabled()) << on;
    }
    EXPECT_FALSE(editor.searchBox()->isEnabled());
    EXPECT_FALSE(editor.pairList()->isEnabled());

    editor.button(Editor::NewSR)->click();
    EXPECT_EQ(Numbers(editor), QStringList{"01"});
    EXPECT_TRUE(editor.searchBox()->isEnabled());
    EXPECT_TRUE(editor.button(Editor::Delete)->isEnabled());
    EXPECT_TRUE(editor.modified());

    editor.button(Editor::NewSR)->click();  // pair 01 still has no search string
    EXPECT_EQ(prompter.messages.back(), "Search string may NOT be left empty!");
    EXPECT_EQ(Numbers(editor), QStringList{"01"});
}

TEST_F(BatchDialogsTest, TheFirstNewPairTakesTheTextTypedNext) {
    Editor editor(Doc());
    editor.show();
    QApplication::setActiveWindow(&editor);
    editor.button(Editor::NewSR)->click();
    ASSERT_EQ(editor.focusWidget(), editor.searchBox());
    QTest::keyClicks(editor.focusWidget(), "typed");
    EXPECT_EQ(Shown(editor.searchBox()), "typed");
}

TEST_F(BatchDialogsTest, SaveAsWithTheBatchFilterAddsTheBatchSuffix) {
    const auto saved = [this](bool batchFilter, const QString& typed) {
        QFileDialog dialog;
        Editor::PrepareSaveDialog(dialog, QString::fromStdString(dir.path().string()));
        if (!batchFilter) {
            // As the user picks it: the filter box reports the choice.
            auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            if (!types) return QStringLiteral("no filter box");
            types->setCurrentIndex(1);
            emit types->activated(1);
            emit types->textActivated(types->itemText(1));
        }
        dialog.selectFile(typed);
        QMetaObject::invokeMethod(&dialog, "accept");
        return QFileInfo(dialog.selectedFiles().value(0)).fileName();
    };
    EXPECT_EQ(saved(true, "pairs"), "pairs.sr");
    EXPECT_EQ(saved(true, "pairs.SR"), "pairs.SR");
    EXPECT_EQ(saved(false, "pairs"), "pairs");
}

TEST_F(BatchDialogsTest, DeletingRenumbersAndSelectsTheNeighbour) {
    AddPairs({{"a", "1"}, {"b", "2"}, {"c", "3"}});
    {
        Editor editor(Doc());
        editor.pairList()->setCurrentRow(2);
        editor.button(Editor::Delete)->click();
        EXPECT_EQ(Numbers(editor), (QStringList{"01", "02"}));
        EXPECT_EQ(editor.currentIndex(), 1);
        EXPECT_EQ(Shown(editor.searchBox()), "b");
    }
    {
        Editor editor(Doc());
        editor.button(Editor::Delete)->click();  // pair 01 of three
        EXPECT_EQ(Numbers(editor), (QStringList{"01", "02"}));
        EXPECT_EQ(Shown(editor.searchBox()), "b");
        EXPECT_EQ(editor.workingList().pairs().front().m_nIndex, 0);
        editor.button(Editor::Delete)->click();
        editor.button(Editor::Delete)->click();
        EXPECT_EQ(editor.pairList()->count(), 0);
        EXPECT_FALSE(editor.button(Editor::Delete)->isEnabled());
        editor.button(Editor::NewSR)->click();
        EXPECT_TRUE(editor.button(Editor::Delete)->isEnabled());
    }
    EXPECT_EQ(Doc().session().batchPairs().size(), 3u)
        << "nothing saved, the document keeps its pairs";
}

// The editor has no undo: Delete asks, and No leaves the list as it was.
TEST_F(BatchDialogsTest, DeleteAsksFirstAndNoKeepsThePair) {
    AddPairs({{"a", "1"}, {"b", "2"}});
    Editor editor(Doc());
    editor.pairList()->setCurrentRow(1);
    prompter.answers = {false, true};
    editor.button(Editor::Delete)->click();
    EXPECT_EQ(prompter.questions, (std::vector<std::string>{"Delete string pair 02?"}));
    EXPECT_EQ(Numbers(editor), (QStringList{"01", "02"}));
    EXPECT_EQ(Shown(editor.searchBox()), "b");
    EXPECT_FALSE(editor.modified());
    editor.button(Editor::Delete)->click();
    EXPECT_EQ(prompter.questions.size(), 2u);
    EXPECT_EQ(Numbers(editor), (QStringList{"01"}));
    EXPECT_EQ(Shown(editor.searchBox()), "a");
    EXPECT_TRUE(editor.modified());
}

TEST_F(BatchDialogsTest, DownExchangesTheStringsAndFollowsThePair) {
    AddPairs({{"first", "1"}, {"second", "2"}});
    Editor editor(Doc());
    EXPECT_FALSE(editor.button(Editor::Up)->isEnabled());
    EXPECT_FALSE(editor.modified());
    editor.button(Editor::Down)->click();
    EXPECT_EQ(editor.currentIndex(), 1);
    EXPECT_EQ(editor.pairList()->currentRow(), 1);
    EXPECT_TRUE(editor.modified());
    EXPECT_EQ(editor.workingList().pairs().front().m_strSearch, "second");
    EXPECT_EQ(editor.workingList().pairs().back().m_strSearch, "first");
    EXPECT_EQ(Shown(editor.searchBox()), "first");
    EXPECT_FALSE(editor.button(Editor::Down)->isEnabled());
    EXPECT_TRUE(editor.button(Editor::Up)->isEnabled());
}

TEST_F(BatchDialogsTest, ATwoLineSearchStringIsSavedAndReadBackIdentically) {
    Editor editor(Doc());
    editor.askSavePath = [this](QWidget*, const QString&) {
        return QString::fromStdString(dir / "new.sr");
    };
    editor.button(Editor::NewSR)->click();
    editor.searchBox()->setPlainText("line one\nline two");
    editor.replaceBox()->setPlainText("joined");
    editor.button(Editor::SaveAs)->click();
    EXPECT_FALSE(editor.modified());
    EXPECT_EQ(Doc().session().batchFilePath, dir / "new.sr");
    EXPECT_EQ(editor.pathLine()->text().toStdString(), dir / "new.sr");
    EXPECT_EQ(IniFile(settingsPath()).ReadString("Preferences", "LastBatchFilePath"),
              dir.path().string());

    CBatchSRList reread(prompter);
    ASSERT_EQ(reread.ReadBatchFile(dir / "new.sr"), 1);
    ASSERT_EQ(reread.size(), 1u);
    EXPECT_EQ(reread.pairs().front().m_strSearch, "line one\r\nline two");
    EXPECT_EQ(reread.pairs().front().m_strReplace, "joined");

    Editor again(Doc());
    EXPECT_EQ(Shown(again.searchBox()), "line one\nline two");
}

TEST_F(BatchDialogsTest, DoneAsksOnlyAfterAChange) {
    AddPairs({{"a", "1"}});
    {
        Editor editor(Doc());
        editor.button(Editor::Done)->click();
        EXPECT_TRUE(prompter.questions.empty());
        EXPECT_EQ(editor.result(), QDialog::Accepted);
    }
    {
        Editor editor(Doc());
        editor.replaceBox()->setPlainText("changed");
        prompter.answers = {false};
        editor.button(Editor::Done)->click();
        ASSERT_EQ(prompter.questions.size(), 1u);
        EXPECT_EQ(prompter.questions[0], "Modifications NOT saved! Save Now?");
        EXPECT_EQ(Doc().session().batchPairs().pairs().front().m_strReplace, "1");
    }
    {
        Editor editor(Doc());
        editor.replaceBox()->setPlainText("changed");
        editor.button(Editor::Cancel)->click();
        EXPECT_EQ(prompter.questions.size(), 1u) << "Cancel never asks";
    }
}

TEST_F(BatchDialogsTest, ThePairListShowsEveryPairInThreeColumns) {
    for (int i = 0; i < 10; ++i) {
        AddPairs({{"search", "replace"}});
    }
    CSelectPairDlg dialog(Doc().session().batchPairs());
    dialog.resize(660, 300);
    dialog.show();
    QApplication::processEvents();
    EXPECT_EQ(dialog.table()->rowCount(), 10);
    EXPECT_EQ(dialog.table()->item(9, 0)->text(), "10");
    const int width = dialog.table()->viewport()->width();
    EXPECT_EQ(dialog.table()->columnWidth(0), width * 1 / 11);
    EXPECT_EQ(dialog.table()->columnWidth(1), width * 5 / 11);
    EXPECT_FALSE(dialog.editButton()->isEnabled());
    dialog.table()->selectRow(3);
    EXPECT_TRUE(dialog.editButton()->isEnabled());
    dialog.editButton()->click();
    EXPECT_EQ(dialog.selectedRow(), 3);

    Editor editor(Doc());
    EXPECT_EQ(editor.pairList()->item(8)->text(), "09");
    EXPECT_EQ(editor.pairList()->item(9)->text(), "10");
}

class BatchModeDlgTest : public BatchDialogsTest {
protected:
    std::unique_ptr<CBatchModeDlg> Dialog(bool viaFileDialog = false) {
        Doc().session().options.selectViaFileDialog = viaFileDialog;
        return std::make_unique<CBatchModeDlg>(Doc(), false, nullptr, nullptr);
    }
};

TEST_F(BatchModeDlgTest, BeginNeedsABatchFileThatWasRead) {
    auto dialog = Dialog();
    EXPECT_EQ(dialog->windowTitle(), "Batch Search & Replace");
    EXPECT_EQ(dialog->newEditButton()->text(), "&New");
    dialog->beginButton()->click();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0],
              "You must specify a Search/Replace Batch File to process!\n\n"
              "Enter the Path and File name in the 'Path and Batch File ... sets' field\n"
              "or use the browse button to find the appropriate file on your system!");

    test::WriteFile(dir / "broken.sr", "no markers here\n");
    dialog->pathBox()->setEditText(QString::fromStdString(dir / "broken.sr"));
    dialog->LoadTypedPathIfComplete();
    EXPECT_FALSE(dialog->loaded());
    const std::size_t messages = prompter.messages.size();
    dialog->beginButton()->click();
    EXPECT_EQ(prompter.messages.size(), messages + 1);
    EXPECT_NE(prompter.messages.back().find("You must specify"), std::string::npos);
    dialog->previewButton()->click();
    EXPECT_EQ(prompter.messages.size(), messages + 2) << "Preview is refused as Begin is";
    EXPECT_EQ(dialog->result(), 0);

    // With a file read, Preview starts the same run as a preview.
    test::WriteFile(dir / "good.sr", "#!S!#1#\ncat\n#!R!#1#\ndog\n");
    dialog->pathBox()->setEditText(QString::fromStdString(dir / "good.sr"));
    dialog->LoadTypedPathIfComplete();
    ASSERT_TRUE(dialog->loaded());
    dialog->previewButton()->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(dialog->request().preview);
    EXPECT_EQ(dialog->request().batchFile, dir / "good.sr");
}

TEST_F(BatchModeDlgTest, TheSameFileChosenTwiceIsReadOnce) {
    test::WriteFile(dir / "pairs.sr", "#!S!#1#\ncat\n#!R!#1#\ndog\n");
    auto dialog = Dialog();
    dialog->pathBox()->setEditText(QString::fromStdString(dir / "pair"));
    dialog->LoadTypedPathIfComplete();  // no such file yet: nothing read
    EXPECT_FALSE(dialog->loaded());
    dialog->pathBox()->setEditText(QString::fromStdString(dir / "pairs.sr"));
    dialog->LoadTypedPathIfComplete();
    EXPECT_TRUE(dialog->loaded());
    EXPECT_EQ(dialog->newEditButton()->text(), "&Edit");
    ASSERT_EQ(Doc().session().batchPairs().size(), 1u);

    test::WriteFile(dir / "pairs.sr", "#!S!#1#\nx\n#!R!#1#\ny\n#!S!#2#\nz\n#!R!#2#\nw\n");
    dialog->LoadTypedPathIfComplete();
    EXPECT_EQ(Doc().session().batchPairs().size(), 1u) << "not read again";

    dialog->beginButton()->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->request().batchFile, dir / "pairs.sr");
    EXPECT_TRUE(dialog->request().fromModeDialog) << "the pairs are read already";
    EXPECT_EQ(IniFile(settingsPath()).ReadString("Recent Batch Files", "BatchFile1"),
              dir / "pairs.sr");
}

TEST_F(BatchModeDlgTest, AFileWrittenInTheEditorFromAnEmptyPathCanBeBegun) {
    Doc().session().options.selectViaFileDialog = false;
    CBatchModeDlg dialog(Doc(), false, nullptr, [this](QWidget* parent) {
        Editor editor(Doc(), parent);
        editor.askSavePath = [this](QWidget*, const QString&) {
            return QString::fromStdString(dir / "made.sr");
        };
        editor.button(Editor::NewSR)->click();
        editor.searchBox()->setPlainText("old");
        editor.replaceBox()->setPlainText("new");
        editor.button(Editor::SaveAs)->click();
        editor.button(Editor::Done)->click();
        return editor.result() == QDialog::Accepted;
    });
    dialog.newEditButton()->click();
    EXPECT_EQ(dialog.pathBox()->currentText().toStdString(), dir / "made.sr");
    EXPECT_EQ(dialog.newEditButton()->text(), "&Edit");
    dialog.beginButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(Doc().session().batchPairs().size(), 1u);
}

TEST_F(BatchModeDlgTest, SwitchPairsMayBothBeOffAndSingleModeLeavesBatchMode) {
    auto dialog = Dialog();
    QCheckBox* all = dialog->switchBox(CBatchModeDlg::AllInLine);
    QCheckBox* first = dialog->switchBox(CBatchModeDlg::FirstOnly);
    all->click();
    EXPECT_TRUE(all->isChecked());
    first->click();
    EXPECT_TRUE(first->isChecked());
    EXPECT_FALSE(all->isChecked());
    first->click();
    EXPECT_FALSE(first->isChecked());
    EXPECT_FALSE(all->isChecked());

    dialog->switchBox(CBatchModeDlg::MatchCase)->click();
    dialog->singleModeButton()->click();
    EXPECT_TRUE(dialog->singleModeChosen());
    const RunDialogValues& carried = dialog->request().values;
    EXPECT_FALSE(carried.firstInstanceOnly);
    EXPECT_FALSE(carried.allInstancesInLine);
    EXPECT_EQ(carried.matchCase, dialog->switchBox(CBatchModeDlg::MatchCase)->isChecked());
}

TEST_F(BatchModeDlgTest, ThePatternSwitchesReachTheRequestAndOpenTheNextDialog) {
    test::WriteFile(dir / "good.sr", "#!S!#1#\nc.t\n#!R!#1#\ndog\n");
    auto dialog = Dialog();
    QCheckBox* regex = dialog->switchBox(CBatchModeDlg::RegularExpression);
    QCheckBox* preserve = dialog->switchBox(CBatchModeDlg::PreserveCase);
    EXPECT_EQ(regex->text(), "Regular E&xpression");
    EXPECT_EQ(preserve->text(), "P&reserve Case");
    EXPECT_FALSE(regex->isChecked());
    EXPECT_FALSE(preserve->isChecked());
    regex->click();
    preserve->click();
    dialog->pathBox()->setEditText(QString::fromStdString(dir / "good.sr"));
    dialog->LoadTypedPathIfComplete();
    dialog->beginButton()->click();
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(dialog->request().values.regularExpression);
    EXPECT_TRUE(dialog->request().values.preserveCase);
    const IniFile ini(settingsPath());
    EXPECT_EQ(ini.ReadString("Preferences", "RegularExpression"), "1");
    EXPECT_EQ(ini.ReadString("Preferences", "PreserveCase"), "1");

    doc.reset();  // a new window's, which reads the file
    dialog = Dialog();
    EXPECT_TRUE(dialog->switchBox(CBatchModeDlg::RegularExpression)->isChecked());
    EXPECT_TRUE(dialog->switchBox(CBatchModeDlg::PreserveCase)->isChecked());
    dialog->switchBox(CBatchModeDlg::PreserveCase)->click();
    dialog->singleModeButton()->click();
    EXPECT_TRUE(dialog->request().values.regularExpression) << "carried to the other dialog";
    EXPECT_FALSE(dialog->request().values.preserveCase);
}

TEST_F(BatchDialogsTest, ARegularExpressionBatchRunPreservesTheCaseOfEachMatch) {
    std::filesystem::create_directories(dir / "tree");
    test::WriteFile(dir / "tree/a.txt", "Red CAT\nblue cot\nCut it\n");
    test::WriteFile(dir / "pairs.sr", "#!S!#1#\r\nc[aeiou]t\r\n#!R!#1#\r\ndog");
    more.startChoices = {StartDirectoryChoice{dir / "tree", "*.txt", false, {}}};
    test::WhenModal<CBatchModeDlg>([](CBatchModeDlg& dialog) {
        dialog.byDirectoryBox()->click();
        dialog.switchBox(CBatchModeDlg::Global)->click();
        dialog.switchBox(CBatchModeDlg::RegularExpression)->click();
        dialog.switchBox(CBatchModeDlg::PreserveCase)->click();
        dialog.beginButton()->click();
    });
    CChildFrame* child = Frame().OpenDocumentFile(dir / "pairs.sr");
    ASSERT_NE(child, nullptr);
    RunUntilFinished(child);
    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), "Red DOG\nblue dog\nDog it\n");
}

TEST_F(BatchDialogsTest, ABatchRunInASessionWindowAppliesEveryPair) {
    std::filesystem::create_directories(dir / "tree");
    test::WriteFile(dir / "tree/a.txt", "red cat\nblue dog\n");
    test::WriteFile(dir / "pairs.sr",
                    "#!S!#1#\r\ncat\r\n#!R!#1#\r\ndog\r\n#!S!#2#\r\ndog\r\n#!R!#2#\r\nbird");
    more.startChoices = {StartDirectoryChoice{dir / "tree", "*.txt", false, {}}};
    test::WhenModal<CBatchModeDlg>([](CBatchModeDlg& dialog) {
        dialog.byDirectoryBox()->click();
        dialog.switchBox(CBatchModeDlg::Global)->click();
        dialog.beginButton()->click();
    });
    CChildFrame* child = Frame().OpenDocumentFile(dir / "pairs.sr");
    ASSERT_NE(child, nullptr);
    RunUntilFinished(child);
    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), "red bird\nblue bird\n");
    const LogStore& log = child->document().log();
    bool header = false;
    for (int i = 0; i < log.logLineCount(); ++i) {
        header = header || log.line(i) == "     File --- " + dir / "tree/a.txt";
    }
    EXPECT_TRUE(header);
    EXPECT_TRUE(confirmer.seen.empty()) << "Global Replace asks nothing";
}

}  // namespace
}  // namespace kesto
