// BatchPass: one file of a batch run. The file is read once, every pair is applied in
// memory to the result of the pair before, and the file is written once.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "passes/BatchApplier.h"
#include "passes/FilePass.h"
#include "passes/MatchScan.h"
#include "pattern/BatchSRList.h"
#include "pattern/LineMatcher.h"
#include "regex/RegexPair.h"

namespace kesto {

class BatchPass : public FilePass, private ScanObserver {
public:
    // `pairs` were prepared for the run (working strings and flags set). In a
    // regular-expression run `regexPairs` holds each pair compiled, in the order of `pairs`.
    BatchPass(PassContext& context, LineMatcher& matcher, CBatchSRList& pairs,
              std::vector<std::unique_ptr<RegexPair>>* regexPairs = nullptr);

    // One file, all pairs. True when the file was processed to the end.
    bool ProcessBatchFile(const std::string& directory, const std::string& fileName);

private:
    // Does what a failed application asks for: the original back, a message, a problem
    // entry. False unless `result` is Applied.
    bool TakeResult(BatchApplier::Result result);
    void OnProgress(int percent) override;
    void OnChangedLine(int, const std::string&, const std::string&) override {}
    bool WantsChangedLines() const override { return false; }

    BatchApplier m_applier;
};

}  // namespace kesto
