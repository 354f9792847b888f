#include "log/EditorTarget.h"

#include "log/LoggedPath.h"

#include <algorithm>
#include <climits>
#include <string_view>

namespace kesto {

namespace {

constexpr std::string_view kFileHeader = "     File --- ";
constexpr std::string_view kProblemMark = ") --- ";
constexpr std::string_view kReasonMark = " ...";
constexpr std::size_t kLineNumberDigits = 5;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::optional<std::string> FileOfHeader(std::string_view line) {
    if (!line.starts_with(kFileHeader)) return std::nullopt;
    return PathFromLog(line.substr(kFileHeader.size()));
}

std::optional<std::string> FileOfProblemEntry(std::string_view line) {
    const auto mark = line.find(kProblemMark);
    if (mark == std::string_view::npos) return std::nullopt;
    std::string_view path = line.substr(mark + kProblemMark.size());
    const auto reason = path.find(kReasonMark);
    if (reason != std::string_view::npos) path = path.substr(0, reason);
    return PathFromLog(path);
}

}  // namespace

std::optional<int> NumberedLineNumber(std::string_view line) {
    const auto first = std::find_if(line.begin(), line.end(), IsDigit);
    const auto end = std::find_if_not(first, line.end(), IsDigit);
    if (static_cast<std::size_t>(end - first) < kLineNumberDigits) return std::nullopt;
    // Files of 100,000 lines and more carry six digits and more; all of them count.
    long long value = 0;
    for (auto digit = first; digit != end; ++digit) {
        value = std::min<long long>(value * 10 + (*digit - '0'), INT_MAX);
    }
    return static_cast<int>(value);
}

std::optional<EditorTarget> LocateEditorTarget(const LogStore& store, int index,
                                               int headerLineCount, bool batchMode) {
    if (index < headerLineCount || index < 0 || index >= store.logLineCount()) {
        return std::nullopt;
    }
    const std::string_view selected = store.line(index);
    if (auto path = FileOfHeader(selected)) return EditorTarget{std::move(*path), 1};
    if (auto path = FileOfProblemEntry(selected)) return EditorTarget{std::move(*path), 1};

    EditorTarget target;
    if (!batchMode) {
        for (int above = index; above > headerLineCount; --above) {
            if (auto number = NumberedLineNumber(store.line(above))) {
                target.line = *number;
                break;
            }
        }
    }
    for (int above = index - 1; above >= headerLineCount && above >= 0; --above) {
        if (auto path = FileOfHeader(store.line(above))) {
            target.path = std::move(*path);
            return target;
        }
    }
    return std::nullopt;
}

}  // namespace kesto
