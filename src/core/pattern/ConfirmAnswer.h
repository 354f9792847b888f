// How an answer to the confirm-replace question changes the run's control.
#pragma once

#include "pattern/ReplaceConfirmer.h"
#include "run/RunControl.h"

namespace kesto {

void ApplyConfirmAnswer(const ConfirmAnswer& answer, RunControl& control);

}  // namespace kesto
