// How an answer to the confirm-replace question sets the run-control flags.
#pragma once

#include "pattern/ReplaceConfirmer.h"
#include "run/SessionOptions.h"

namespace kesto {

// Replace It: replaceThisOne (and userEditedLine with an edited line). Replace All this
// File: replaceAllThisFile, confirm off. Global Replace: globalReplace, confirm off. Skip
// It: replaceThisOne off. Skip Rest of File: skipRestOfFile. Stop Now: stopRequested, and
// confirm, global and replaceThisOne off. Abort: abortRequested.
void ApplyConfirmAnswer(const ConfirmAnswer& answer, SessionOptions& options);

}  // namespace kesto
