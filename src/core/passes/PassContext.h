// What every per-file pass works with: the run's options (read only), its control, its log,
// the status panes, the message boxes and the backup step; and, when workers read the files
// ahead of the run, where to take them and which file of the list is in hand.
#pragma once

#include <cstddef>

#include "log/LogStore.h"
#include "passes/FileReadAhead.h"
#include "replace/BackupKeeper.h"
#include "run/ProgressReporter.h"
#include "run/Prompter.h"
#include "run/RunControl.h"
#include "run/RunPlan.h"

namespace kesto {

struct PassContext {
    const RunPlan& options;
    RunControl& control;
    LogStore& log;
    ProgressReporter& progress;
    Prompter& prompter;
    BackupKeeper& backups;
    FileReadAhead* readAhead = nullptr;
    std::size_t fileIndex = 0;
};

}  // namespace kesto
