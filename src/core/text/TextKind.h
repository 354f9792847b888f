// TextKind: whether the bytes of a file are text Kesto may rewrite, judged from their start.
//
// A file is binary when its first 64 KiB hold a NUL byte, or when they are not UTF-8 and
// more than 30% of them are control bytes other than tab, CR and LF (compiled files without
// NUL in their head, packed data). Text in a single-byte code page (Latin-1, say) has few
// control bytes and stays text. UTF-16 and UTF-32 text is judged once it is decoded (see
// FileText).
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace kesto {

enum class TextKind { Text, Binary };

// How much of a file the judgement reads.
inline constexpr std::size_t kTextKindHead = 64 * 1024;

TextKind KindOfText(std::string_view bytes);

// The problem entry of a file of `kind` that is not searched; none for text.
std::optional<std::string_view> NotSearchedReason(TextKind kind);

}  // namespace kesto
