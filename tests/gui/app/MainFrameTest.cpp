// The main frame on the offscreen platform: menus, window placement, refusing to close
// while a session runs, recent files, help pages and the command line.
#include "gui/app/MainFrame.h"

#include <QAction>
#include <QDialog>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>

#include "gui/app/KestoApp.h"
#include "platform/qt/HelpPages.h"
#include "support/GuiFixture.h"

namespace kesto {
namespace {

using test::GuiFixture;

class MainFrameTest : public GuiFixture {
protected:
    QStringList MenuTitles() {
        QStringList titles;
        for (QAction* item : Frame().menuBar()->actions()) titles << item->text();
        return titles;
    }
    QMenu* MenuNamed(const QString& title) {
        for (QAction* item : Frame().menuBar()->actions()) {
            if (item->text() == title) return item->menu();
        }
        return nullptr;
    }
    // The entries of the Window menu after its last separator, as it opens, each with a
    // "*" when it is checked.
    QStringList OpenWindowEntries() {
        QMenu* menu = MenuNamed(QStringLiteral("&Window"));
        if (!menu) return {QStringLiteral("no Window menu")};
        emit menu->aboutToShow();
        QStringList entries;
        for (QAction* item : menu->actions()) {
            if (item->isSeparator()) {
                entries.clear();
            } else {
                entries << item->text() + (item->isChecked() ? QStringLiteral(" *") : QString());
            }
        }
        return entries;
    }
    void ChooseOpenWindow(const QString& text) {
        QMenu* menu = MenuNamed(QStringLiteral("&Window"));
        emit menu->aboutToShow();
        for (QAction* item : menu->actions()) {
            if (item->text() == text) item->trigger();
        }
        QApplication::processEvents();
    }
};

TEST_F(MainFrameTest, TheMenuFollowsWhetherASessionWindowIsActive) {
    EXPECT_EQ(MenuTitles(), (QStringList{"&File", "&View", "&Help"}));
    EXPECT_EQ(Frame().paneText(0), "Ready");
    EXPECT_FALSE(Frame().action(ID_FILE_PRINT)->isEnabled());
    NewWindow();
    EXPECT_EQ(MenuTitles(),
              (QStringList{"&File", "&Search", "&Options", "&View", "&Window", "&Help"}));
    EXPECT_EQ(Frame().activeChild()->windowTitle(), "Kesto1");
    EXPECT_EQ(Frame().action(ID_FIND)->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_EQ(Frame().action(ID_NEXT_FRAME)->toolTip(), "Next Frame");
    EXPECT_EQ(Frame().action(ID_NEXT_FRAME)->statusTip(), "Next Display Frame");
    Frame().activeChild()->close();
    QApplication::processEvents();
    EXPECT_EQ(MenuTitles(), (QStringList{"&File", "&View", "&Help"}));
}

TEST_F(MainFrameTest, ASessionWindowRefusesToCloseWhileItsSessionRuns) {
    CChildFrame* child = NewWindow();
    child->document().state().sessionRunning = true;
    EXPECT_FALSE(child->close());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0],
              "Currently processing files.  Won't CLOSE until search is COMPLETE!\n"
              "If you wish to abort the search/replace operation, double click on\n"
              "one of the DISPLAYED lines in the ACTIVE Search/Replace window!!!!");
    EXPECT_EQ(Frame().children().size(), 1);

    // Exit writes the placement first, then keeps the program running.
    EXPECT_FALSE(Frame().close());
    EXPECT_TRUE(IniFile(settingsPath()).ReadString(kWindowSection, "Coordinates").has_value());
    EXPECT_EQ(Frame().children().size(), 1);
    EXPECT_EQ(prompter.messages.size(), 2u);

