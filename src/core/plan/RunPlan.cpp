#include "plan/RunPlan.h"

namespace kesto {

RunPlan::Kind RunPlan::kind() const {
    if (batchMode) return Kind::Batch;
    if (stripEolWhiteSpace) return Kind::Strip;
    if (insertAtColumn) return Kind::Insert;
    if (convertLineBreaks) return Kind::Convert;
    return Kind::SearchReplace;
}

std::optional<ConversionDirection> RunPlan::conversion() const {
    using T = LineBreakType;
    if (!convertLineBreaks) return std::nullopt;
    // One flag is set; were there more, this order decides.
    if (convertMacToDos) return ConversionDirection{T::Mac, T::Dos};
    if (convertMacToUnix) return ConversionDirection{T::Mac, T::Unix};
    if (convertUnixToDos) return ConversionDirection{T::Unix, T::Dos};
    if (convertUnixToMac) return ConversionDirection{T::Unix, T::Mac};
    if (convertDosToUnix) return ConversionDirection{T::Dos, T::Unix};
    return ConversionDirection{T::Dos, T::Mac};
}

void RunPlan::SetConversion(std::optional<ConversionDirection> direction) {
    using T = LineBreakType;
    const auto is = [&](T source, T target) {
        return direction == ConversionDirection{source, target};
    };
    convertLineBreaks = direction.has_value();
    convertDosToMac = is(T::Dos, T::Mac);
    convertDosToUnix = is(T::Dos, T::Unix);
    convertMacToDos = is(T::Mac, T::Dos);
    convertMacToUnix = is(T::Mac, T::Unix);
    convertUnixToDos = is(T::Unix, T::Dos);
    convertUnixToMac = is(T::Unix, T::Mac);
}

}  // namespace kesto
