// The options sheet and its pages on the offscreen platform: each page's checks and what
// it writes to the settings file.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "gui/options/BackUpPage.h"
#include "gui/options/CheckBoxDefaultsPage.h"
#include "gui/options/EditorPage.h"
#include "gui/options/MySheet.h"
#include "gui/options/PrefPage.h"
#include "gui/options/PrintingPage.h"
#include "gui/selection/FR_Lists.h"
#include "gui/selection/FileFilter.h"
#include "gui/selection/OverrideDlg.h"
#include "support/GuiFixture.h"

namespace kesto {
namespace {

class OptionsSheetTest : public test::GuiFixture {
protected:
    CKestoDoc& Doc() {
        if (!doc) doc = std::make_unique<CKestoDoc>(settingsPath(), hosts(), "Kesto1");
        return *doc;
    }
    std::optional<std::string> Written(std::string_view key,
                                       std::string_view section = "Preferences") {
        return IniFile(settingsPath()).ReadString(section, key);
    }
    // Leaves the page with these messages expected (none: accepted).
    template <typename Page>
    bool Leave(Page& page) {
        messagesBefore = prompter.messages.size();
        return page.OnKillActive();
    }
    std::string LastMessage() const {
        return prompter.messages.size() > messagesBefore ? prompter.messages.back() : "";
    }

