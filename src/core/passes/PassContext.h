// What every per-file pass works with: the run's options (read only), its control, its log,
// the status panes, the message boxes and the backup step.
#pragma once

#include "files/BackupKeeper.h"
#include "log/LogStore.h"
#include "run/ProgressReporter.h"
#include "run/Prompter.h"
#include "run/RunControl.h"
#include "run/SessionOptions.h"

namespace kesto {

struct PassContext {
    const SessionOptions& options;
    RunControl& control;
    LogStore& log;
    ProgressReporter& progress;
    Prompter& prompter;
    BackupKeeper& backups;
};

}  // namespace kesto
