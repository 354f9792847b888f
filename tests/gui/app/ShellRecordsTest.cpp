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

TEST(WindowPlacementTest, StoredRectanglesArePulledIntoTheFreeArea) {
    struct Row {
        ScreenRect stored;
        ScreenRect area;
        ScreenRect expected;
    };
    const ScreenRect screen{0, 0, 1024, 768};
    // A panel along the top and one along the left edge.
    const ScreenRect belowPanels{40, 30, 1024, 768};
    const std::vector<Row> rows = {
        {{100, 50, 1300, 950}, screen, {0, 0, 1024, 768}},         // larger than the screen
        {{900, 600, 1100, 800}, screen, {824, 568, 1024, 768}},    // off the bottom right
        {{-50, -30, 150, 170}, screen, {0, 0, 200, 200}},          // off the top left
        {{19, 72, 676, 449}, screen, {19, 72, 676, 449}},          // on the screen: unchanged
        {{100, 50, 1300, 950}, belowPanels, {40, 30, 1024, 768}},  // larger than the area
        {{0, 0, 400, 300}, belowPanels, {40, 30, 440, 330}},       // under the panels
        {{900, 600, 1100, 800}, belowPanels, {824, 568, 1024, 768}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ClampToArea(row.stored, row.area), row.expected)
            << FormatCoordinates(row.stored) << " in " << FormatCoordinates(row.area);
    }
}

// The window's inside is chosen so that its whole frame, the title bar above all, lies in
// the free area, wherever the stored frame was and however thick the frame is.
TEST(WindowPlacementTest, TheInsideLeavesRoomForTheFrameInTheFreeArea) {
    struct Row {
        ScreenRect frame;
        FrameMargins margins;
        ScreenRect area;
        ScreenRect inside;
    };
    const ScreenRect screen{0, 0, 800, 500};
    const FrameMargins titleBar{1, 10, 1, 3};
    const std::vector<Row> rows = {
        {{0, 0, 800, 500}, titleBar, screen, {1, 10, 799, 497}},             // the whole screen
        {{-100, -75, 250, 200}, titleBar, screen, {1, 10, 349, 272}},        // off the top left
        {{300, 190, 600, 380}, titleBar, screen, {301, 200, 599, 377}},      // on it: kept
        {{300, 190, 900, 570}, titleBar, screen, {201, 130, 799, 497}},      // off the bottom right
        {{0, 0, 800, 500}, titleBar, {0, 24, 800, 500}, {1, 34, 799, 497}},  // under a panel
        {{0, 0, 800, 500}, FrameMargins{}, screen, {0, 0, 800, 500}},        // not framed yet
        {{10, 10, 12, 12}, titleBar, screen, {11, 20, 11, 20}},  // smaller than its frame
    };
    for (const Row& row : rows) {
        const ScreenRect inside = InsideOfFrameIn(row.frame, row.margins, row.area);
        EXPECT_EQ(inside, row.inside) << FormatCoordinates(row.frame);
        if (inside.width() > 0 && inside.height() > 0) {
            EXPECT_EQ(FrameAround(inside, row.margins), ClampToArea(row.frame, row.area))
                << FormatCoordinates(row.frame);
        }
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
