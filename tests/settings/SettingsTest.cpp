#include "settings/Settings.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace kesto {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

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

TEST(LoadSettingsTest, AMissingFileGivesEveryDefault) {
    TempDir dir;
    Settings settings;
    SessionOptions options;
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
    SessionOptions options;
    LoadSettings(IniFile(dir / "k.INI"), settings, options);
    EXPECT_FALSE(settings.printNoFinds);
    EXPECT_TRUE(options.batchMode);
    EXPECT_TRUE(options.globalReplace);
    EXPECT_FALSE(options.confirmEachReplace);
    EXPECT_TRUE(options.selectViaFileDialog);
    EXPECT_EQ(settings.printFontPtSize, 8);
    EXPECT_EQ(settings.expandTab, 4);
    EXPECT_EQ(settings.border, 0);
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
    SessionOptions options;
    LoadSettings(IniFile(dir / "k.INI"), settings, options);
    EXPECT_EQ(settings.maxSaveStrings, 20);
    EXPECT_TRUE(settings.searchStrings.empty());
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
    SessionOptions options;
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
