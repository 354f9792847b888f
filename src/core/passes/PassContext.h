// What every per-file pass works with: the run's options (read only), its control, its log,
// the status panes, the message boxes and the backup step; where it reports its events;
// and, when workers read the files ahead of the run, where to take them and which file of
// the list is in hand.
#pragma once

#include <cstddef>
#include <optional>

#include "log/LogStore.h"
#include "passes/FileReadAhead.h"
#include "plan/RunPlan.h"
#include "replace/BackupKeeper.h"
#include "run/ProgressReporter.h"
#include "run/Prompter.h"
#include "run/RunControl.h"

namespace kesto {

// How a changed line's report shows its tabs: expanded, unless the search string holds
// control characters (then the lines are shown as they are).
inline std::optional<int> ReportedTabSpaces(const RunPlan& options) {
    if (options.controlEscapesInSearch) return std::nullopt;
    return options.expandTabSpaces;
}

struct PassContext {
    const RunPlan& options;
    RunControl& control;
    LogStore& log;
    ProgressReporter& progress;
    Prompter& prompter;
    BackupKeeper& backups;
    FileReadAhead* readAhead = nullptr;
    std::size_t fileIndex = 0;
    // Who takes the run's events; without it, the log alone.
    RunEventSink* events = nullptr;

    RunEventSink& sink() { return events ? *events : static_cast<RunEventSink&>(log); }
};

}  // namespace kesto
