#include "settings/Settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <set>
#include <thread>

#include "support/PassFixture.h"
#include "support/TempDir.h"
#include "text/AsciiCase.h"

namespace kesto {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::set<std::string> NamesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TEST(IniFileTest, KeysAndSectionsMatchWithoutCaseAndValuesAreTrimmedUnlessQuoted) {
    TempDir dir;
    WriteFile(dir / "k.INI",
              "; a comment the reader does not understand\n"
              "[Preferences]\n"
              "RetainBackUp =  1  \n"
              "Quoted=\"  two blanks  \"\n"
              "[Other]\n"
              "RetainBackUp=0\n");
    const IniFile ini(dir / "k.INI");
    EXPECT_EQ(ini.ReadString("preferences", "retainbackup"), "1");
    EXPECT_EQ(ini.ReadString("Preferences", "Quoted"), "  two blanks  ");
    EXPECT_EQ(ini.ReadString("Other", "RetainBackUp"), "0");
    EXPECT_FALSE(ini.ReadString("Preferences", "Missing"));
    EXPECT_FALSE(IniFile(dir / "none.INI").ReadString("Preferences", "RetainBackUp"));
}

TEST(IniFileTest, WritesKeepEveryOtherLineByteForByte) {
    TempDir dir;
    const std::string original =
        "; kept\r\n[Preferences]\r\nA=1\r\ngarbage line\r\nB=2\r\n\r\n[Z]\r\nC=3\r\n";
    WriteFile(dir / "k.INI", original);
    const IniFile ini(dir / "k.INI");
    ASSERT_TRUE(ini.WriteString("PREFERENCES", "b", "20"));
    ASSERT_TRUE(ini.WriteString("Preferences", "New", "x"));
    ASSERT_TRUE(ini.WriteString("Z", "C", std::nullopt));
    ASSERT_TRUE(ini.WriteString("Fresh", "K", "v"));
    EXPECT_EQ(ReadFile(dir / "k.INI"),
              "; kept\r\n[Preferences]\r\nA=1\r\ngarbage line\r\nb=20\r\nNew=x\r\n\r\n[Z]\r\n"
              "[Fresh]\r\nK=v\r\n");
    EXPECT_EQ(ini.ReadString("Preferences", "B"), "20");
}

TEST(IniFileTest, WritingCreatesTheFileAndRefusesLineBreaks) {
    TempDir dir;
    const IniFile ini(dir / "new.INI");
    ASSERT_TRUE(ini.WriteString("S", "K", "v"));
    EXPECT_EQ(ReadFile(dir / "new.INI"), "[S]\nK=v\n");
    EXPECT_FALSE(ini.WriteString("S", "K", "two\nlines"));
    EXPECT_FALSE(ini.WriteString("S", "K\r", "v"));
    EXPECT_EQ(ReadFile(dir / "new.INI"), "[S]\nK=v\n");
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_FALSE(IniFile(dir / "no/such/dir.INI").WriteString("S", "K", "v"));
}

TEST(IniFileTest, AWriteKeepsTheFilesMode) {
    TempDir dir;
    WriteFile(dir / "k.INI", "[S]\nK=1\n");
    ::chmod((dir / "k.INI").c_str(), 0600);
    ASSERT_TRUE(IniFile(dir / "k.INI").WriteString("S", "K", "2"));
    struct stat st {};
    ASSERT_EQ(::stat((dir / "k.INI").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(IniFileTest, AWriteNeverGoesThroughALinkPlantedForItsTemporaryFile) {
    TempDir dir;
    WriteFile(dir / "victim", "precious");
    WriteFile(dir / "k.INI", "[S]\nK=1\n");
    // Links for this process and the ones started next, as another user of the folder
    // could plant them.
    for (pid_t pid = ::getpid(); pid < ::getpid() + 8; ++pid) {
        const std::string link = dir / ("k.INI.tmp-" + std::to_string(pid));
        ASSERT_EQ(::symlink((dir / "victim").c_str(), link.c_str()), 0);
    }
    const std::set<std::string> before = NamesIn(dir.path());

    ASSERT_TRUE(IniFile(dir / "k.INI").WriteString("S", "K", "2"));
    EXPECT_EQ(ReadFile(dir / "victim"), "precious");
    struct stat st {};
    ASSERT_EQ(::lstat((dir / "k.INI").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadFile(dir / "k.INI"), "[S]\nK=2\n");
    EXPECT_EQ(NamesIn(dir.path()), before);
}

TEST(IniFileTest, ANewFileIsTheUsersOnlyAndAnOldOneKeepsItsMode) {
    TempDir dir;
    ASSERT_TRUE(IniFile(dir / "new.INI").WriteString("S", "K", "v"));
    struct stat st {};
    ASSERT_EQ(::stat((dir / "new.INI").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    WriteFile(dir / "shared.INI", "[S]\nK=1\n");
    ::chmod((dir / "shared.INI").c_str(), 0640);
    ASSERT_TRUE(IniFile(dir / "shared.INI").WriteString("S", "K", "2"));
    ASSERT_EQ(::stat((dir / "shared.INI").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(IniFileTest, AFailedWriteLeavesNoTemporaryFile) {
    TempDir dir;
    // A folder cannot be replaced by the new text: the rename fails.
    std::filesystem::create_directories(dir / "k.INI/inside");
    EXPECT_FALSE(IniFile(dir / "k.INI").WriteString("S", "K", "v"));
    EXPECT_EQ(NamesIn(dir.path()), std::set<std::string>{"k.INI"});
}

TEST(IniFileTest, EveryReadSeesTheFileAsItIsNow) {
    TempDir dir;
    const std::string path = dir / "k.INI";
    WriteFile(path, "[S]\nK=0\n");
    const IniFile ini(path);
    // Rewritten in place, at once and with the same size, again and again: every rewrite
    // that lands within one tick of the file clock keeps the time.
    for (int i = 1; i <= 100; ++i) {
        const std::string value = std::to_string(i % 10);
        WriteFile(path, "[S]\nK=" + value + "\n");
        ASSERT_EQ(ini.ReadString("S", "K"), value) << i;
    }
    // Same size and modification time, set back by the program that changed the file.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(ini.ReadString("S", "K"), "0");
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    WriteFile(path, "[S]\nK=7\n");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(ini.ReadString("S", "K"), "7");
    // Another file renamed over it, times and size alike.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(ini.ReadString("S", "K"), "7");
    WriteFile(dir / "other", "[S]\nK=8\n");
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "other").c_str(), times, 0), 0);
    std::filesystem::rename(dir / "other", path);
    EXPECT_EQ(ini.ReadString("S", "K"), "8");
    // This process's own write, then a read of the same object and of another.
    ASSERT_TRUE(ini.WriteString("S", "K", "9"));
    EXPECT_EQ(ini.ReadString("S", "K"), "9");
    ASSERT_TRUE(IniFile(path).WriteString("S", "K", "5"));
    EXPECT_EQ(ini.ReadString("S", "K"), "5");
    std::filesystem::remove(path);
    EXPECT_FALSE(ini.ReadString("S", "K"));
}

TEST(IniFileTest, AFileThatCannotBeReadIsNotReplaced) {
    TempDir dir;
    WriteFile(dir / "k.INI", "[S]\nA=1\nB=2\n");
    ::chmod((dir / "k.INI").c_str(), 0200);
    // Root reads every file: the write is tried by an ordinary user who owns the file.
    const uid_t user = ::geteuid() == 0 ? 65534 : ::geteuid();
    ASSERT_EQ(::chown(dir.path().c_str(), user, user), 0);
    ASSERT_EQ(::chown((dir / "k.INI").c_str(), user, user), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(user) != 0 || ::setuid(user) != 0)) ::_exit(2);
        ::_exit(IniFile(dir / "k.INI").WriteString("S", "A", "3") ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ::chmod((dir / "k.INI").c_str(), 0600);
    EXPECT_EQ(ReadFile(dir / "k.INI"), "[S]\nA=1\nB=2\n");
}

TEST(IniFileTest, FortyThousandKeysLoadWithoutWorkThatGrowsWithTheirSquare) {
    TempDir dir;
    std::string text = "[Preferences]\nExpandTab=8\n[Included]\n";
    for (int n = 0; n < 40'000; ++n)
        text += "Include" + std::to_string(n) + "=e" + std::to_string(n) + "\n";
    text += "[Excluded]\nExclude0=tmp\n";
    WriteFile(dir / "k.INI", text);
    Settings settings;
    RunPlan options;
    const auto started = std::chrono::steady_clock::now();
    LoadSettings(IniFile(dir / "k.INI"), settings, options);
    const auto took = std::chrono::steady_clock::now() - started;
    ASSERT_EQ(settings.includedExtensions.size(), 40'000u);
    EXPECT_EQ(settings.includedExtensions.back(), "E39999");
    EXPECT_EQ(settings.excludedExtensions, std::vector<std::string>{"TMP"});
    EXPECT_EQ(settings.expandTab, 8);
    // Work that grows with the square of the keys (a look through the file per key) takes
    // many seconds here, work that grows with the keys some tens of milliseconds: the bound
    // lies far between, where no busy machine reaches it.
    EXPECT_LT(took, std::chrono::seconds(20))
        << std::chrono::duration<double>(took).count() << " s";
}

TEST(LoadSettingsTest, AMissingFileGivesEveryDefault) {
    TempDir dir;
    Settings settings;
    RunPlan options;
    LoadSettings(IniFile(dir / "missing.INI"), settings, options);
    EXPECT_TRUE(settings.retainBackUp);
    EXPECT_FALSE(settings.selectFiles);  // a missing "Select Files" reads as off
    EXPECT_EQ(settings.backUpChar, '~');
    EXPECT_EQ(settings.replaceExt, "BAK");
    EXPECT_EQ(settings.expandTab, 4);
    EXPECT_EQ(settings.maxSaveStrings, 20);
    EXPECT_EQ(settings.printFontPtSize, 10);
    EXPECT_EQ(settings.fileFilters, (std::vector<std::string>{"All Files | *.*", "Text | *.txt"}));
    EXPECT_TRUE(options.confirmEachReplace);
    EXPECT_FALSE(options.globalReplace);
    EXPECT_FALSE(options.selectViaFileDialog);
    EXPECT_FALSE(options.batchMode);
    EXPECT_FALSE(options.matchCase);
    EXPECT_TRUE(options.retainBackups);
}

TEST(LoadSettingsTest, SpecialReadingRules) {
    TempDir dir;
    WriteFile(dir / "k.INI",
              "[Preferences]\n"
              "ShowNoFinds=0\nPrintNoFinds=1\n"
              "StartModeSingle=0\n"
              "Confirm Each Default=0\n"
              "Select Files=1\n"
              "PrintLinesPerPage=90\n"
              "ExpandTab=0\n"
              "Border=abc\n"
              "RetainBackUp=yes\n"
              "BackUp Char=#\n"
              "[Excluded]\nExclude0=tmp\nExclude1=bak\nExclude3=lost\n"
              "[Recent Replace Strings]\nReplaceStr1=\"\xA7\"\nReplaceStr2=\"  keep  \"\n"
              "[Recent Find Fragments]\nFindFragments1=  trimmed  \n");
    Settings settings;
    RunPlan options;
    LoadSettings(IniFile(dir / "k.INI"), settings, options);
    EXPECT_FALSE(settings.printNoFinds);
    EXPECT_TRUE(options.batchMode);
    EXPECT_TRUE(options.globalReplace);
    EXPECT_FALSE(options.confirmEachReplace);
    EXPECT_TRUE(options.selectViaFileDialog);
    EXPECT_EQ(settings.printFontPtSize, 8);
    EXPECT_EQ(settings.expandTab, 4);
    EXPECT_EQ(settings.border, 3);        // no number is 0, which the Preferences page refuses
    EXPECT_FALSE(settings.retainBackUp);  // only a value beginning with 1 is on
    EXPECT_EQ(settings.backUpChar, '#');
    EXPECT_EQ(settings.excludedExtensions, (std::vector<std::string>{"TMP", "BAK"}));
    EXPECT_EQ(settings.replaceStrings, (std::vector<std::string>{"", "  keep  "}));
    EXPECT_EQ(settings.findFragments, (std::vector<std::string>{"trimmed"}));

    for (auto [lines, size] : {std::pair{57, 12}, {70, 10}, {75, 9}}) {
        WriteFile(dir / "p.INI",
                  "[Preferences]\nPrintLinesPerPage=" + std::to_string(lines) + "\n");
        LoadSettings(IniFile(dir / "p.INI"), settings, options);
        EXPECT_EQ(settings.printFontPtSize, size) << lines;
    }
}

TEST(LoadSettingsTest, ANonPositiveLimitLoadsNoRecentStrings) {
    TempDir dir;
    WriteFile(dir / "k.INI",
              "[Preferences]\nMaxSaveStrings=0\n[Recent Search Strings]\nSearchStr1=\"a\"\n");
    Settings settings;
    RunPlan options;
    LoadSettings(IniFile(dir / "k.INI"), settings, options);
    EXPECT_EQ(settings.maxSaveStrings, 20);
    EXPECT_TRUE(settings.searchStrings.empty());
}

TEST(LoadSettingsTest, AValueTheOptionsPagesWouldRefuseKeepsItsDefault) {
    using Field = std::function<std::string(const Settings&)>;
    const Field backUpChar = [](const Settings& s) { return std::string(1, s.backUpChar); };
    const Field replaceExt = [](const Settings& s) { return s.replaceExt; };
    const Field border = [](const Settings& s) { return std::to_string(s.border); };
    const Field expandTab = [](const Settings& s) { return std::to_string(s.expandTab); };
    const Field maxSave = [](const Settings& s) { return std::to_string(s.maxSaveStrings); };
    const Field filterIndex = [](const Settings& s) { return std::to_string(s.lastFilterIndex); };
    const Field editor = [](const Settings& s) { return s.editor; };
    const Field lastPath = [](const Settings& s) { return s.lastPath; };
    const Field batchPath = [](const Settings& s) { return s.lastBatchFilePath; };
    const Field lastFilter = [](const Settings& s) { return s.lastFilter; };
    using namespace std::string_literals;
    const struct {
        std::string line;
        Field field;
        std::string expected;
    } rows[] = {
        {"Replace Ext=d/../../../outside/victim.db", replaceExt, "BAK"},
        {"Replace Ext=tar.gz", replaceExt, "BAK"},
        {"Replace Ext=b*k", replaceExt, "BAK"},
        {"Replace Ext=B\0K"s, replaceExt, "BAK"},
        {"Replace Ext=old", replaceExt, "old"},  // stored as typed, checked upper-cased
        {"BackUp Char=/", backUpChar, "~"},
        {"BackUp Char=.", backUpChar, "~"},
        {"BackUp Char=a", backUpChar, "~"},
        {"BackUp Char=#/", backUpChar, "~"},
        {"BackUp Char=\0"s, backUpChar, "~"},
        {"BackUp Char=$", backUpChar, "$"},
        {"Border=0", border, "3"},
        {"Border=21", border, "3"},
        {"Border=-2", border, "3"},
        {"Border=20", border, "20"},
        {"ExpandTab=25", expandTab, "4"},
        {"ExpandTab=24", expandTab, "24"},
        {"MaxSaveStrings=101", maxSave, "20"},
        {"MaxSaveStrings=100", maxSave, "100"},
        {"LastFilterIndex=0", filterIndex, "1"},
        {"LastFilterIndex=-5", filterIndex, "1"},
        {"LastFilterIndex=101", filterIndex, "1"},
        {"LastFilterIndex=3", filterIndex, "3"},
        {"Editor=vi\0 -x"s, editor, "xdg-open"},
        {"LastPath=/home/u\0/../etc"s, lastPath, ""},
        {"LastBatchFilePath=/b\0/c"s, batchPath, ""},
        {"LastFilter=*.c\0;*"s, lastFilter, ""},
        {"LastPath=/home/u/src", lastPath, "/home/u/src"},
    };
    TempDir dir;
    for (const auto& row : rows) {
        const std::string text = "[Preferences]\n" + row.line + "\n";
        WriteFile(dir / "k.INI", text);
        Settings settings;
        RunPlan options;
        LoadSettings(IniFile(dir / "k.INI"), settings, options);
        EXPECT_EQ(row.field(settings), row.expected) << row.line;
        EXPECT_EQ(ReadFile(dir / "k.INI"), text) << "never written back: " << row.line;
    }
}

TEST(LoadSettingsTest, ARecentBatchFileThatWouldBeCutShortIsPassedOver) {
    using namespace std::string_literals;
    TempDir dir;
    WriteFile(dir / "k.INI", "[Recent Batch Files]\nBatchFile1=/a.sr\0/b\nBatchFile2=/c.sr\n"s);
    Settings settings;
    RunPlan options;
    LoadSettings(IniFile(dir / "k.INI"), settings, options);
    EXPECT_EQ(settings.batchFiles, std::vector<std::string>{"/c.sr"});
}

// A value the row takes that differs from what a missing key gives, so reading it back
// shows that its own key was read.
std::string ChangedValue(const SettingRow& row) {
    for (std::string_view candidate : {"0", "1", "7"}) {
        Settings changed;
        row.Assign(candidate, changed);
        if (row.Accepts(candidate) && row.Format(changed) != row.defaultValue) {
            return std::string(candidate);
        }
    }
    ADD_FAILURE() << "no changed value for " << row.name;
    return std::string(row.defaultValue);
}

TEST(SettingTableTest, EveryDefaultIsTakenByItsCheckAndIsTheValueOfFreshSettings) {
    const Settings fresh;
    for (const SettingRow& row : SettingRows()) {
        EXPECT_TRUE(row.Accepts(row.defaultValue)) << row.name;
        // A file without "Select Files" reads as off (AMissingFileGivesEveryDefault).
        if (row.key == SettingKey::SelectFiles) continue;
        EXPECT_EQ(row.Format(fresh), row.defaultValue) << row.name;
    }
}

TEST(SettingTableTest, EveryRowHasAKeyAndAFieldOfItsOwn) {
    const Settings fresh;
    const auto rows = SettingRows();
    for (const SettingRow& row : rows) {
        Settings changed;
        row.Assign(ChangedValue(row), changed);
        for (const SettingRow& other : rows) {
            if (&other == &row) continue;
            EXPECT_FALSE(EqualsIgnoringAsciiCase(other.section, row.section) &&
                         EqualsIgnoringAsciiCase(other.name, row.name))
                << row.name;
            EXPECT_EQ(other.Format(changed), other.Format(fresh))
                << row.name << " sets " << other.name;
        }
    }
}

// Each alone in its file, so that no other stored setting (ShowNoFinds for PrintNoFinds)
// decides what it loads as.
TEST(SettingTableTest, EveryWrittenSettingLoadsBackAsWritten) {
    TempDir dir;
    for (const SettingRow& row : SettingRows()) {
        const IniFile ini(dir / (std::string(row.name) + ".INI"));
        Settings written;
        row.Assign(ChangedValue(row), written);
        ASSERT_TRUE(WriteSetting(ini, written, row.key)) << row.name;
        Settings loaded;
        RunPlan options;
        LoadSettings(ini, loaded, options);
        EXPECT_EQ(row.Format(loaded), row.Format(written)) << row.name;
    }
}

TEST(SettingTableTest, EveryListWrittenEntryByEntryLoadsBack) {
    const std::pair<SettingList, std::vector<std::string> Settings::*> lists[] = {
        {SettingList::FindFragments, &Settings::findFragments},
        {SettingList::FileFilters, &Settings::fileFilters},
        {SettingList::SearchStrings, &Settings::searchStrings},
        {SettingList::ReplaceStrings, &Settings::replaceStrings},
        {SettingList::BatchFiles, &Settings::batchFiles},
        {SettingList::Excluded, &Settings::excludedExtensions},
        {SettingList::Included, &Settings::includedExtensions},
    };
    // Entries named after their list, so that a list read from another's keys shows.
    const auto entries = [](SettingList list) {
        const std::string tag = std::to_string(static_cast<int>(list));
        return std::vector<std::string>{"A" + tag, "B" + tag};
    };
    TempDir dir;
    const IniFile ini(dir / "k.INI");
    for (const auto& [list, field] : lists) {
        ASSERT_TRUE(WriteListEntry(ini, list, 0, entries(list)[0]));
        ASSERT_TRUE(WriteListEntry(ini, list, 1, entries(list)[1]));
    }
    Settings loaded;
    RunPlan options;
    LoadSettings(ini, loaded, options);
    for (const auto& [list, field] : lists) {
        EXPECT_EQ(loaded.*field, entries(list)) << RowOf(list).section;
    }
}

// A run whose backup naming comes from a settings file that names a file outside the
// tree: the backup stays beside the original, under the default extension.
class SettingsRunTest : public test::PassTest {};

TEST_F(SettingsRunTest, AReplaceExtensionFromTheFileNeverNamesAnotherFile) {
    std::filesystem::create_directories(File("tree/report.d"));
    std::filesystem::create_directories(File("outside"));
    WriteFile(File("tree/report.txt"), "a cat\n");
    WriteFile(File("tree/victim.db"), "sibling");
    WriteFile(File("outside/victim.db"), "victim");
    WriteFile(File("k.INI"),
              "[Preferences]\nCharBackUp=0\nExtensionBackUp=1\n"
              "Replace Ext=d/../../outside/victim.db\n");
    Settings settings;
    LoadSettings(IniFile(File("k.INI")), settings, options);
    backups.SetNaming(settings.backupNaming());
    backups.SetFileList();

    Begin("cat", "dog");
    SearchReplacePass pass(context, matcher);
    EXPECT_TRUE(pass.ProcessFile(File("tree"), "report.txt"));
    backups.EndRun();
    EXPECT_EQ(ReadFile(File("tree/report.txt")), "a dog\n");
    EXPECT_EQ(ReadFile(File("tree/report.BAK")), "a cat\n");
    EXPECT_EQ(ReadFile(File("outside/victim.db")), "victim");
    EXPECT_EQ(ReadFile(File("tree/victim.db")), "sibling");
    EXPECT_EQ(NamesIn(File("outside")), std::set<std::string>{"victim.db"});
    EXPECT_EQ(NamesIn(File("tree")),
              (std::set<std::string>{"report.BAK", "report.d", "report.txt", "victim.db"}));
}

TEST(RecentListTest, EntriesMoveToTheFrontAndTheOldestDropsAtTheLimit) {
    TempDir dir;
    const IniFile ini(dir / "k.INI");
    std::vector<std::string> list;
    for (const char* entry : {"one", "two", "three"}) {
        AddToRecentList(ini, list, entry, 3, "Recent Search Strings", "SearchStr",
                        ListValueFormat::Quoted);
    }
    EXPECT_EQ(list, (std::vector<std::string>{"three", "two", "one"}));
    AddToRecentList(ini, list, "one", 3, "Recent Search Strings", "SearchStr",
                    ListValueFormat::Quoted);
    EXPECT_EQ(list, (std::vector<std::string>{"one", "three", "two"}));
    AddToRecentList(ini, list, " four", 3, "Recent Search Strings", "SearchStr",
                    ListValueFormat::Quoted);
    EXPECT_EQ(list, (std::vector<std::string>{" four", "one", "three"}));
    EXPECT_EQ(ini.ReadString("Recent Search Strings", "SearchStr1"), " four");
    EXPECT_EQ(ini.ReadString("Recent Search Strings", "SearchStr3"), "three");

    std::vector<std::string> replaces;
    AddToRecentList(ini, replaces, "", 20, "Recent Replace Strings", "ReplaceStr",
                    ListValueFormat::QuotedEmptyAsMark);
    EXPECT_EQ(ReadFile(dir / "k.INI").find("ReplaceStr1=\"\xA7\"") != std::string::npos, true);
    Settings settings;
    RunPlan options;
    LoadSettings(ini, settings, options);
    EXPECT_EQ(settings.searchStrings, (std::vector<std::string>{" four", "one", "three"}));
    EXPECT_EQ(settings.replaceStrings, (std::vector<std::string>{""}));

    DeleteListKeysAbove(ini, "Recent Search Strings", "SearchStr", 1);
    EXPECT_FALSE(ini.ReadString("Recent Search Strings", "SearchStr2"));
    EXPECT_TRUE(ini.ReadString("Recent Search Strings", "SearchStr1"));
}

TEST(SettingsLocationTest, BesideTheProgramWhenWritableElseInTheConfigHome) {
    TempDir dir;
    EXPECT_EQ(SettingsFilePath(dir.path().string()), dir / "kesto.INI");
    EXPECT_EQ(SettingsFilePath(dir.path().string(), "other.ini"), dir / "other.ini");
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    EXPECT_EQ(SettingsFilePath("/proc/no-such-dir"), dir / "config/kesto/kesto.INI");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "config/kesto"));
    ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace kesto
