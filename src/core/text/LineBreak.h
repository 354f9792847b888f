// Line-break conventions of text files. The numbering is stored in logs and used across the
// passes: 0 DOS (13 10), 1 UNIX (10), 2 Mac (13), 3 none (not a text file).
#pragma once

#include <string_view>

namespace kesto {

enum class LineBreakType : int { Dos = 0, Unix = 1, Mac = 2, None = 3 };

// The byte that ends a line: the last byte of the convention's line break.
constexpr char LineBreakChar(LineBreakType type) {
    return type == LineBreakType::Mac ? '\r' : '\n';
}

constexpr std::string_view LineBreakBytes(LineBreakType type) {
    switch (type) {
    case LineBreakType::Dos:
        return "\r\n";
    case LineBreakType::Unix:
        return "\n";
    case LineBreakType::Mac:
        return "\r";
    case LineBreakType::None:
        break;
    }
    return {};
}

// The direction of a line-break conversion run: every `source` line break of a file becomes
// a `target` one.
struct ConversionDirection {
    LineBreakType source = LineBreakType::Dos;
    LineBreakType target = LineBreakType::Mac;

    friend bool operator==(const ConversionDirection&, const ConversionDirection&) = default;
};

}  // namespace kesto
