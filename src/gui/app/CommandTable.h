// CommandTable: the main window's commands as data. Each command has its id, text, prompt
// (the status bar's line, then after a line break the tool tip), picture, key and whether it
// is a switch; the window makes one action per command, in the table's order, and the menus
// and the toolbar show those actions where the table places them.
//
// Two menu bars are described: the one shown while no session window is open and the one
// shown while one is active. A menu entry with a label of its own is an item of that menu
// that triggers the command: the session window's menus name some commands otherwise.
#pragma once

#include <QKeyCombination>
#include <optional>
#include <span>

namespace kesto {

// Command ids of the menus, toolbar and accelerators.
enum CommandId : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_WINDOW_ARRANGE = 57649,
    ID_WINDOW_CASCADE = 57650,
    ID_WINDOW_TILE_HORZ = 57651,
    ID_WINDOW_TILE_VERT = 57652,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_HELP_SYNOPSIS = 32771,
    ID_HELP_CONTENTS = 32772,
    ID_FIND_AGAIN = 32775,
    ID_OPTIONS = 32781,
    ID_NEXT_FRAME = 32782,
    ID_PREVIOUS_FRAME = 32783,
    ID_GOTO_FRAME = 32784,
    ID_CLOSE_ALL = 32785,
    ID_FIND = 32788,
    ID_FILE_APPLY_PREVIEW = 32790,
    ID_FILE_SAVE_DIFF = 32791,
    ID_FILE_RUN_HISTORY = 32792,
    ID_FILE_UNDO_LAST_RUN = 32793,
};

struct CommandSpec {
    CommandId id;
    const char* text;
    // The status bar's line; after a line break, the tool tip.
    const char* prompt;
    // A freedesktop icon name; null for a command without a picture.
    const char* icon = nullptr;
    std::optional<QKeyCombination> key = std::nullopt;
    bool checkable = false;
};

// An entry of a menu or of the toolbar. OpenWindows, the last entry of its menu, stands for
// the open session windows, listed as the menu opens.
struct MenuEntry {
    enum Kind { Command, Separator, RecentFiles, OpenWindows };
    CommandId command{};
    // Null: the command's own action.
    const char* label = nullptr;
    Kind kind = Command;
};

struct MenuSpec {
    const char* title;
    std::span<const MenuEntry> entries;
    // Whether the commands' state is brought up to date as the menu opens.
    bool updatesCommands;
};

// An entry of a menu bar: a menu, or (without one) a command standing on the bar itself.
struct MenuBarEntry {
    const MenuSpec* menu;
    CommandId command{};
};

class CommandTable {
public:
    static std::span<const CommandSpec> Commands();
    static std::span<const MenuBarEntry> IdleMenuBar();
    static std::span<const MenuBarEntry> SessionMenuBar();
    static std::span<const MenuEntry> ToolBar();
};

}  // namespace kesto
