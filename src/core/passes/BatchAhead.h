// BatchAhead: a batch's pairs applied to one file ahead of the run: the counts and the new
// content, as the batch pass would make them. Not for regular-expression pairs, and only in
// a run that asks no question; the run makes none for any other.
#pragma once

#include "passes/AheadScanner.h"
#include "passes/BatchApplier.h"
#include "passes/UnaskedQuestions.h"
#include "pattern/BatchSRList.h"
#include "pattern/LineMatcher.h"
#include "plan/RunPlan.h"
#include "run/RunControl.h"

namespace kesto {

class BatchAhead : public AheadScanner, private ScanObserver {
public:
    // Copies the run's options, control and pairs as they stand when the run starts.
    BatchAhead(const RunPlan& options, const RunControl& control, const CBatchSRList& pairs);

    void ScanAhead(std::string_view text, LineBreakType type, const std::string& path,
                   AheadScan& scan) override;

private:
    void OnProgress(int) override {}
    void OnChangedLine(int, const std::string&, const std::string&) override {}
    bool WantsChangedLines() const override { return false; }

    const RunPlan m_options;
    const RunControl m_startControl;
    RunControl m_control;
    const CBatchSRList m_pairs;
    UnaskedQuestions m_questions;
    LineMatcher m_matcher;
    BatchApplier m_applier;
};

}  // namespace kesto
