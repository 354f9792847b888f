// The unknown-extension and start-directory dialogs.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "gui/selection/ExFileTemp.h"
#include "gui/selection/StartDirDlg.h"
#include "gui/selection/UnknownExtDlg.h"
#include "support/GuiFixture.h"

namespace kesto {
namespace {

TEST(UnknownExtDlgTest, ContinueTakesTheChosenOptionTheThirdBeingPreselected) {
    for (int index = 0; index < 6; ++index) {
        CUnknownExtDlg dialog("/w/data", "XYZ");
        EXPECT_TRUE(dialog.option(2)->isChecked());
        dialog.option(index)->click();
        dialog.continueButton()->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(static_cast<int>(dialog.choice()), index);
    }
}

TEST(UnknownExtDlgTest, StopNowAbortAndClosingTheWindowEndTheRun) {
    CUnknownExtDlg stop("/w/data", "XYZ");
    stop.stopButton()->click();
    EXPECT_EQ(stop.choice(), ExtensionChoice::StopNow);
    CUnknownExtDlg abort("/w/data", "XYZ");
    abort.abortButton()->click();
    EXPECT_EQ(abort.choice(), ExtensionChoice::Abort);
    CUnknownExtDlg closed("/w/data", "XYZ");
    closed.show();
    closed.option(0)->click();
    closed.close();
    EXPECT_EQ(closed.choice(), ExtensionChoice::StopNow);
}

TEST(StartDirDlgTest, StartsFromTheRememberedValuesAndReturnsWhatWasTyped) {
    StartDirectoryChoice initial;
    initial.startDirectory = "/w/src";
    initial.fileFilter = " *.*";
    initial.searchSubdirectories = true;
    initial.namedFilters = {" *.*", " *.txt"};
    CStartDirDlg dialog(initial);
    EXPECT_EQ(dialog.windowTitle(), "Select Files to Search by Starting Directory and File Filter");
    EXPECT_EQ(dialog.directoryField()->text(), "/w/src");
    EXPECT_EQ(dialog.filterBox()->currentText(), " *.*");
    ASSERT_EQ(dialog.filterBox()->count(), 2);
    EXPECT_EQ(dialog.filterBox()->itemText(1), " *.txt");
    EXPECT_TRUE(dialog.subdirectoriesBox()->isChecked());

    dialog.directoryField()->setText("/nowhere");
    dialog.filterBox()->setEditText("*.c;*.h");
    dialog.subdirectoriesBox()->setChecked(false);
    const StartDirectoryChoice chosen = dialog.choice();
    EXPECT_EQ(chosen.startDirectory, "/nowhere");
    EXPECT_EQ(chosen.fileFilter, "*.c;*.h");
    EXPECT_FALSE(chosen.searchSubdirectories);
}

class StartDirDlgStartTest : public test::GuiFixture {};

// A start directory that does not exist is refused at Start with the reason, and the dialog
// stays open for it to be corrected; one that exists is taken.
TEST_F(StartDirDlgStartTest, StartRefusesADirectoryThatDoesNotExist) {
    test::WriteFile(dir / "file.txt", "x");
    StartDirectoryChoice initial;
    CStartDirDlg dialog(initial, nullptr, &prompter);
    const std::pair<std::string, const char*> refused[] = {
        {dir / "missing", " does not exist!"}, {dir / "file.txt", " is not a directory!"}};
    for (const auto& [path, reason] : refused) {
        dialog.setResult(QDialog::Rejected);
        dialog.directoryField()->setText(QString::fromStdString(path));
        ASSERT_TRUE(test::ClickButton(dialog, "Start"));
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << path;
        ASSERT_FALSE(prompter.messages.empty());
        EXPECT_EQ(prompter.messages.back(), "The Starting Directory " + path + reason);
    }
    dialog.directoryField()->setText(QString::fromStdString(dir.path().string()));
    ASSERT_TRUE(test::ClickButton(dialog, "Start"));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace kesto

namespace kesto {
namespace {

class ExFileTempTest : public test::GuiFixture {};

TEST_F(ExFileTempTest, TheSearchFileListTakesEachFileOnceAndFollowsTheEnablingRules) {
    for (const char* name : {"a.txt", "b.txt", "c.log", "README"}) test::WriteFile(dir / name, "x");
    std::vector<std::string> files = {dir / "b.txt"};
    CExFileTemp dialog(files, {"Text (*.txt)", "All Files (*)"}, 2,
                       QString::fromStdString(dir.path().string()));
    EXPECT_EQ(dialog.windowTitle(), "Select Files for Search/Replace");
    EXPECT_EQ(dialog.filterIndex(), 2);
    EXPECT_EQ(dialog.searchFileList()->count(), 1) << "the session's list is shown";
    EXPECT_FALSE(dialog.removeButton()->isEnabled());
    EXPECT_TRUE(dialog.allButton()->isEnabled());

    dialog.AddAllFiles();  // every file with a dot in its name, b.txt once
    EXPECT_EQ(files, (std::vector<std::string>{dir / "b.txt", dir / "a.txt", dir / "c.log"}));
    EXPECT_EQ(dialog.filesAdded()->text(), "3");
    EXPECT_EQ(dialog.lastFolder().toStdString(), dir.path().string());

    dialog.allButton()->click();
    EXPECT_TRUE(dialog.removeButton()->isEnabled());
    EXPECT_FALSE(dialog.allButton()->isEnabled());
    dialog.invertButton()->click();
    EXPECT_TRUE(dialog.searchFileList()->selectedItems().isEmpty());
    dialog.searchFileList()->item(0)->setSelected(true);
    dialog.removeButton()->click();
    EXPECT_EQ(files, (std::vector<std::string>{dir / "a.txt", dir / "c.log"}));
    EXPECT_EQ(dialog.filesAdded()->text(), "2");

    dialog.AddPaths({QString::fromStdString(dir / "a.txt"), QString::fromStdString(dir.path())});
    EXPECT_EQ(files.size(), 2u) << "neither a file already listed nor a folder is added";
}

}  // namespace
}  // namespace kesto
