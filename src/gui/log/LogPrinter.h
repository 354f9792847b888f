// LogPrinter: prints the lines of a log in pages of a fixed number of lines, in a
// fixed-pitch font of the chosen point size, for the printer and the print preview alike.
#pragma once

#include "log/LogStore.h"
#include "log/PrintLayout.h"

class QPrinter;

namespace kesto {

class LogPrinter {
public:
    // `lines`: how many lines from the top of the log are printed.
    LogPrinter(const LogStore& store, int lines, int linesPerPage, int fontPointSize);

    int pageCount() const { return PrintPageCount(m_lines, m_linesPerPage); }

    // Prints pages `fromPage` to `toPage` (1-based, clamped to the job); 0 for both prints
    // every page. False when the printer could not be started.
    bool Print(QPrinter& printer, int fromPage = 0, int toPage = 0) const;

private:
    const LogStore& m_store;
    int m_lines;
    int m_linesPerPage;
    int m_fontPointSize;
};

}  // namespace kesto
