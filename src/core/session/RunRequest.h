// RunRequest: everything a run starts from, as one value: the switches and typed strings
// of the mode dialog, the batch file of a batch run, the direction of a line-break
// conversion, and the files named for it. Whoever starts a run builds one (kesto-cli, the
// window's mode dialogs); SessionDocument checks it and runs it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "patch/FilePatch.h"
#include "pattern/PatternSyntax.h"
#include "text/LineBreak.h"

namespace kesto {

// The three results of the start-directory dialog.
struct StartDirectoryChoice {
    std::string startDirectory;
    std::string fileFilter;
    bool searchSubdirectories = false;
    // Offered for the filter: the filter part of every named filter, in order.
    std::vector<std::string> namedFilters;
};

// A diff whose changes a run applies: its name for the log and the journal, and the patch
// of each file it names, in its order.
struct DiffToApply {
    std::string name;
    std::vector<FilePatch> files;
};

struct RunRequest {
    RunDialogValues values;
    // A batch run takes its pairs from this file (and only the switches from `values`).
    std::optional<std::string> batchFile;
    // The changes of a diff, applied instead of a search: the files are the diff's.
    std::shared_ptr<const DiffToApply> diff;
    // A line-break conversion in this direction.
    std::optional<ConversionDirection> conversion;
    // The files of the run; without any, the start directory is asked for, unless it is
    // given here.
    std::vector<std::string> files;
    std::optional<StartDirectoryChoice> startDirectory;
    // Made by a mode dialog of the window, which already checked the typed strings on Begin
    // (showing its refusals, asking its question) and read the batch file's pairs into the
    // session: the run takes them without asking or reading again.
    bool fromModeDialog = false;
    // A preview: the run goes as it would, and nothing is written (no file, no backup, no
    // setting); the log says so.
    bool preview = false;
};

}  // namespace kesto
