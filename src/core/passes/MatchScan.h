// MatchScan: the scan of one text for one compiled pair, shared by the single-mode pass
// (which writes the result to the new file) and the batch pass (which applies its pairs
// one after another in memory).
//
// The scan jumps from match to match, cuts out the line (or the lines a pattern spans)
// around each and lets the line matcher decide about it; every stretch in between is
// passed on unchanged, and so is a line in which nothing was replaced.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "literal/FastPath.h"
#include "literal/PlainLiteralScan.h"
#include "literal/ScanReport.h"
#include "pattern/LineMatcher.h"
#include "pattern/PatternPreparation.h"
#include "plan/RunPlan.h"
#include "text/ByteSink.h"
#include "text/TextFile.h"

namespace kesto {

// The search and replace strings of `patterns` for the literal scan; none when either
// has wildcards, the search is empty, spans lines or must start a line.
std::optional<PlainLiteral> PlainLiteralOf(const CompiledPatterns& patterns);

// Whether `text` holds a place where a literal search (no wildcards, no regular expression)
// may match; false means it matches nowhere. Under Match Case a byte search answers first.
bool HasLiteralCandidate(std::string_view text, const CompiledPatterns& patterns, bool matchCase,
                         LineMatcher& matcher);

// The switches of `options` the literal fast ways honour.
inline FastPath::Switches FastPathSwitches(const RunPlan& options) {
    return {options.matchCase, options.preserveCase, options.regularExpression,
            options.firstInstanceOnly};
}

// Scans `text` and writes its new content to `sink`. Nothing is written before the first
// match: a text without any match leaves the sink as it was. Stops early, with the rest of
// the text written unchanged, when the user stops the run or skips the rest of the file.
ScanResult ScanText(std::string_view text, const CompiledPatterns& patterns,
                    std::string_view fileName, const RunPlan& options, RunControl& control,
                    LineMatcher& matcher, ByteSink& sink, ScanObserver& observer,
                    ScanCounters& counters);

}  // namespace kesto