    child->document().state().sessionRunning = false;
    EXPECT_TRUE(child->close());
    EXPECT_TRUE(prompter.messages.size() == 2u);
}

TEST_F(MainFrameTest, CloseAllClosesEveryIdleWindow) {
    NewWindow();
    NewWindow();
    CChildFrame* running = NewWindow();
    running->document().state().sessionRunning = true;
    Frame().action(ID_CLOSE_ALL)->trigger();
    QApplication::processEvents();
    EXPECT_EQ(Frame().children().size(), 1);
    EXPECT_EQ(Frame().children().front(), running);
}

TEST_F(MainFrameTest, TheWindowMenuListsTheOpenWindowsAndActivatesTheChosenOne) {
    CChildFrame* first = NewWindow();
    CChildFrame* second = NewWindow();
    ASSERT_NE(Open(WriteLog("R&D.log", {"a line"})), nullptr);
    EXPECT_EQ(OpenWindowEntries(), (QStringList{"&1 Kesto1", "&2 Kesto2", "&3 R&&D.log *"}));

    ChooseOpenWindow(QStringLiteral("&1 Kesto1"));
    EXPECT_EQ(Frame().activeChild(), first);
    EXPECT_EQ(OpenWindowEntries(), (QStringList{"&1 Kesto1 *", "&2 Kesto2", "&3 R&&D.log"}));

    // A minimized window comes back as it is chosen.
    first->showMinimized();
    Frame().mdiArea()->setActiveSubWindow(second);
    ChooseOpenWindow(QStringLiteral("&1 Kesto1"));
    EXPECT_EQ(Frame().activeChild(), first);
    EXPECT_FALSE(first->isMinimized());

    second->close();
    QApplication::processEvents();
    EXPECT_EQ(OpenWindowEntries(), (QStringList{"&1 Kesto1 *", "&2 R&&D.log"}));
    for (int n = 0; n < 8; ++n) NewWindow();
    const QStringList entries = OpenWindowEntries();
    ASSERT_EQ(entries.size(), 10);
    EXPECT_EQ(entries[8], "&9 Kesto9");
    EXPECT_EQ(entries[9], "10 Kesto10 *") << "no Alt letter past nine";
}

// The rectangle kept is the whole window: restored, its frame (the platform draws one of a
// few pixels) lies in the free area, however large it was.
TEST_F(MainFrameTest, ThePlacementIsRestoredOnTheScreenAndWrittenOnClose) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const IniFile ini(settingsPath());
    // Larger than any screen, hanging off the bottom right.
    ini.WriteString(kWindowSection, "Coordinates", "0100 0050 9100 9050");
    ini.WriteString(kWindowSection, "StatusLine", "0");
    CMainFrame& main = Frame();
    ASSERT_NE(main.frameGeometry(), main.geometry()) << "the window has a frame";
    EXPECT_EQ(main.RestorePlacement(), Qt::WindowStates(Qt::WindowNoState));
    EXPECT_EQ(main.frameGeometry(), screen);
    EXPECT_FALSE(main.statusBar()->isVisibleTo(&main));

    main.move(30, 40);
    main.resize(400, 300);
    const QSize whole = main.frameGeometry().size();
    ASSERT_TRUE(main.close());
    const WindowPlacement written = ReadWindowPlacement(ini);
    EXPECT_EQ(written.normal, (ScreenRect{30, 40, 30 + whole.width(), 40 + whole.height()}));
    EXPECT_FALSE(written.iconized);
    EXPECT_FALSE(written.statusLine);
    EXPECT_TRUE(written.toolBar);
}

TEST_F(MainFrameTest, AWindowMinimizedFromMaximizedComesBackSo) {
    const IniFile ini(settingsPath());
    ini.WriteString(kWindowSection, "Iconized", "1");
    ini.WriteString(kWindowSection, "Maximized", "1");
    const Qt::WindowStates state = Frame().RestorePlacement();
    EXPECT_TRUE(state.testFlag(Qt::WindowMinimized));
    EXPECT_TRUE(state.testFlag(Qt::WindowMaximized));
    const WindowPlacement current = Frame().CurrentPlacement();
    EXPECT_TRUE(current.iconized);
    EXPECT_TRUE(current.maximized);
    EXPECT_EQ(Frame().RestorePlacement(), state) << "restored once per run";
}

