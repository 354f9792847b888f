// PlanRun: the one way a run's plan is made. A request (from a mode dialog of the window or
// from kesto-cli) and the window's plan so far (its preferences, and what the last run left
// for the dialogs) give the plan of the run, or the refusal of the request; nothing else is
// written.
#pragma once

#include <optional>

#include "pattern/PatternSyntax.h"
#include "plan/RunPlan.h"
#include "run/Prompter.h"
#include "session/RunRequest.h"

namespace kesto {

struct PlannedRun {
    // The plan; none when the request was refused.
    std::optional<RunPlan> plan;
    // Why it was refused: the message and the field it is about. An empty message was
    // already answered by the user (a No to the wildcard question).
    PatternCheck refusal;
};

// The plan of `request`. A batch request takes the switches of its dialog (the pairs decide
// the rest when they are read); any other has its typed strings checked as Begin checks
// them, asking the wildcard question through `prompter` unless the dialog that made the
// request already asked it. `window` is left as it was.
[[nodiscard]] PlannedRun PlanRun(const RunRequest& request, const RunPlan& window,
                                 Prompter& prompter);

// The window's plan once the user switched between the two mode dialogs: the switches they
// share carried over, the window's mode flipped.
[[nodiscard]] RunPlan PlanAfterModeSwitch(const RunPlan& window, const RunDialogValues& values);

}  // namespace kesto