    std::unique_ptr<CKestoDoc> doc;
    std::size_t messagesBefore = 0;
};

TEST_F(OptionsSheetTest, PreferencesChecksItsNumbersInOrder) {
    CPrefPage page(Doc());
    page.OnSetActive();
    EXPECT_EQ(page.tabsField()->text(), "4");

    page.tabsField()->setText("0");
    EXPECT_FALSE(Leave(page));
    EXPECT_EQ(LastMessage(), "Tab spaces must be 1 thru 24!");
    EXPECT_FALSE(Written("ExpandTab").has_value()) << "nothing written after a failed check";
    page.tabsField()->setText("24");

    for (const auto& [typed, corrected] :
         std::vector<std::pair<QString, QString>>{{"0", "1"}, {"25", "20"}, {"-3", "20"}}) {
        page.borderField()->setText(typed);
        EXPECT_FALSE(Leave(page)) << typed.toStdString();
        EXPECT_EQ(LastMessage(), "Frame thickness must be 1 thru 20!");
        EXPECT_EQ(page.borderField()->text(), corrected);
    }
    page.rememberField()->setText("101");
    EXPECT_FALSE(Leave(page));
    EXPECT_EQ(LastMessage(), "Search/Replace Strings to remember must be 0 thru 100!");
    page.rememberField()->setText("0");
    page.startSingleBox()->setChecked(false);
    EXPECT_TRUE(Leave(page));
    EXPECT_EQ(Written("ExpandTab"), "24");
    EXPECT_EQ(Written("Border"), "20");
    EXPECT_EQ(Written("MaxSaveStrings"), "0");
    EXPECT_EQ(Written("StartModeSingle"), "0");
    EXPECT_EQ(Doc().options().expandTabSpaces, 24);
}

TEST_F(OptionsSheetTest, LoweringTheRememberedStringsDeletesTheKeysAbove) {
    const IniFile ini(settingsPath());
    for (int n = 1; n <= 5; ++n) {
        ini.WriteString("Recent Search Strings", "SearchStr" + std::to_string(n),
                        "\"s" + std::to_string(n) + "\"");
        ini.WriteString("Recent Replace Strings", "ReplaceStr" + std::to_string(n),
                        "\"r" + std::to_string(n) + "\"");
    }
    CPrefPage page(Doc());
    page.OnSetActive();
    page.rememberField()->setText("2");
    EXPECT_TRUE(Leave(page));
    EXPECT_EQ(ini.ReadString("Recent Search Strings", "SearchStr2"), "s2");
    EXPECT_FALSE(ini.ReadString("Recent Search Strings", "SearchStr3").has_value());
    EXPECT_FALSE(ini.ReadString("Recent Replace Strings", "ReplaceStr5").has_value());
    EXPECT_EQ(Doc().session().settings.searchStrings.size(), 2u);
}

TEST_F(OptionsSheetTest, CheckBoxDefaultsActAsPairsAndAreWritten) {
    using Page = CCheckBoxDefaultsPage;
    Page page(Doc());
    page.OnSetActive();
    page.box(Page::ByStartDirectory)->click();
    EXPECT_FALSE(page.box(Page::ViaFileDialog)->isChecked());
    page.box(Page::AutoWildCard)->click();
    EXPECT_FALSE(page.box(Page::PromptWildCard)->isChecked());
    page.box(Page::MatchCase)->setChecked(true);
    EXPECT_TRUE(Leave(page));
    EXPECT_EQ(Written("Select Files"), "0");
    EXPECT_EQ(Written("AutoSetWildCard"), "1");
    EXPECT_EQ(Written("AutoSetSpecialChar"), "0");
    EXPECT_EQ(Written("Match Case Default"), "1");
}

TEST_F(OptionsSheetTest, BackUpsKeepTheNumberOfRunJournals) {
    CBackUp page(Doc());
    page.OnSetActive();
    EXPECT_EQ(page.keepRunsField()->value(), 20);
    EXPECT_EQ(page.keepRunsField()->minimum(), 1) << "the last run always keeps its journal";
    page.keepRunsField()->setValue(3);
    EXPECT_TRUE(page.skipBackupsBox()->isChecked()) << "walks leave backups out by default";
    page.skipBackupsBox()->setChecked(false);
    EXPECT_TRUE(Leave(page));
    EXPECT_EQ(Written("KeepRuns"), "3");
    EXPECT_EQ(Written("SkipBackUpFiles"), "0");
}

TEST_F(OptionsSheetTest, PreferencesSayWhatIsLeftAloneAndHowLettersFold) {
    CPrefPage page(Doc());
    page.OnSetActive();
    EXPECT_TRUE(page.skipBinaryBox()->isChecked());
    EXPECT_FALSE(page.respectIgnoreBox()->isChecked());
    EXPECT_FALSE(page.unicodeCaseBox()->isChecked()) << "ASCII letters fold by default";
    page.skipBinaryBox()->setChecked(false);
    page.respectIgnoreBox()->setChecked(true);
    page.unicodeCaseBox()->setChecked(true);
    EXPECT_TRUE(Leave(page));
    EXPECT_EQ(Written("SkipBinaryFiles"), "0");
    EXPECT_EQ(Written("RespectIgnoreFiles"), "1");
    EXPECT_EQ(Written("UnicodeCase"), "1");
    EXPECT_FALSE(Doc().options().skipBinaryFiles) << "the window's next run takes them";
    EXPECT_TRUE(Doc().options().unicodeCase);
}

TEST_F(OptionsSheetTest, BackUpsValidateTheCharacterAndTheExtension) {
    CBackUp page(Doc());
    page.OnSetActive();
    EXPECT_TRUE(page.retainYes()->isChecked());
    EXPECT_FALSE(page.deletePermanently()->isEnabled());
    EXPECT_TRUE(page.characterField()->isEnabled());
    EXPECT_FALSE(page.extensionField()->isEnabled());

    const std::vector<std::pair<QString, std::string>> characters = {
        {"~~", "Extension back up character may only be 1 character!"},
        {".", "Back up character is NOT a valid extension character!"},
        {"a", "Back up character is NOT a valid extension character!"}};
    for (const auto& [typed, message] : characters) {
        page.characterField()->setText(typed);
        EXPECT_FALSE(Leave(page)) << typed.toStdString();
        EXPECT_EQ(LastMessage(), message);
    }
    page.replaceBox()->click();
    EXPECT_FALSE(page.prependBox()->isChecked());
    EXPECT_TRUE(page.extensionField()->isEnabled());
    page.extensionField()->setText("");
    EXPECT_FALSE(Leave(page));
    EXPECT_EQ(LastMessage(), "Replacement Extension may NOT be left empty!");
    page.extensionField()->setText("b*k");
    EXPECT_FALSE(Leave(page));
    EXPECT_EQ(LastMessage(), "\"*\" is  NOT a valid extension character!");
    page.extensionField()->setText("old");
    EXPECT_TRUE(Leave(page));
    EXPECT_EQ(Written("Replace Ext"), "old") << "stored as typed";
    EXPECT_EQ(Written("ExtensionBackUp"), "1");
    EXPECT_EQ(Written("CharBackUp"), "0");

    page.retainNo()->click();
    EXPECT_TRUE(page.deletePermanently()->isEnabled());
    EXPECT_FALSE(page.replaceBox()->isEnabled());
    page.deletePermanently()->setChecked(true);
    EXPECT_TRUE(Leave(page));
    EXPECT_EQ(Written("RetainBackUp"), "0");
    EXPECT_EQ(Written("DeletePermanently"), "1");
}

TEST_F(OptionsSheetTest, AnEmptyEditorFieldStoresTheDefaultEditor) {
    CEditor page(Doc());
    page.OnSetActive();
    EXPECT_EQ(page.editorField()->text(), "xdg-open");
    page.editorField()->setText("gedit +%l %f");
    EXPECT_TRUE(Leave(page));
    EXPECT_EQ(Written("Editor"), "gedit +%l %f");
    page.editorField()->clear();
    EXPECT_TRUE(Leave(page));
    EXPECT_EQ(Written("Editor"), "xdg-open");
}

TEST_F(OptionsSheetTest, PrintingWarnsAboutLinesThatDoNotFit) {
    CPrinting page(Doc());
    page.OnSetActive();
    EXPECT_EQ(page.linesField()->text(), "70");
    EXPECT_EQ(page.sizeBox()->currentText(), "10");
    page.sizeBox()->setCurrentIndex(3);
    emit page.sizeBox()->activated(3);
    EXPECT_EQ(page.linesField()->text(), "57");
    EXPECT_TRUE(Leave(page));
    EXPECT_TRUE(prompter.questions.empty());
    EXPECT_EQ(Written("PrintFontPtSize"), "12");

    page.linesField()->setText("58");
    prompter.answers = {false};
    EXPECT_FALSE(Leave(page));
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0],
              "Warning! --> Max print lines per page for Font Size of 12 is 57!\n"
              "Printed information will be lost!       ** Continue??? **");
    EXPECT_EQ(Written("PrintLinesPerPage"), "57") << "No writes nothing";

