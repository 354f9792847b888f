// What a scan of one text reports: its result, its counters and, while it runs, its
// progress and changed lines. Shared by the literal scans and the line-by-line scan.
#pragma once

#include <string>

namespace kesto {

// Per-file counts of the matches found.
struct MatchCounters {
    int possible = 0;        // matches found, replaced or not
    int linesWithMatch = 0;  // lines with a match
};

struct ScanCounters {
    int changes = 0;
    MatchCounters match;
};

enum class ScanResult {
    Completed,
    CaptureFailed,
    LineTooLong,
    Aborted,
    TooComplex,  // a regular expression reached its match limit
};

class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    // Every 300 lines; percent = (offset * 100 + 100) / size.
    virtual void OnProgress(int percent) = 0;
    virtual void OnChangedLine(int lineNumber, const std::string& before,
                               const std::string& after) = 0;
    // False when OnChangedLine does nothing: the scan may then rewrite lines without
    // building them one by one.
    virtual bool WantsChangedLines() const { return true; }
};

}  // namespace kesto
