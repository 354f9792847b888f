// The report lines of a changed line: "ORG: " and "MOD: " with its line number, and a blank
// one. Shared by the pass, which adds them to the log as the scan finds them, and the
// worker that keeps them for the run.
#pragma once

#include <string>
#include <string_view>

#include "run/RunPlan.h"
#include "text/LineDisplay.h"

namespace kesto {

// Calls `add` with each report line of the change of `before` into `after` at
// `lineNumber`, built in `text` (reused, so that a long run of changes allocates little).
template <typename Add>
void ForEachChangedLineText(const RunPlan& options, int lineNumber, const std::string& before,
                            const std::string& after, std::string& text, Add&& add) {
    const std::string number = FormatLineNumber(lineNumber);
    const auto build = [&](std::string_view tag, const std::string& line) {
        text.assign(tag);
        text += number;
        text += ' ';
        if (options.controlEscapesInSearch) {
            text += line;
        } else {
            AppendExpandedTabs(text, line, options.expandTabSpaces);
        }
        add(std::string_view(text));
    };
    build("ORG: ", before);
    build("MOD: ", after);
    add(std::string_view(" "));
}

}  // namespace kesto