    page.sizeBox()->setEditText("11");
    page.linesField()->setText("200");
    EXPECT_TRUE(Leave(page));
    EXPECT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(Written("PrintLinesPerPage"), "200");
}

TEST_F(OptionsSheetTest, PrintNotFoundLinesIsOffWhileNoFindsAreNotShown) {
    IniFile(settingsPath()).WriteString("Preferences", "ShowNoFinds", "0");
    CPrinting page(Doc());
    page.OnSetActive();
    EXPECT_FALSE(page.noFindsBox()->isEnabled());
    EXPECT_FALSE(page.noFindsBox()->isChecked());
}

TEST_F(OptionsSheetTest, FileFiltersAreValidatedNormalizedAndWrittenWithoutSurplusKeys) {
    CFileFilter page(Doc());
    page.OnSetActive();
    ASSERT_EQ(page.list()->count(), 2) << "the two default filters";
    EXPECT_EQ(page.list()->item(0)->text(), "All Files\t *.*");

    const std::vector<std::tuple<QString, QString, std::string>> refused = {
        {QString(31, 'd'), "*.c", "Filter Description must be 30 characters or less!"},
        {"C", QString(61, 'c'), "File Filter must be 60 characters or less!"},
        {"", "*.c", "Description may NOT be empty!"},
        {"C", "", "Filter may NOT be empty!"},
        {"C", "*.c,*.h", ", is NOT a valid file filter character!"}};
    for (const auto& [description, filter, message] : refused) {
        page.descriptionField()->setText(description);
        page.filterField()->setText(filter);
        page.addButton()->click();
        EXPECT_EQ(prompter.messages.back(), message);
    }
    EXPECT_EQ(page.list()->count(), 2);
    page.descriptionField()->setText("C Sources");
    page.filterField()->setText("*.c *.h; *.cpp");
    page.addButton()->click();
    ASSERT_EQ(page.list()->count(), 3);
    EXPECT_EQ(page.list()->item(2)->text(), "C Sources\t*.c;*.h;*.cpp");
    EXPECT_TRUE(page.descriptionField()->text().isEmpty());

    page.list()->setCurrentRow(2);
    EXPECT_TRUE(page.upButton()->isEnabled());
    EXPECT_FALSE(page.downButton()->isEnabled());
    page.upButton()->click();
    EXPECT_EQ(page.list()->item(1)->text(), "C Sources\t*.c;*.h;*.cpp");
    EXPECT_TRUE(Leave(page));
    EXPECT_EQ(Written("Filter2", "File Filters"), "C Sources|*.c;*.h;*.cpp");
    EXPECT_EQ(Written("Filter3", "File Filters"), "Text| *.txt");

    page.list()->setCurrentRow(0);
    page.removeButton()->click();
    page.list()->setCurrentRow(0);
    page.removeButton()->click();
    EXPECT_TRUE(Leave(page));
    EXPECT_EQ(Written("Filter1", "File Filters"), "Text| *.txt");
    EXPECT_FALSE(Written("Filter2", "File Filters").has_value());
    EXPECT_FALSE(Written("Filter3", "File Filters").has_value());
}

