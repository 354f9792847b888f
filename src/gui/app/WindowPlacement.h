// WindowPlacement: the main window's placement as the settings file keeps it in the
// section "Last Window Data", and the rules that pull a stored rectangle back onto the
// screen.
//
// The main frame reads it once at start-up and writes it when it closes; this unit knows
// nothing of windows, only of rectangles, flags and the file.
#pragma once

#include <string>
#include <string_view>

#include "settings/IniFile.h"

namespace kesto {

inline constexpr std::string_view kWindowSection = "Last Window Data";

struct ScreenRect {
    int left = 19;
    int top = 72;
    int right = 676;
    int bottom = 449;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const ScreenRect&) const = default;
};

struct WindowPlacement {
    ScreenRect normal;          // the restored (not minimized, not maximized) rectangle
    bool normalStored = false;  // false on a first start: `normal` is only the default
    bool iconized = false;
    bool maximized = false;  // also: minimized from the maximized state
    bool toolBar = true;
    bool statusLine = true;
    std::string barState;  // the toolbar's docking state, opaque
};

// Reads the section; a missing key keeps its default.
WindowPlacement ReadWindowPlacement(const IniFile& file);
// Writes every key of the section.
void WriteWindowPlacement(const IniFile& file, const WindowPlacement& placement);

// Moves a stored rectangle onto a screen of `width` x `height` pixels, keeping its size
// where the screen allows.
ScreenRect ClampToScreen(ScreenRect rect, int width, int height);

// Where the main window comes up when no rectangle was stored: two thirds of the screen's
// free area (`area`, with its top-left corner), centred on it.
ScreenRect FirstStartRect(const ScreenRect& area);

// "%04d %04d %04d %04d" and its reading (numbers at characters 0, 5, 10 and 15).
std::string FormatCoordinates(const ScreenRect& rect);
ScreenRect ParseCoordinates(std::string_view value);

}  // namespace kesto
