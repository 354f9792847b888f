// RunHeader: the first lines of a run's log: what the run is and whether it is a preview,
// its strings, its switches, and the rules that leave files alone where they are not the
// defaults. The lines are counted: the window tells the header from the report by their
// number.
#pragma once

#include <string>
#include <string_view>

#include "log/LogStore.h"
#include "pattern/PatternPreparation.h"
#include "plan/RunPlan.h"
#include "settings/Settings.h"

namespace kesto {

// The header line of a preview run.
inline constexpr std::string_view kPreviewLine = "Preview Only -> No File Changed";

class RunHeader {
public:
    explicit RunHeader(LogStore& log) : m_log(log) {}

    // The header of a new run of `plan`; the count starts again.
    void Begin(const RunPlan& plan, const Settings& settings, bool preview);
    // A single-mode run's title, the direction of a conversion, and, for a run that
    // searches, its strings (split at their line breaks with `splitLines`) and switches.
    // False, after the line that says why, when its wildcards refuse the run.
    bool AddSingleRun(const CompiledPatterns& patterns, bool splitLines);
    // A batch run's title, its batch file and its switches.
    void AddBatchRun(const std::string& batchFile);
    // The header of a run that applies the diff named `diffName`.
    void AddDiffRun(const std::string& diffName);
    // The end of a batch run's header, once its pairs are prepared: the wildcards they
    // hold and the pairs those exclude.
    void EndBatchRun(int excludedPairs);
    void AddLine(const std::string& text);

    int lineCount() const { return m_count; }

private:
    void AddTitle(const std::string& text);
    void AddString(std::string_view label, const std::string& plain,
                   const CompiledPattern& prepared, std::size_t continuation, bool splitLines);
    void AddMatchSwitches(const std::string& indent);
    // The regular-expression and Preserve Case switches, and the rules that leave files
    // alone (a binary file is named with its reason among the problem files, and the walk
    // counts what it left out).
    void AddSearchModeLines(const std::string& indent);

    LogStore& m_log;
    const RunPlan* m_plan = nullptr;
    const Settings* m_settings = nullptr;
    bool m_preview = false;
    int m_count = 0;
};

}  // namespace kesto