TEST_F(OptionsSheetTest, ExtensionsAreAddedMovedAndDeletedInTheDocumentAtOnce) {
    ExtensionLists& lists = Doc().session().extensions();
    lists.alwaysSearchList = {"C", "H"};
    lists.alwaysExcludeList = {"EXE"};
    CFR_Lists page(Doc());
    page.OnSetActive();
    EXPECT_FALSE(page.addButton()->isEnabled());

    page.excludeField()->setText("tmp");
    EXPECT_TRUE(page.addButton()->isEnabled());
    page.addButton()->click();
    EXPECT_EQ(lists.alwaysExcludeList, (std::vector<std::string>{"EXE", "TMP"}));
    EXPECT_TRUE(lists.listsChanged);

    page.excludeField()->setText("t.m");
    page.addButton()->click();
    EXPECT_EQ(prompter.messages.back(),
              "Extension >> T.M << contains invalid file extension characters!\nWon't add!");
    EXPECT_EQ(page.excludeField()->text(), "T.M") << "kept, upper-cased, for correcting";
    page.excludeField()->clear();
    page.searchField()->setText("c");
    page.addButton()->click();
    EXPECT_EQ(prompter.messages.back(),
              "Extension >> C << already exists on Include list!\nWon't add again!");
    prompter.answers = {true};
    page.searchField()->setText("exe");
    page.addButton()->click();
    EXPECT_EQ(prompter.questions.back(),
              "Extension >> EXE << already exists on Exclude list!\nAdd to Include list anyway!");
    EXPECT_EQ(lists.alwaysSearchList, (std::vector<std::string>{"C", "H", "EXE"}));

    page.searchList()->findItems("H", Qt::MatchExactly).front()->setSelected(true);
    EXPECT_TRUE(page.moveToExclude()->isEnabled());
    page.moveToExclude()->click();
    EXPECT_EQ(lists.alwaysSearchList, (std::vector<std::string>{"C", "EXE"}));
    EXPECT_EQ(lists.alwaysExcludeList, (std::vector<std::string>{"EXE", "TMP", "H"}));
    EXPECT_FALSE(page.moveToExclude()->isEnabled());
    page.excludeList()->findItems("EXE", Qt::MatchExactly).front()->setSelected(true);
    page.deleteExclude()->click();
    EXPECT_EQ(lists.alwaysExcludeList, (std::vector<std::string>{"TMP", "H"}));
}

