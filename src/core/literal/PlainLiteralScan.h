// PlainLiteralScan: the scan of a literal replaced everywhere without a question, for
// a caller that does not need the changed lines (a batch run).
//
// It gives the same text, counters and progress reports as the line-by-line scan through
// the line matcher, without building any line: the matches are found in one run over the
// whole text, and the line breaks between two lines with a match are counted sixteen bytes
// at a time. A literal holds neither a line break nor a CR, so no match lies across lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "literal/LineBreakCounter.h"
#include "literal/LiteralFinder.h"
#include "literal/ScanReport.h"
#include "run/RunControl.h"
#include "text/ByteSink.h"
#include "text/LineBreak.h"
#include "text/TextFile.h"

namespace kesto {

class GatheringWriter;

// A search string without wildcards and what replaces it, in a file of one line-break
// type.
struct PlainLiteral {
    std::string_view search;
    std::string_view replace;
    LineBreakType lineBreakType = LineBreakType::Dos;
    char lineBreakChar = '\n';
};

class PlainLiteralScan {
public:
    PlainLiteralScan(std::string_view text, const PlainLiteral& literal, const RunControl& control,
                     ByteSink& sink, ScanObserver& observer, ScanCounters& counters);

    // `literal` must be one FastPath admits for the plain scan.
    ScanResult Run();

private:
    struct Line {
        std::size_t start = 0;
        std::size_t end = 0;   // without its line break (and the CR of a DOS one)
        std::size_t next = 0;  // where the next line begins
        bool hasLineBreak = false;
    };

    ScanResult Scan(GatheringWriter& out);
    void WriteStretch(GatheringWriter& out, std::size_t from, std::size_t to) const;
    // Counts the line breaks of one block; their progress reports wait until the line
    // after them is known to fit.
    void CountLineBreaks(std::size_t blockStart, std::uint32_t breaks);
    // The line that holds `at`, counting the lines before it from `from` (the start of a
    // line).
    Line LineHolding(std::size_t at, std::size_t from);
    bool ReportWaitingProgress();
    bool CountLineBreakAt(std::size_t offset);
    int Percent(std::size_t lineBreakOffset) const;

    std::string_view m_text;
    const PlainLiteral m_literal;
    const RunControl& m_control;
    ByteSink& m_sink;
    ScanObserver& m_observer;
    ScanCounters& m_counters;
    const LineBreakCounter m_breaks;
    int m_lineNumber = 1;
    std::vector<std::size_t> m_waitingReports;  // offsets of line breaks
};

}  // namespace kesto
