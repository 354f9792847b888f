// SearchAhead: the single-mode search of one file, worked out ahead of the run: whether the
// search finds anything, and for a file it does, the new content and the report lines of
// every changed line, exactly as the run's own scan would make them.
//
// Only for a literal search (no wildcards, no regular expression) in a run that asks no
// question; the run makes none for any other.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "literal/ScanReport.h"
#include "passes/AheadScanner.h"
#include "passes/UnaskedQuestions.h"
#include "pattern/LineMatcher.h"
#include "pattern/PatternPreparation.h"
#include "plan/RunPlan.h"
#include "run/RunControl.h"

namespace kesto {

class SearchAhead : public AheadScanner, private ScanObserver {
public:
    // Copies the run's options and control as they stand when the run starts.
    SearchAhead(const RunPlan& options, const RunControl& control);

    void ScanAhead(std::string_view text, LineBreakType type, const std::string& path,
                   AheadScan& scan) override;

private:
    const CompiledPatterns& PatternsFor(LineBreakType type);
    void OnProgress(int) override {}
    void OnChangedLine(int lineNumber, const std::string& before,
                       const std::string& after) override;

    const RunPlan m_options;
    const RunControl m_startControl;
    RunControl m_control;
    UnaskedQuestions m_questions;
    LineMatcher m_matcher;
    std::array<std::optional<CompiledPatterns>, 3> m_patterns;
    ReportLines* m_lines = nullptr;
    std::string m_lineText;
};

}  // namespace kesto
