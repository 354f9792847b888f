#include "session/RunRequest.h"

namespace kesto {

void SetConversion(std::optional<ConversionDirection> direction, RunPlan& options) {
    using T = LineBreakType;
    const auto is = [&](T source, T target) {
        return direction && direction->source == source && direction->target == target;
    };
    options.convertLineBreaks = direction.has_value();
    options.convertDosToMac = is(T::Dos, T::Mac);
    options.convertDosToUnix = is(T::Dos, T::Unix);
    options.convertMacToDos = is(T::Mac, T::Dos);
    options.convertMacToUnix = is(T::Mac, T::Unix);
    options.convertUnixToDos = is(T::Unix, T::Dos);
    options.convertUnixToMac = is(T::Unix, T::Mac);
}

}  // namespace kesto
