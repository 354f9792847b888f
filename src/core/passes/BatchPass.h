// BatchPass: one file of a batch run. The file is read once, every pair is applied in
// memory to the result of the pair before, and the file is written once.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "files/BatchSRList.h"
#include "literal/LiteralPairChain.h"
#include "passes/FilePass.h"
#include "passes/MatchScan.h"
#include "pattern/LineMatcher.h"
#include "regex/RegexPair.h"

namespace kesto {

class BatchPass : public FilePass, private ScanObserver {
public:
    // Plain literal pairs, at least this many, are applied in one walk over the text; with
    // fewer the scan of each pair, which looks at sixteen bytes at a time, is as fast.

    // `pairs` were prepared for the run (working strings and flags set). In a
    // regular-expression run `regexPairs` holds each pair compiled, in the order of `pairs`.
    BatchPass(PassContext& context, LineMatcher& matcher, CBatchSRList& pairs,
              std::vector<std::unique_ptr<RegexPair>>* regexPairs = nullptr);

    // One file, all pairs. True when the file was processed to the end.
    bool ProcessBatchFile(const std::string& directory, const std::string& fileName);

private:
    enum class PairOutcome { Applied, Skipped, Failed };
    enum class ChainOutcome { Applied, NotApplied, Failed };

    // Applies every pair in one walk over the text read, leaving the result in m_content
    // when something matched; NotApplied when the pairs must go one by one.
    ChainOutcome ApplyChain(LineBreakType type, ScanCounters& total);
    // The chain of the run's pairs for files of `type`, made the first time one comes;
    // null when a pair needs a scan of its own (wildcards, line breaks, a question).
    LiteralPairChain* ChainFor(LineBreakType type);
    std::unique_ptr<LiteralPairChain> MakeChain(LineBreakType type);
    bool ApplyPairsOneByOne(LineBreakType type, ScanCounters& total);
    PairOutcome ApplyPair(const CBatchSR& pair, int pairNumber, LineBreakType type,
                          std::string& content, ScanCounters& total);
    // The scan of one pair: `patterns` for a literal or wildcard pair, the run's compiled
    // pair for a regular expression.
    ScanResult ScanPair(const CompiledPatterns& patterns, int pairNumber, LineBreakType type,
                        std::string_view content, ScanCounters& counters);
    void OnProgress(int percent) override;
    void OnChangedLine(int, const std::string&, const std::string&) override {}
    bool WantsChangedLines() const override { return false; }

    LineMatcher& m_matcher;
    CBatchSRList& m_pairs;
    std::vector<std::unique_ptr<RegexPair>>* m_regexPairs;
    int m_pairNumber = 0;
    // The text the pairs work on, and the text a pair writes; the two are swapped, so
    // both keep their room from pair to pair and from file to file.
    std::string m_content;
    std::string m_next;
    std::array<std::unique_ptr<LiteralPairChain>, 3> m_chains;
    std::array<bool, 3> m_chainMade{};
    int m_lastPairNumber = 0;  // of the pairs that apply
};

}  // namespace kesto
