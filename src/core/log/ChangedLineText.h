// The report lines of a changed line: "ORG: " and "MOD: " with its line number, and a blank
// one. Shared by the log, which adds them as a run reports its changes, and the worker that
// words them ahead of the run.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "text/LineDisplay.h"

namespace kesto {

// Calls `add` with each report line of the change of `before` into `after` at
// `lineNumber`, built in `text` (reused, so that a long run of changes allocates little).
// Tabs are expanded for `tabSpaces`; without it the lines are shown as they are.
template <typename Add>
void ForEachChangedLineText(std::optional<int> tabSpaces, int lineNumber, std::string_view before,
                            std::string_view after, std::string& text, Add&& add) {
    const std::string number = FormatLineNumber(lineNumber);
    const auto build = [&](std::string_view tag, std::string_view line) {
        text.assign(tag);
        text += number;
        text += ' ';
        if (tabSpaces) {
            AppendExpandedTabs(text, line, *tabSpaces);
        } else {
            text += line;
        }
        add(std::string_view(text));
    };
    build("ORG: ", before);
    build("MOD: ", after);
    add(std::string_view(" "));
}

}  // namespace kesto