TEST_F(OptionsSheetTest, TheSheetKeepsAFailingPageOnTopAndOkSavesChangedExtensionLists) {
    IniFile(settingsPath()).WriteString("Included", "Include0", "A");
    IniFile(settingsPath()).WriteString("Included", "Include1", "B");
    IniFile(settingsPath()).WriteString("Included", "Include2", "C");
    CMySheet sheet(Doc());
    EXPECT_EQ(sheet.windowTitle(), "Search/Replace");
    ASSERT_EQ(sheet.tabs()->count(), 7);
    EXPECT_EQ(sheet.tabs()->tabText(4), "File Filters");
    auto* preferences = static_cast<CPrefPage*>(sheet.page(0));
    preferences->tabsField()->setText("0");
    sheet.tabs()->setCurrentIndex(2);
    EXPECT_EQ(sheet.tabs()->currentIndex(), 0) << "the failing page stays";
    preferences->tabsField()->setText("8");
    sheet.tabs()->setCurrentIndex(5);
    EXPECT_EQ(sheet.tabs()->currentIndex(), 5);
    EXPECT_EQ(Written("ExpandTab"), "8");

    auto* extensions = static_cast<CFR_Lists*>(sheet.page(5));
    extensions->searchList()->findItems("C", Qt::MatchExactly).front()->setSelected(true);
    extensions->deleteSearch()->click();
    ExtensionLists& lists = Doc().session().extensions();
    const std::size_t before = 3;
    sheet.accept();
    ASSERT_EQ(sheet.result(), QDialog::Accepted);
    lists.SaveExtensionLists(Doc().session().ini, before, lists.alwaysExcludeList.size());
    EXPECT_EQ(Written("Include1", "Included"), "B");
    EXPECT_FALSE(Written("Include2", "Included").has_value());
}

TEST_F(OptionsSheetTest, EnterPressesOkExceptWhereAPageHasADefaultButtonOfItsOwn) {
    CMySheet sheet(Doc());
    sheet.show();
    QApplication::setActiveWindow(&sheet);
    auto* tabs = sheet.findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);

    // On the File Filters page Enter adds the typed filter and the sheet stays.
    tabs->setCurrentIndex(4);
    auto* page = qobject_cast<CFileFilter*>(tabs->currentWidget());
    ASSERT_NE(page, nullptr);
    const auto fields = page->findChildren<QLineEdit*>();
    ASSERT_EQ(fields.size(), 2);
    fields[0]->setText("Headers");
    fields[1]->setText("*.h");
    fields[1]->setFocus();
    const int filters = page->findChild<QListWidget*>()->count();
    QTest::keyClick(fields[1], Qt::Key_Return);
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(page->findChild<QListWidget*>()->count(), filters + 1);

    tabs->setCurrentIndex(0);
    QWidget* focus = sheet.focusWidget() ? sheet.focusWidget() : &sheet;
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
}

TEST_F(OptionsSheetTest, OverRideCopiesOnceAndChangesTheListOnlyWithDone) {
    ExtensionLists& lists = Doc().session().extensions();
    lists.alwaysExcludeList = {"EXE", "DLL"};
    lists.overrideList = {"exe"};
    {
        COverrideDlg dialog(lists);
        EXPECT_EQ(dialog.windowTitle(), "OverRide");
        EXPECT_FALSE(dialog.copyButton()->isEnabled());
        dialog.excludedList()->selectAll();
        EXPECT_TRUE(dialog.copyButton()->isEnabled());
        dialog.copyButton()->click();
        EXPECT_EQ(dialog.overrideList()->count(), 2) << "EXE equals exe ignoring case";
        EXPECT_FALSE(dialog.copyButton()->isEnabled());
        dialog.reject();
    }
    EXPECT_EQ(lists.overrideList, (std::vector<std::string>{"exe"})) << "Cancel changes nothing";
    {
        COverrideDlg dialog(lists);
        dialog.excludedList()->selectAll();
        dialog.copyButton()->click();
        dialog.doneButton()->click();
    }
    EXPECT_EQ(lists.overrideList, (std::vector<std::string>{"DLL", "exe"}));
    {
        COverrideDlg dialog(lists);
        dialog.overrideList()->selectAll();
        dialog.deleteButton()->click();
        EXPECT_EQ(dialog.overrideList()->count(), 0);
        dialog.doneButton()->click();
    }
    EXPECT_EQ(lists.overrideList.size(), 2u) << "an emptied list leaves the overrides";
}

}  // namespace
}  // namespace kesto
