#include "log/LogFinder.h"

#include <algorithm>

#include "text/AsciiCase.h"

namespace kesto {

namespace {

constexpr int kLinesBetweenPumps = 1000;

std::string LowerAscii(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), ToLowerAscii);
    return lowered;
}

bool ContainsLowered(std::string_view line, std::string_view loweredFragment) {
    const auto found =
        std::search(line.begin(), line.end(), loweredFragment.begin(), loweredFragment.end(),
                    [](char text, char pattern) { return ToLowerAscii(text) == pattern; });
    return found != line.end() || loweredFragment.empty();
}

}  // namespace

bool LogFinder::LineContains(std::string_view line, std::string_view fragment, bool matchCase) {
    if (matchCase) return line.find(fragment) != std::string_view::npos;
    return ContainsLowered(line, LowerAscii(fragment));
}

std::optional<int> LogFinder::Find(const LogStore& store, std::string_view fragment, bool matchCase,
                                   int start, const Pump& pump) {
    const int count = store.logLineCount();
    if (count == 0 || fragment.empty()) return std::nullopt;
    const std::string needle = matchCase ? std::string(fragment) : LowerAscii(fragment);
    const auto holds = [&](std::string_view line) {
        return matchCase ? line.find(needle) != std::string_view::npos
                         : ContainsLowered(line, needle);
    };

    int index = std::clamp(start, 0, count - 1);
    for (int tested = 1; tested <= count; ++tested) {
        if (holds(store.line(index))) return index;
        if (tested % kLinesBetweenPumps == 0 && pump) pump();
        index = index + 1 < count ? index + 1 : 0;
    }
    return std::nullopt;
}

int LogFinder::FindAgainStart(int selected, int lastFoundIndex, int logLineCount) {
    if (selected >= 0 && selected == lastFoundIndex) {
        return selected + 1 < logLineCount ? selected + 1 : 0;
    }
    if (selected < 0 || lastFoundIndex < 0) return 0;
    return selected;
}

std::string LogFinder::NotFoundMessage(std::string_view fragment, bool again) {
    std::string message = "Didn't find text fragment:\n\"";
    message += fragment;
    message += '"';
    message += again ? " Again!" : "!";
    return message;
}

}  // namespace kesto
