#include "log/PrintLayout.h"

#include <algorithm>

namespace kesto {

int LinesToPrint(int logLineCount, int reportLineCount, bool printNoFinds) {
    return printNoFinds ? logLineCount : std::min(reportLineCount, logLineCount);
}

int PrintPageCount(int lines, int linesPerPage) {
    if (lines <= 0 || linesPerPage <= 0) return 0;
    return lines / linesPerPage + (lines % linesPerPage != 0 ? 1 : 0);
}

PrintLineRange PageLines(int page, int linesPerPage, int lines) {
    const int first = std::clamp((page - 1) * linesPerPage, 0, lines);
    return {first, std::min(first + linesPerPage, lines)};
}

}  // namespace kesto
