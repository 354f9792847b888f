#include "text/LineDisplay.h"

#include <algorithm>
#include <cstdio>

namespace kesto {
namespace {

int BlanksPerTab(int spaces) {
    return std::max(spaces, 1);
}

}  // namespace

void AppendExpandedTabs(std::string& out, std::string_view line, int spaces) {
    const auto blanks = static_cast<std::size_t>(BlanksPerTab(spaces));
    std::size_t begin = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string_view::npos;
         tab = line.find('\t', begin)) {
        out.append(line.substr(begin, tab - begin));
        out.append(blanks, ' ');
        begin = tab + 1;
    }
    out.append(line.substr(begin));
}

std::string ExpandTabs(std::string_view line, int spaces) {
    std::string out;
    out.reserve(line.size());
    AppendExpandedTabs(out, line, spaces);
    return out;
}

int DisplayColumn(std::string_view line, std::size_t offset, int spaces) {
    const std::string_view before = line.substr(0, std::min(offset, line.size()));
    const auto tabs = static_cast<std::size_t>(std::count(before.begin(), before.end(), '\t'));
    return static_cast<int>(offset + tabs * static_cast<std::size_t>(BlanksPerTab(spaces) - 1));
}

std::string FormatLineNumber(int lineNumber) {
    // The precision alone gives the five zero-filled digits of "%05.5d".
    char text[16];
    std::snprintf(text, sizeof text, "%.5d", lineNumber);
    return text;
}

}  // namespace kesto
