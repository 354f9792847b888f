#include "pattern/ConfirmAnswer.h"

namespace kesto {

void ApplyConfirmAnswer(const ConfirmAnswer& answer, RunControl& control) {
    switch (answer.choice) {
    case ConfirmChoice::ReplaceIt:
        control.ReplaceThisOne(answer.editedLine.has_value());
        break;
    case ConfirmChoice::ReplaceAllThisFile:
        control.ReplaceAllThisFile();
        break;
    case ConfirmChoice::GlobalReplace:
        control.ReplaceAllFiles();
        break;
    case ConfirmChoice::SkipIt:
        control.SkipThisOne();
        break;
    case ConfirmChoice::SkipRestOfFile:
        control.SkipRestOfFile();
        break;
    case ConfirmChoice::StopNow:
        control.StopNow();
        break;
    case ConfirmChoice::Abort:
        control.RequestAbort();
        break;
    }
}

}  // namespace kesto
