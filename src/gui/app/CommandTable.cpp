#include "gui/app/CommandTable.h"

namespace kesto {

namespace {

constexpr const char* kNoIcon = nullptr;
constexpr std::nullopt_t kNoKey = std::nullopt;
constexpr bool kSwitch = true;

// In the order the window makes its actions.
constexpr CommandSpec kCommands[] = {
    {ID_FILE_NEW, "&New", "Do another Search/Replace\nNew Session", "document-new",
     Qt::CTRL | Qt::Key_N},
    {ID_FILE_OPEN, "&Open...", "Open a previously saved Search/Replace log file\nOpen",
     "document-open", Qt::CTRL | Qt::Key_O},
    {ID_FILE_CLOSE, "&Close", "Close the active Search/Replace log window\nClose",
     "document-close"},
    {ID_FILE_SAVE, "&Save", "Save the active Search/Replace log file\nSave", "document-save",
     Qt::CTRL | Qt::Key_S},
    {ID_FILE_SAVE_AS, "Save Log Window &As...",
     "Save the active Search/Replace log file with a new name\nSave As", "document-save-as"},
    {ID_FILE_APPLY_PREVIEW, "Appl&y Preview",
     "Make the changes this preview showed: the same run for real, in a new window\nApply "
     "Preview",
     "dialog-ok-apply"},
    {ID_FILE_SAVE_DIFF, "Save as &Diff...",
     "Save the changes this preview showed as a unified diff\nSave as Diff", "document-export"},
    {ID_FILE_RUN_HISTORY, "Run &History...",
     "See the kept runs and their files, and undo one\nRun History", "view-history"},
    {ID_FILE_UNDO_LAST_RUN, "&Undo Last Run",
     "Put back the files the last run that can be undone changed\nUndo Last Run", "edit-undo"},
    {ID_FILE_PRINT, "&Print...",
     "Print the contents of the active Search/Replace log window\nPrint", "document-print",
     Qt::CTRL | Qt::Key_P},
    {ID_FILE_PRINT_PREVIEW, "Print Pre&view",
     "Display full pages of the log as they will be printed\nPrint Preview",
     "document-print-preview"},
    {ID_FILE_PRINT_SETUP, "P&rint Setup...", "Change the printer and printing options\nPrint Setup",
     "document-page-setup"},
    {ID_APP_EXIT, "E&xit", "Quit the application\nExit", "application-exit"},
    {ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the toolbar\nToolbar", kNoIcon, kNoKey, kSwitch},
    {ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar\nStatus Bar", kNoIcon, kNoKey,
     kSwitch},
    {ID_APP_ABOUT, "&About Search/Replace...",
     "Display program information, version number and copyright\nAbout", "help-about"},
    {ID_HELP_SYNOPSIS, "Application &Synopsis", "Learn about the Search/Replace Application"},
    {ID_HELP_CONTENTS, "&Contents", "Display Search/Replace's help table of contents\nHelp",
     "help-contents"},
    {ID_FIND, "Fi&nd", "Find a String Fragment in Log Window\nFind", "edit-find", Qt::Key_F2},
    {ID_FIND_AGAIN, "Find &Again", "Find next occurance of previous search\nFind Again",
     "edit-find-next", Qt::Key_F3},
    // Options stands in the menu bar, where a picture would take the place of its text.
    {ID_OPTIONS, "&Options", "Define application options\nOptions"},
    {ID_NEXT_FRAME, "&Next Display Frame", "Next Display Frame\nNext Frame", "go-next"},
    {ID_PREVIOUS_FRAME, "&Previous Display Frame", "Previous Display Frame\nPrevious Frame",
     "go-previous"},
    {ID_GOTO_FRAME, "GoTo Display Frame", "GoTo a Display Frame you enter\nGoTo Display Frame",
     "go-jump"},
    {ID_WINDOW_CASCADE, "&Cascade", "Arrange windows so they overlap\nCascade Windows"},
    {ID_WINDOW_TILE_HORZ, "Tile &Horizontally",
     "Arrange windows as non-overlapping tiles\nTile Windows"},
    {ID_WINDOW_TILE_VERT, "Tile &Vertically",
     "Arrange windows as non-overlapping tiles\nTile Windows"},
    {ID_WINDOW_ARRANGE, "&Arrange Icons",
     "Arrange icons at the bottom of the window\nArrange Icons"},
    {ID_CLOSE_ALL, "Clo&se All", "Close All Display Windows\nClose All", "window-close"},
};

constexpr MenuEntry kSeparator{.kind = MenuEntry::Separator};
constexpr MenuEntry kRecentFiles{.kind = MenuEntry::RecentFiles};
constexpr MenuEntry kOpenWindows{.kind = MenuEntry::OpenWindows};

constexpr MenuEntry kIdleFile[] = {
    {ID_FILE_NEW},
    {ID_FILE_OPEN},
    kSeparator,
    {ID_FILE_RUN_HISTORY},
    {ID_FILE_UNDO_LAST_RUN},
    kSeparator,
    {ID_FILE_PRINT_SETUP},
    kSeparator,
    kRecentFiles,
    kSeparator,
    {ID_APP_EXIT},
};
// The key stays with the one New action: the text after the tab only shows it.
constexpr MenuEntry kSessionFile[] = {
    {ID_FILE_NEW, "&New S/R Session...\tCtrl+N"},
    {ID_FILE_OPEN},
    {ID_FILE_CLOSE},
    {ID_FILE_SAVE_AS},
    {ID_FILE_SAVE_DIFF},
    {ID_FILE_APPLY_PREVIEW},
    kSeparator,
    {ID_FILE_RUN_HISTORY},
    {ID_FILE_UNDO_LAST_RUN},
    kSeparator,
    {ID_FILE_PRINT},
    {ID_FILE_PRINT_PREVIEW},
    {ID_FILE_PRINT_SETUP},
    kSeparator,
    kRecentFiles,
    kSeparator,
    {ID_APP_EXIT},
};
constexpr MenuEntry kIdleView[] = {{ID_VIEW_TOOLBAR}, {ID_VIEW_STATUS_BAR}};
constexpr MenuEntry kSessionView[] = {
    {ID_VIEW_TOOLBAR}, {ID_VIEW_STATUS_BAR}, kSeparator,
    {ID_NEXT_FRAME},   {ID_PREVIOUS_FRAME},  {ID_GOTO_FRAME},
};
constexpr MenuEntry kIdleHelp[] = {{ID_APP_ABOUT}, {ID_HELP_SYNOPSIS}, {ID_HELP_CONTENTS}};
constexpr MenuEntry kSessionHelp[] = {
    {ID_APP_ABOUT},
    {ID_HELP_SYNOPSIS, "Application &Synopsis..."},
    {ID_HELP_CONTENTS, "&Contents..."},
};
constexpr MenuEntry kSearch[] = {{ID_FIND}, {ID_FIND_AGAIN}};
constexpr MenuEntry kWindow[] = {
    {ID_WINDOW_CASCADE}, {ID_WINDOW_TILE_HORZ}, {ID_WINDOW_TILE_VERT},
    {ID_WINDOW_ARRANGE}, {ID_CLOSE_ALL},        kSeparator,
    kOpenWindows,
};

constexpr MenuSpec kIdleFileMenu{"&File", kIdleFile, true};
constexpr MenuSpec kSessionFileMenu{"&File", kSessionFile, true};
constexpr MenuSpec kIdleViewMenu{"&View", kIdleView, true};
constexpr MenuSpec kSessionViewMenu{"&View", kSessionView, true};
constexpr MenuSpec kIdleHelpMenu{"&Help", kIdleHelp, false};
constexpr MenuSpec kSessionHelpMenu{"&Help", kSessionHelp, false};
constexpr MenuSpec kSearchMenu{"&Search", kSearch, true};
constexpr MenuSpec kWindowMenu{"&Window", kWindow, false};

constexpr MenuBarEntry kIdleMenuBar[] = {{&kIdleFileMenu}, {&kIdleViewMenu}, {&kIdleHelpMenu}};
constexpr MenuBarEntry kSessionMenuBar[] = {
    {&kSessionFileMenu}, {&kSearchMenu}, {nullptr, ID_OPTIONS},
    {&kSessionViewMenu}, {&kWindowMenu}, {&kSessionHelpMenu},
};

constexpr MenuEntry kToolBar[] = {
    {ID_FILE_NEW},
    {ID_FILE_OPEN},
    {ID_FILE_SAVE},
    kSeparator,  // between groups of related commands
    {ID_FILE_APPLY_PREVIEW},
    kSeparator,
    {ID_FILE_PRINT},
    kSeparator,
    {ID_FIND},
    {ID_FIND_AGAIN},
    kSeparator,
    {ID_NEXT_FRAME},
    {ID_PREVIOUS_FRAME},
    {ID_GOTO_FRAME},
    kSeparator,
    {ID_CLOSE_ALL},
    kSeparator,
    {ID_HELP_CONTENTS},
};

}  // namespace

std::span<const CommandSpec> CommandTable::Commands() {
    return kCommands;
}

std::span<const MenuBarEntry> CommandTable::IdleMenuBar() {
    return kIdleMenuBar;
}

std::span<const MenuBarEntry> CommandTable::SessionMenuBar() {
    return kSessionMenuBar;
}

std::span<const MenuEntry> CommandTable::ToolBar() {
    return kToolBar;
}

}  // namespace kesto
