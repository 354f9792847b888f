// Pattern preparation: turns the checked strings of a run into the compiled pair that the
// matcher and the per-file passes use for one line-break convention.
//
// Preparation depends on the file: `$` becomes the file's own line break. The drivers
// prepare before the first file and the passes prepare again whenever a file's line-break
// type differs from the previous file's, always from the unprepared strings.
#pragma once

#include <string>

#include "pattern/CompiledPattern.h"
#include "plan/RunPlan.h"
#include "text/LineBreak.h"

namespace kesto {

struct PatternLayout {
    LineBreakType lineBreakType = LineBreakType::Dos;
    char lineBreakChar = '\n';
    int lineBreakLength = 2;
    bool spansLines = false;       // the search or replace pattern holds the line-break character
    bool endsAtLineEnd = false;    // the search pattern ends with the file's line break
    bool anchorLineStart = false;  // a match must start a line
    bool lineBreakTranslated = false;  // a `$` became the file's line break
};

// Prepares `search` and `replace` in place for files of `type`. In single mode both are
// first copied from options.searchString and options.replaceString; in batch mode they
// hold the pair's working strings. The layout says whether a match must start a line
// (batch mode: from the pair's first character) and whether a `$` was translated.
// Match Whole Word Only pads the search pattern with one blank on each side, and the
// replace pattern too, so that the blanks that bound a word survive its replacement.
PatternLayout PreparePatterns(const RunPlan& options, LineBreakType type, std::string& search,
                              std::string& replace);

// The compiled pair of one run for one line-break convention.
struct CompiledPatterns {
    CompiledPattern search;
    CompiledPattern replace;
    PatternLayout layout;
};

// Prepares the pair (see PreparePatterns), reduces doubled backslashes in a single-mode
// special-character session, and marks wildcards in a wildcard session (in batch mode: when
// the pair has wildcards). `search`, `replace` and `pairWildcards` are used only in batch
// mode, as the pair's working strings and switch.
CompiledPatterns CompilePatterns(const RunPlan& options, LineBreakType type,
                                 std::string search = {}, std::string replace = {},
                                 bool pairWildcards = false);

}  // namespace kesto
