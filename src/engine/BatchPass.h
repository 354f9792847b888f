// BatchPass: one file of a batch run. The file is read once, every pair is applied in
// memory to the result of the pair before, and the file is written once.
#pragma once

#include <string>

#include "batch/BatchSRList.h"
#include "engine/FilePass.h"
#include "engine/LineMatcher.h"
#include "engine/MatchScan.h"

namespace kesto {

class BatchPass : public FilePass, private ScanObserver {
public:
    // `pairs` were prepared for the run (working strings and flags set).
    BatchPass(PassContext& context, LineMatcher& matcher, CBatchSRList& pairs);

    // One file, all pairs. True when the file was processed to the end.
    bool ProcessBatchFile(const std::string& directory, const std::string& fileName);

private:
    enum class PairOutcome { Applied, Skipped, Failed };
    PairOutcome ApplyPair(const CBatchSR& pair, int pairNumber, LineBreakType type,
                          std::string& content, ScanCounters& total);
    void OnProgress(int percent) override;
    void OnChangedLine(int, const std::string&, const std::string&) override {}
    bool WantsChangedLines() const override { return false; }

    LineMatcher& m_matcher;
    CBatchSRList& m_pairs;
    int m_pairNumber = 0;
    // The text the pairs work on, and the text a pair writes; the two are swapped, so
    // both keep their room from pair to pair and from file to file.
    std::string m_content;
    std::string m_next;
};

}  // namespace kesto