TEST_F(MainFrameTest, AFirstStartTakesTwoThirdsOfTheScreenCentred) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    Frame().RestorePlacement();
    const QRect placed = Frame().frameGeometry();
    EXPECT_NEAR(placed.width(), screen.width() * 2 / 3, 2);
    EXPECT_NEAR(placed.height(), screen.height() * 2 / 3, 2);
    EXPECT_NEAR(placed.center().x(), screen.center().x(), 2);
    EXPECT_NEAR(placed.center().y(), screen.center().y(), 2);
}

TEST_F(MainFrameTest, DialogsOpenCentredOverTheMainWindow) {
    Frame().setGeometry(40, 30, 500, 400);
    CChildFrame* child = NewWindow();
    // Owned by a view deep inside the area, as the session's dialogs are.
    QDialog dialog(&child->view());
    // And one with no owner, as a message box of the session may be.
    QDialog ownerless;
    for (QDialog* shown : {&dialog, &ownerless}) {
        shown->resize(200, 120);
        shown->show();
        EXPECT_NEAR(shown->frameGeometry().center().x(), Frame().frameGeometry().center().x(), 2);
        EXPECT_NEAR(shown->frameGeometry().center().y(), Frame().frameGeometry().center().y(), 2);
    }
}

// The area's own placement puts a window where one of its default size fits; each of
// these must fit whole, whatever the size it is given.
TEST_F(MainFrameTest, EveryNewSessionWindowLiesInsideTheArea) {
    Frame().resize(700, 500);
    QApplication::processEvents();
    const QRect area = Frame().mdiArea()->viewport()->rect();
    for (int n = 0; n < 8; ++n) {
        const CChildFrame* child = NewWindow();
        EXPECT_TRUE(area.contains(child->geometry()))
            << n << ": " << child->geometry().x() << "," << child->geometry().y() << " "
            << child->width() << "x" << child->height();
        EXPECT_GE(child->width(), area.width() / 2);
    }
}

TEST_F(MainFrameTest, ANewWindowBesideAMaximizedOneIsMaximizedAndFillsTheArea) {
    Frame().resize(800, 560);
    CChildFrame* first = NewWindow();
    first->showMaximized();
    QApplication::processEvents();
    const auto fillsTheArea = [this](CChildFrame* window) {
        QApplication::processEvents();
        const QSize area = Frame().mdiArea()->viewport()->size();
        EXPECT_TRUE(window->isMaximized());
        EXPECT_EQ(window->size(), area);
        EXPECT_GE(window->view().width(), area.width() - 8);
        EXPECT_GE(window->view().height(), area.height() - 8);
    };
    CChildFrame* second = NewWindow();
    fillsTheArea(second);
    fillsTheArea(Open(WriteLog("saved.log", {"one line"})));
    // The area restores the window it leaves: to a place of its own, not a default size.
    const QRect area = Frame().mdiArea()->viewport()->rect();
    EXPECT_FALSE(second->isMaximized());
    EXPECT_TRUE(area.contains(second->geometry()));
    EXPECT_GE(second->width(), area.width() / 2);
}

TEST_F(MainFrameTest, TheTileCommandsShareTheAreaOutAmongTheWindows) {
    Frame().resize(800, 560);
    NewWindow();
    NewWindow();
    QApplication::processEvents();
    const QSize area = Frame().mdiArea()->viewport()->size();
    const QList<QMdiSubWindow*> windows = Frame().mdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 2);
    const int half = area.height() / 2;
    Frame().action(ID_WINDOW_TILE_HORZ)->trigger();
    EXPECT_EQ(windows[0]->geometry(), QRect(0, 0, area.width(), half));
    EXPECT_EQ(windows[1]->geometry(), QRect(0, half, area.width(), half));
    const int column = area.width() / 2;
    Frame().action(ID_WINDOW_TILE_VERT)->trigger();
    EXPECT_EQ(windows[0]->geometry(), QRect(0, 0, column, area.height()));
    EXPECT_EQ(windows[1]->geometry(), QRect(column, 0, column, area.height()));
}

