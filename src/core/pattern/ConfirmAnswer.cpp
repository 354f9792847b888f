#include "pattern/ConfirmAnswer.h"

namespace kesto {

void ApplyConfirmAnswer(const ConfirmAnswer& answer, SessionOptions& options) {
    switch (answer.choice) {
    case ConfirmChoice::ReplaceIt:
        options.replaceThisOne = true;
        options.userEditedLine = answer.editedLine.has_value();
        break;
    case ConfirmChoice::ReplaceAllThisFile:
        options.replaceAllThisFile = true;
        options.confirmEachReplace = false;
        break;
    case ConfirmChoice::GlobalReplace:
        options.globalReplace = true;
        options.confirmEachReplace = false;
        break;
    case ConfirmChoice::SkipIt:
        options.replaceThisOne = false;
        break;
    case ConfirmChoice::SkipRestOfFile:
        options.skipRestOfFile = true;
        break;
    case ConfirmChoice::StopNow:
        options.stopRequested = true;
        options.confirmEachReplace = false;
        options.globalReplace = false;
        options.replaceThisOne = false;
        break;
    case ConfirmChoice::Abort:
        options.abortRequested = true;
        break;
    }
}

}  // namespace kesto
