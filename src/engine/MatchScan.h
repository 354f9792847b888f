// MatchScan: the scan of one text for one compiled pair, shared by the single-mode pass
// (which writes the result to the new file) and the batch pass (which applies its pairs
// one after another in memory).
//
// The scan jumps from match to match, cuts out the line (or the lines a pattern spans)
// around each and lets the line matcher decide about it; every stretch in between is
// passed on unchanged, and so is a line in which nothing was replaced.
#pragma once

#include <string>
#include <string_view>

#include "engine/ByteSink.h"
#include "engine/LineMatcher.h"
#include "engine/PatternPreparation.h"
#include "engine/TextFile.h"
#include "session/SessionOptions.h"

namespace kesto {

// What the scan reports while it runs.
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

enum class ScanResult { Completed, CaptureFailed, LineTooLong, Aborted };

struct ScanCounters {
    int changes = 0;
    MatchCounters match;
};

// Scans `text` and writes its new content to `sink`. Nothing is written before the first
// match: a text without any match leaves the sink as it was. Stops early, with the rest of
// the text written unchanged, when the user stops the run or skips the rest of the file.
ScanResult ScanText(std::string_view text, const CompiledPatterns& patterns,
                    std::string_view fileName, SessionOptions& options, LineMatcher& matcher,
                    ByteSink& sink, ScanObserver& observer, ScanCounters& counters);

}  // namespace kesto