TEST_F(MainFrameTest, ArrangeIconsLinesTheMinimizedWindowsUpAlongTheBottom) {
    Frame().resize(800, 560);
    CChildFrame* first = NewWindow();
    CChildFrame* open = NewWindow();
    CChildFrame* third = NewWindow();
    first->showMinimized();
    third->showMinimized();
    first->move(300, 40);
    third->move(100, 10);
    QApplication::processEvents();
    const QRect before = open->geometry();
    Frame().action(ID_WINDOW_ARRANGE)->trigger();
    const int bottom = Frame().mdiArea()->viewport()->height();
    EXPECT_EQ(first->geometry().topLeft(), QPoint(0, bottom - first->height()));
    EXPECT_EQ(third->geometry().topLeft(), QPoint(first->width(), bottom - third->height()));
    EXPECT_EQ(open->geometry(), before) << "a window that is not minimized stays";
}

TEST_F(MainFrameTest, RecentFilesKeepTheFourLatestWithoutRepeats) {
    for (const char* name : {"a.log", "b.log", "c.log", "d.log", "e.log", "c.log"}) {
        Frame().AddToRecentFiles(dir / name);
    }
    const std::vector<std::string> expected = {dir / "c.log", dir / "e.log", dir / "d.log",
                                               dir / "b.log"};
    EXPECT_EQ(Frame().recentFiles(), expected);
    EXPECT_EQ(IniFile(settingsPath()).ReadString("Recent File List", "File4"), dir / "b.log");
    frame.reset();
    EXPECT_EQ(Frame().recentFiles(), expected) << "read back by the next start";
}

TEST_F(MainFrameTest, OpeningABatchFileOpensABatchModeWindow) {
    test::WriteFile(dir / "pairs.SR", "#!S!#1#\na\n#!R!#1#\nb\n");
    CChildFrame* child = Open(dir / "pairs.SR");
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(child->document().options().batchMode);
    EXPECT_EQ(child->document().session().batchFilePath, dir / "pairs.SR");
    EXPECT_EQ(child->document().log().logLineCount(), 0);
}

TEST_F(MainFrameTest, AFileThatCannotBeOpenedOpensNoWindow) {
    EXPECT_EQ(Open(dir / "missing.log"), nullptr);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_NE(prompter.messages[0].find("missing.log"), std::string::npos);
    test::WriteFile(dir / "binary.log", std::string(100, 'x'));
    EXPECT_EQ(Open(dir / "binary.log"), nullptr);
    EXPECT_NE(prompter.messages.back().find("is NOT a text file!"), std::string::npos);
    EXPECT_TRUE(Frame().children().isEmpty());
}

TEST(KestoAppTest, ANameHoldingDotIniNamesTheSettingsFile) {
    EXPECT_TRUE(CKestoApp::IsSettingsFileArgument("custom.ini"));
    EXPECT_TRUE(CKestoApp::IsSettingsFileArgument("Other.INI"));
    EXPECT_FALSE(CKestoApp::IsSettingsFileArgument(".ini"));
    EXPECT_FALSE(CKestoApp::IsSettingsFileArgument("report.log"));
}

TEST(HelpPagesTest, EveryContextNumberOfTheWindowsHasAPage) {
    for (int context : {3000, 3001, 3002, 3003, 3004, 3006, 3008, 3010, 3011, 3012, 3013, 3014,
                        3015, 3016, 3017, 3018, 3019, 3020, 3022}) {
        EXPECT_TRUE(HasHelpPage(context)) << context;
    }
    EXPECT_EQ(HelpPagePath(4242), ":/help/3000.html");
}

}  // namespace
}  // namespace kesto
