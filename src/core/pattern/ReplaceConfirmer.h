// ReplaceConfirmer: the question asked for each match when Confirm each Replace is on.
//
// The GUI answers with the confirm-replace dialog, kesto-cli on the terminal, tests with a
// script. The matcher turns the answer into the run-control flags of RunPlan
// (ApplyConfirmAnswer), so every front end decides the same way.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kesto {

struct ConfirmRequest {
    std::string_view fileName;
    std::string lineNumber;     // "%05.5d"
    std::string displayedLine;  // tabs expanded unless the search held control escapes
    int highlightStart = 0;     // columns of the match in displayedLine
    int highlightEnd = 0;
    // The line itself and the match in it. An edited line is an edit of this text, so a
    // tab the user did not touch stays a tab.
    std::string_view line;
    std::size_t matchStart = 0;
    std::size_t matchLength = 0;
    // The line as Replace It would leave it, shown as displayedLine is, and the columns of
    // the replacement in it: the replacement the run would write, wildcards and group
    // references expanded and Preserve Case applied.
    std::string replacedDisplayedLine;
    int replacementStart = 0;
    int replacementEnd = 0;
};

enum class ConfirmChoice {
    ReplaceIt,
    ReplaceAllThisFile,
    GlobalReplace,
    SkipIt,
    SkipRestOfFile,
    StopNow,
    Abort,
};

struct ConfirmAnswer {
    ConfirmChoice choice = ConfirmChoice::SkipIt;
    // After You Edit It and Replace It: the whole new text of the line.
    std::optional<std::string> editedLine;
};

class ReplaceConfirmer {
public:
    virtual ~ReplaceConfirmer() = default;
    virtual ConfirmAnswer ConfirmReplace(const ConfirmRequest& request) = 0;
};

}  // namespace kesto
