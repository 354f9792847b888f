// LogFinder: the Find and Find Again searches of the log view over every stored line.
//
// The search starts at a given line, tests every line in order, goes on at line 0 after
// the last and gives up when it is back where it started. It works on the store, not on
// the frame shown, so a hit in another frame is found as well; the view then switches to
// the hit's frame.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "log/LogStore.h"

namespace kesto {

class LogFinder {
public:
    // Let pending window messages run; called after every 1000 lines tested.
    using Pump = std::function<void()>;

    // The first line at or after `start` (wrapping) that holds `fragment`; without
    // `matchCase` ASCII letters compare without case. Nothing when no line holds it or the
    // store is empty.
    static std::optional<int> Find(const LogStore& store, std::string_view fragment, bool matchCase,
                                   int start, const Pump& pump);

    // Where Find Again starts: after the last hit when the selection has not moved since
    // (`selected` is the selected line's absolute index, -1 for none), at line 0 when
    // nothing is selected or nothing was found yet, else at the selected line.
    static int FindAgainStart(int selected, int lastFoundIndex, int logLineCount);

    // The message after a search without a hit.
    static std::string NotFoundMessage(std::string_view fragment, bool again);

    static bool LineContains(std::string_view line, std::string_view fragment, bool matchCase);
};

}  // namespace kesto
