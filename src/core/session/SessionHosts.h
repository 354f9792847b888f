// SessionHosts: everything interactive a run needs, as one bundle of the core's abstract
// interfaces. The window, kesto-cli and the tests each provide their own.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "files/RecycleBin.h"
#include "pattern/ReplaceConfirmer.h"
#include "run/Prompter.h"
#include "run/StatusHost.h"
#include "session/RunRequest.h"
#include "settings/ExtensionLists.h"

namespace kesto {

class StartDirectoryChooser {
public:
    virtual ~StartDirectoryChooser() = default;
    // Shows the dialog with `initial`; nothing when it is cancelled.
    virtual std::optional<StartDirectoryChoice> ChooseStartDirectory(
        const StartDirectoryChoice& initial) = 0;
};

// The two mode dialogs that start a run. They read RunPlan and write nothing of it:
// what the user chose comes back as a request.
enum class ModeDialogResult { Begin, Cancel, SwitchMode };

struct ModeDialogChoice {
    ModeDialogResult result = ModeDialogResult::Cancel;
    // On Begin the run to start; on SwitchMode the switches (and the batch file's name)
    // the other dialog shows.
    RunRequest request;
};

class ModeDialogs {
public:
    virtual ~ModeDialogs() = default;
    // `showPreviousValues`: start from RunPlan instead of the preference defaults.
    virtual ModeDialogChoice ShowSingleModeDialog(bool showPreviousValues) = 0;
    virtual ModeDialogChoice ShowBatchDialog(bool showPreviousValues) = 0;
};

struct SessionHosts {
    Prompter& prompter;
    ReplaceConfirmer& confirmer;
    StatusHost& status;
    UnknownExtensionAsker& extensions;
    StartDirectoryChooser& startDirectory;
    RecycleBin& recycleBin;
};

}  // namespace kesto
