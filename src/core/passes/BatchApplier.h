// BatchApplier: a batch's pairs applied to one text in memory, each to the result of the
// pair before: in one walk over the text where the pairs allow (the pair chain), else pair
// after pair. It touches no file and no log: the batch pass takes its result, and so does a
// worker that works a file out ahead of the run.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "literal/LiteralPairChain.h"
#include "literal/ScanReport.h"
#include "pattern/BatchSRList.h"
#include "pattern/LineMatcher.h"
#include "pattern/PatternPreparation.h"
#include "plan/RunPlan.h"
#include "regex/RegexPair.h"
#include "run/RunControl.h"

namespace kesto {

class BatchApplier {
public:
    enum class Result {
        Applied,
        OutOfMemory,  // no room for the text the pairs work on
        CaptureFailed,
        LineTooLong,
        Aborted,
        TooComplex,  // a regular expression reached its match limit
    };

    // `pairs` were prepared for the run (working strings and flags set). In a
    // regular-expression run `regexPairs` holds each pair compiled, in the order of `pairs`.
    BatchApplier(const RunPlan& options, RunControl& control, LineMatcher& matcher,
                 const CBatchSRList& pairs, std::vector<std::unique_ptr<RegexPair>>* regexPairs);

    // Applies every pair to `text`, a file of `type` at `path`. When Applied, `total` holds
    // the counts of all pairs and content() the new text if any pair matched.
    Result Apply(std::string_view text, LineBreakType type, std::string_view path,
                 ScanObserver& observer, ScanCounters& total);

    std::string& content() { return m_content; }
    // The pair being applied (the last one, while the chain applies them all).
    int pairNumber() const { return m_pairNumber; }
    // Whether a pair of the last Apply asked for report lines split at line breaks.
    bool splitsLines() const { return m_splitsLines; }

private:
    enum class ChainOutcome { Applied, NotApplied, Aborted };

    // Applies every pair in one walk, leaving the result in m_content when something
    // matched; NotApplied when the pairs must go one by one.
    ChainOutcome ApplyChain(std::string_view text, LineBreakType type, ScanObserver& observer,
                            ScanCounters& total);
    // The chain of the run's pairs for files of `type`, made the first time one comes;
    // null when a pair needs a scan of its own (wildcards, line breaks, a question).
    LiteralPairChain* ChainFor(LineBreakType type, const ScanObserver& observer);
    // Whether case-blind matching may fold letters beyond ASCII in this run.
    bool FoldsUnicode() const { return m_options.unicodeCase && !m_options.matchCase; }
    std::unique_ptr<LiteralPairChain> MakeChain(LineBreakType type, const ScanObserver& observer);
    Result ApplyPairsOneByOne(std::string_view text, LineBreakType type, ScanObserver& observer,
                              ScanCounters& total);
    // Skipped (as Applied, nothing changed) when the pair cannot match.
    Result ApplyPair(const CBatchSR& pair, int pairNumber, LineBreakType type,
                     ScanObserver& observer, ScanCounters& total);
    ScanResult ScanPair(const CompiledPatterns& patterns, int pairNumber, LineBreakType type,
                        ScanObserver& observer, ScanCounters& counters);

    const RunPlan& m_options;
    RunControl& m_control;
    LineMatcher& m_matcher;
    const CBatchSRList& m_pairs;
    std::vector<std::unique_ptr<RegexPair>>* m_regexPairs;
    std::string_view m_path;  // of the text being applied, for the confirm question
    int m_pairNumber = 0;
    bool m_splitsLines = false;
    // The text the pairs work on, and the text a pair writes; the two are swapped, so
    // both keep their room from pair to pair and from file to file.
    std::string m_content;
    std::string m_next;
    std::array<std::unique_ptr<LiteralPairChain>, 3> m_chains;
    std::array<bool, 3> m_chainMade{};
    int m_lastPairNumber = 0;  // of the pairs that apply
};

}  // namespace kesto
