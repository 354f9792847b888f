#include "gui/app/WindowPlacement.h"

#include <algorithm>
#include <cstdio>

namespace kesto {

namespace {

// A decimal number with an optional sign at `position`, as atoi reads it: 0 when there is
// none.
int NumberAt(std::string_view value, std::size_t position) {
    if (position >= value.size()) return 0;
    std::size_t i = position;
    while (i < value.size() && value[i] == ' ') ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
    long long number = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        number = std::min<long long>(number * 10 + (value[i] - '0'), 1'000'000);
    }
    return static_cast<int>(negative ? -number : number);
}

bool FlagValue(const IniFile& file, std::string_view key, bool fallback) {
    const auto value = file.ReadString(kWindowSection, key);
    if (!value || value->empty()) return fallback;
    return NumberAt(*value, 0) != 0;
}

}  // namespace

std::string FormatCoordinates(const ScreenRect& rect) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d %04d %04d %04d", rect.left, rect.top, rect.right,
                  rect.bottom);
    return text;
}

ScreenRect ParseCoordinates(std::string_view value) {
    return {NumberAt(value, 0), NumberAt(value, 5), NumberAt(value, 10), NumberAt(value, 15)};
}

ScreenRect ClampToArea(ScreenRect rect, const ScreenRect& area) {
    const int storedWidth = rect.width();
    const int storedHeight = rect.height();
    if (rect.bottom > area.bottom) {
        rect.bottom = area.bottom;
        rect.top = std::max(area.top, area.bottom - storedHeight);
    }
    if (rect.right > area.right) {
        rect.right = area.right;
        rect.left = std::max(area.left, area.right - storedWidth);
    }
    if (rect.top < area.top) {
        rect.top = area.top;
        rect.bottom = area.top + std::min(area.height(), storedHeight);
    }
    if (rect.left < area.left) {
        rect.left = area.left;
        rect.right = area.left + std::min(area.width(), storedWidth);
    }
    return rect;
}

ScreenRect InsideOfFrameIn(const ScreenRect& frame, const FrameMargins& margins,
                           const ScreenRect& area) {
    const ScreenRect placed = ClampToArea(frame, area);
    const int left = placed.left + margins.left;
    const int top = placed.top + margins.top;
    return {left, top, std::max(left, placed.right - margins.right),
            std::max(top, placed.bottom - margins.bottom)};
}

ScreenRect FrameAround(const ScreenRect& inside, const FrameMargins& margins) {
    return {inside.left - margins.left, inside.top - margins.top, inside.right + margins.right,
            inside.bottom + margins.bottom};
}

ScreenRect FirstStartRect(const ScreenRect& area) {
    const int width = area.width() * 2 / 3;
    const int height = area.height() * 2 / 3;
    const int left = area.left + (area.width() - width) / 2;
    const int top = area.top + (area.height() - height) / 2;
    return {left, top, left + width, top + height};
}

WindowPlacement ReadWindowPlacement(const IniFile& file) {
    WindowPlacement placement;
    if (const auto coordinates = file.ReadString(kWindowSection, "Coordinates");
        coordinates && !coordinates->empty()) {
        placement.normal = ParseCoordinates(*coordinates);
        placement.normalStored = true;
    }
    placement.iconized = FlagValue(file, "Iconized", false);
    placement.maximized = FlagValue(file, "Maximized", false);
    placement.toolBar = FlagValue(file, "ToolBar", true);
    placement.statusLine = FlagValue(file, "StatusLine", true);
    placement.barState = file.ReadString(kWindowSection, "BarState").value_or("");
    return placement;
}

void WriteWindowPlacement(const IniFile& file, const WindowPlacement& placement) {
    const auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
    file.WriteString(kWindowSection, "Coordinates", FormatCoordinates(placement.normal));
    file.WriteString(kWindowSection, "Iconized", flag(placement.iconized));
    file.WriteString(kWindowSection, "Maximized", flag(placement.maximized));
    file.WriteString(kWindowSection, "ToolBar", flag(placement.toolBar));
    file.WriteString(kWindowSection, "StatusLine", flag(placement.statusLine));
    if (!placement.barState.empty()) {
        file.WriteString(kWindowSection, "BarState", placement.barState);
    }
}

}  // namespace kesto
