#include "session/PlanRun.h"

namespace kesto {

PlannedRun PlanRun(const RunRequest& request, const RunPlan& window, Prompter& prompter) {
    PlannedRun planned;
    RunPlan plan = window;
    if (request.batchFile) {
        CopyRunSwitches(request.values, plan);
        plan.batchMode = true;
        planned.plan = std::move(plan);
        return planned;
    }
    const WildcardQuestion question =
        request.fromModeDialog ? WildcardQuestion::AnsweredYes : WildcardQuestion::Ask;
    const ValidationResult checked = ValidateBeforeRun(request.values, plan, prompter, question);
    if (!checked.check.accepted) {
        planned.refusal = checked.check;
        return planned;
    }
    plan.SetConversion(request.conversion);
    plan.batchMode = false;
    planned.plan = std::move(plan);
    return planned;
}

RunPlan PlanAfterModeSwitch(const RunPlan& window, const RunDialogValues& values) {
    RunPlan plan = window;
    CopyRunSwitches(values, plan);
    plan.batchMode = !window.batchMode;
    return plan;
}

}  // namespace kesto
