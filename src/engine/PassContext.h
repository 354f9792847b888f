// What every per-file pass works with: the run's options, its log, the status panes, the
// message boxes and the backup step.
#pragma once

#include "engine/Prompter.h"
#include "log/LogStore.h"
#include "safety/BackupKeeper.h"
#include "session/ProgressReporter.h"
#include "session/SessionOptions.h"

namespace kesto {

struct PassContext {
    SessionOptions& options;
    LogStore& log;
    ProgressReporter& progress;
    Prompter& prompter;
    BackupKeeper& backups;
};

}  // namespace kesto
