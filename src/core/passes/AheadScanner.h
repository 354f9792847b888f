// AheadScanner: what a pass finds in a file, worked out on another thread before the pass
// comes to the file, so that the pass only has to take the result.
//
// A scanner works on its own: its own copy of the run's options and control, its own
// matcher, and nobody to ask. Whatever would need more (a question, a message, a fault, a
// regular expression) leaves the scan NotTried, and the pass does that file itself, as it
// would on one thread.
#pragma once

#include <string>
#include <string_view>

#include "literal/ScanReport.h"
#include "passes/ReportLines.h"
#include "text/LineBreak.h"

namespace kesto {

struct AheadScan {
    enum class State {
        NotTried,     // the pass scans the file itself
        NoCandidate,  // the search finds nothing at all in the file
        Scanned,      // the file was scanned to its end
    };
    State state = State::NotTried;
    ScanCounters counters;
    std::string content;       // the new content, when something matched
    ReportLines lines;         // the report lines of the changed lines
    bool splitsLines = false;  // a pair asked for report lines split at line breaks

    void Clear() {
        state = State::NotTried;
        counters = {};
        content.clear();
        lines.Clear();
        splitsLines = false;
    }
};

class AheadScanner {
public:
    virtual ~AheadScanner() = default;
    // Scans `text`, a file of `type` at `path`, into `scan` (cleared beforehand).
    virtual void ScanAhead(std::string_view text, LineBreakType type, const std::string& path,
                           AheadScan& scan) = 0;
};

}  // namespace kesto
