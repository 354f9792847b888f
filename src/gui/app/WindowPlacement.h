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

// How far the window manager's frame (the title bar above all) stands out of each side of
// a window's inside.
struct FrameMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const FrameMargins&) const = default;
};

// Moves a stored rectangle into `area` (the screen's free area), keeping its size where the
// area allows: an edge past the area's is pulled back to it with the rectangle.
ScreenRect ClampToArea(ScreenRect rect, const ScreenRect& area);

// Where the main window comes up when no rectangle was stored: two thirds of the screen's
// free area (`area`, with its top-left corner), centred on it.
ScreenRect FirstStartRect(const ScreenRect& area);

// The inside of a window whose whole frame, `margins` wide, is to take `frame`, moved into
// `area` first. The inside never has a negative size.
ScreenRect InsideOfFrameIn(const ScreenRect& frame, const FrameMargins& margins,
                           const ScreenRect& area);

// The whole window around an inside with `margins`.
ScreenRect FrameAround(const ScreenRect& inside, const FrameMargins& margins);

// "%04d %04d %04d %04d" and its reading (numbers at characters 0, 5, 10 and 15).
std::string FormatCoordinates(const ScreenRect& rect);
ScreenRect ParseCoordinates(std::string_view value);

}  // namespace kesto
