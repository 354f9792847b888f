// SearchReplacePass: one file of a single-mode run.
//
// The pass reads the file, jumps from one match to the next, cuts out the line (or, for a
// pattern that spans lines, the lines) of each match and lets the line matcher decide,
// logs every changed line as an ORG:/MOD: pair, and writes the unchanged stretches between
// as they are. A file with at least one match keeps its new content; any other file gets
// its original back and is listed "No match Found!".
#pragma once

#include <memory>
#include <string>

#include "passes/FilePass.h"
#include "passes/MatchScan.h"
#include "pattern/LineMatcher.h"
#include "pattern/PatternPreparation.h"
#include "regex/RegexPair.h"

namespace kesto {

class SearchReplacePass : public FilePass, private ScanObserver {
public:
    // Prepares the run's patterns for `firstType`, the line-break type of the previous
    // file of the window (DOS when there was none).
    SearchReplacePass(PassContext& context, LineMatcher& matcher,
                      LineBreakType firstType = LineBreakType::Dos);

    // True when the file was processed to the end, changed or not; false when it was
    // refused, failed, or the run was aborted (the file is then back as it was).
    bool ProcessFile(const std::string& directory, const std::string& fileName);

    const CompiledPatterns& patterns() const { return m_patterns; }
    LineBreakType previousType() const { return m_previousType; }

private:
    void Prepare(LineBreakType type);
    bool PairWildcardsForFile();
    // Whether the search finds anything at all in the file.
    bool HasCandidate(LineBreakType type);
    ScanResult Scan(LineBreakType type, ScanCounters& counters);
    void OnProgress(int percent) override;
    void OnChangedLine(int lineNumber, const std::string& before,
                       const std::string& after) override;

    LineMatcher& m_matcher;
    CompiledPatterns m_patterns;
    LineBreakType m_previousType;
    // The pattern and replace string of a regular-expression run, compiled once.
    std::unique_ptr<RegexPair> m_regex;
};

}  // namespace kesto
