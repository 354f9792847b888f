// The unknown-extension and start-directory dialogs.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "selection/StartDirDlg.h"
#include "selection/UnknownExtDlg.h"
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

}  // namespace
}  // namespace kesto
