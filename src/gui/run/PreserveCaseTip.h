// The tooltip of Preserve Case, which the single-mode and the batch dialog both show.
#pragma once

namespace kesto {

inline constexpr const char* kPreserveCaseTip =
    "A replacement takes the case of the text it replaces: all small, all capitals or a "
    "capital first";

}  // namespace kesto
