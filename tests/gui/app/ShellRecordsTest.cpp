// The records of the shell that hold no window: the version record and the window
// placement in the settings file.
#include <gtest/gtest.h>

#include "gui/app/VersionInfo.h"
#include "gui/app/WindowPlacement.h"
#include "support/TempDir.h"

namespace kesto {
namespace {

TEST(VersionInfoTest, TheAboutTextIsBuiltFromTheRecord) {
    const CVersionInfo info({{"ProductName", "Kesto"},
                             {"ProductVersion", "1, 2, 3, 0"},
                             {"LegalCopyright", "(C) us"},
                             {"CompanyName", "Us"}});
    EXPECT_EQ(info.m_strShortVersion, "1.2.3");
    EXPECT_EQ(info.GetAboutText(), "Kesto\nVersion 1.2.3\n(C) us\nUs");
    EXPECT_EQ(CVersionInfo(VersionRecord{}).GetAboutText(), "\nVersion \n\n");
    EXPECT_EQ(CVersionInfo::ShortVersionOf("4,5"), "4.5");
    EXPECT_EQ(CVersionInfo::ShortVersionOf("7 8, 9,10"), "7.8.9");
}

// The About box shows the version the package and kesto-cli --version carry.
TEST(VersionInfoTest, TheProgramsOwnRecordNamesTheProjectVersion) {
    const CVersionInfo info;
    EXPECT_EQ(info.m_strProductName, "Kesto");
    EXPECT_EQ(info.m_strShortVersion, KESTO_PROJECT_VERSION);
    EXPECT_NE(info.GetAboutText().find("\nVersion " KESTO_PROJECT_VERSION "\n"), std::string::npos);
}

TEST(WindowPlacementTest, StoredRectanglesArePulledOntoTheScreen) {
    struct Row {
        ScreenRect stored;
        ScreenRect expected;
    };
    const std::vector<Row> rows = {
        {{100, 50, 1300, 950}, {0, 0, 1024, 768}},       // larger than the screen
        {{900, 600, 1100, 800}, {824, 568, 1024, 768}},  // hanging off the bottom right
        {{-50, -30, 150, 170}, {0, 0, 200, 200}},        // off the top left
        {{19, 72, 676, 449}, {19, 72, 676, 449}},        // on the screen: unchanged
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ClampToScreen(row.stored, 1024, 768), row.expected)
            << FormatCoordinates(row.stored);
    }
}

TEST(WindowPlacementTest, TheSectionIsWrittenAndReadBack) {
    test::TempDir dir;
    const IniFile ini(dir / "k.INI");
    const WindowPlacement defaults = ReadWindowPlacement(ini);
    EXPECT_EQ(defaults.normal, (ScreenRect{19, 72, 676, 449}));
    EXPECT_TRUE(defaults.toolBar);
    EXPECT_TRUE(defaults.statusLine);

    WindowPlacement placement;
    placement.normal = {5, 60, 805, 660};
    placement.iconized = true;
    placement.maximized = true;
    placement.toolBar = false;
    WriteWindowPlacement(ini, placement);
    EXPECT_EQ(ini.ReadString(kWindowSection, "Coordinates"), "0005 0060 0805 0660");
    EXPECT_EQ(ini.ReadString(kWindowSection, "Iconized"), "1");
    const WindowPlacement read = ReadWindowPlacement(ini);
    EXPECT_EQ(read.normal, placement.normal);
    EXPECT_TRUE(read.iconized);
    EXPECT_TRUE(read.maximized);
    EXPECT_FALSE(read.toolBar);
    EXPECT_TRUE(read.statusLine);
    EXPECT_EQ(ParseCoordinates("-019 0072 0676 0449"), (ScreenRect{-19, 72, 676, 449}));
}

}  // namespace
}  // namespace kesto
