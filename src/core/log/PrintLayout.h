// PrintLayout: how a log is cut into printed pages.
//
// A page holds a fixed number of lines. Without "PrintNoFinds" the closing section of a
// run (the files without a match or with a problem) is left out, so only the lines before
// it are printed.
#pragma once

namespace kesto {

struct PrintLineRange {
    int first = 0;  // index of the page's first line
    int end = 0;    // one past its last line
};

// The number of log lines a print job covers.
int LinesToPrint(int logLineCount, int reportLineCount, bool printNoFinds);
// Pages for `lines` lines; 0 means the job does not start.
int PrintPageCount(int lines, int linesPerPage);
// The lines of page `page` (1-based), never beyond `lines`.
PrintLineRange PageLines(int page, int linesPerPage, int lines);

}  // namespace kesto
