// StatusHost: the three status panes, the message pump and the wait cursor, as the core
// sees them.
//
// The GUI implements it with the main window's status bar and the Qt event loop; kesto-cli
// with a progress line on the terminal; tests with a recording double. Everything runs on
// one thread: PumpMessages is where the rest of the application gets its turn during a
// long loop.
#pragma once

#include <string_view>

namespace kesto {

class StatusHost {
public:
    virtual ~StatusHost() = default;

    // Sets all three panes at once.
    virtual void SetStatusPanes(std::string_view what, std::string_view percent,
                                std::string_view count) = 0;

    // Runs every pending window message. Returns true when the abort gesture (a right-button
    // double-click anywhere) was seen among them.
    virtual bool PumpMessages() = 0;

    // Balanced by the callers: every Begin is followed by one End on every path.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
};

}  // namespace kesto
