#include "engine/PlainLiteralScan.h"

#include <string>

namespace kesto {

namespace {

constexpr int kLinesPerProgressReport = 300;

}  // namespace

PlainLiteralScan::PlainLiteralScan(std::string_view text, const CompiledPatterns& patterns,
                                   SessionOptions& options, ByteSink& sink, ScanObserver& observer,
                                   ScanCounters& counters)
    : m_text(text),
      m_patterns(patterns),
      m_options(options),
      m_sink(sink),
      m_observer(observer),
      m_counters(counters),
      m_breakFinder(std::string_view(&patterns.layout.lineBreakChar, 1)),
      m_breaks(m_breakFinder, text) {
}

bool PlainLiteralScan::Suits(const CompiledPatterns& patterns, const SessionOptions& options,
                             const ScanObserver& observer) {
    const CompiledPattern& search = patterns.search;
    const std::string& literal = search.text();
    return !observer.WantsChangedLines() && options.matchCase && options.globalReplace &&
           !options.confirmEachReplace && !options.firstInstanceOnly && !options.anchorLineStart &&
           !options.stopRequested && !options.skipRestOfFile && !search.empty() &&
           !search.HasWildcards() && !patterns.replace.HasWildcards() &&
           !patterns.layout.spansLines && literal.find('\r') == std::string::npos &&
           literal.find(patterns.layout.lineBreakChar) == std::string::npos;
}

std::size_t PlainLiteralScan::NextLineBreak(std::size_t from) {
    const std::size_t at = m_breaks.Next(from);
    return at == LiteralFinder::kNone ? m_text.size() : at;
}

int PlainLiteralScan::Percent(std::size_t lineBreakOffset) const {
    return static_cast<int>(((lineBreakOffset + 1) * 100 + 100) / m_text.size());
}

PlainLiteralScan::Line PlainLiteralScan::LineHolding(std::size_t at, std::size_t from) {
    Line line;
    line.start = from;
    std::size_t lineBreak = NextLineBreak(from);
    while (lineBreak < at) {
        ++m_lineNumber;
        if ((m_lineNumber - 1) % kLinesPerProgressReport == 0) {
            m_waitingReports.push_back(lineBreak);
        }
        line.start = lineBreak + 1;
        lineBreak = NextLineBreak(line.start);
    }
    line.hasLineBreak = lineBreak < m_text.size();
    line.end = lineBreak;
    line.next = line.hasLineBreak ? lineBreak + 1 : lineBreak;
    if (m_patterns.layout.lineBreakType == LineBreakType::Dos && line.hasLineBreak &&
        lineBreak > line.start && m_text[lineBreak - 1] == '\r') {
        --line.end;
    }
    return line;
}

bool PlainLiteralScan::ReportWaitingProgress() {
    for (const std::size_t lineBreak : m_waitingReports) {
        m_observer.OnProgress(Percent(lineBreak));
        if (m_options.abortRequested) return false;
    }
    m_waitingReports.clear();
    return true;
}

bool PlainLiteralScan::CountLineBreakAt(std::size_t offset) {
    ++m_lineNumber;
    if ((m_lineNumber - 1) % kLinesPerProgressReport != 0) return true;
    m_observer.OnProgress(Percent(offset));
    return !m_options.abortRequested;
}

ScanResult PlainLiteralScan::Run() {
    const LiteralFinder finder(m_patterns.search.text());
    const std::string_view replacement = m_patterns.replace.text();
    const std::string_view lineBreak = LineBreakBytes(m_patterns.layout.lineBreakType);
    LiteralScan matches(finder, m_text);
    std::size_t pos = 0;      // the start of the line after the last one rewritten
    std::size_t written = 0;  // the sink holds the new text of everything before this
    std::size_t at = matches.Next(0);
    while (at != LiteralFinder::kNone) {
        const Line line = LineHolding(at, pos);
        if (line.end - line.start > kMaxLineLength) return ScanResult::LineTooLong;
        if (!ReportWaitingProgress()) return ScanResult::Aborted;
        int replaced = 0;
        do {
            m_sink.Write(m_text.substr(written, at - written));
            m_sink.Write(replacement);
            ++replaced;
            written = at + finder.size();
            at = matches.Next(written);
        } while (at < line.end);
        // A rewritten line ends with the file's own line break; where it has another (a
        // bare LF in a DOS file) that one is replaced, otherwise the rest of the line goes
        // out with the next stretch.
        if (line.hasLineBreak && m_text.substr(line.end, line.next - line.end) != lineBreak) {
            m_sink.Write(m_text.substr(written, line.end - written));
            m_sink.Write(lineBreak);
            written = line.next;
        }
        m_counters.match.possible += replaced;
        ++m_counters.match.linesWithMatch;
        m_counters.changes += replaced;
        if (line.hasLineBreak && !CountLineBreakAt(line.next - 1)) return ScanResult::Aborted;
        pos = line.next;
        if (m_options.stopRequested || m_options.skipRestOfFile) break;
    }
    if (m_counters.match.possible > 0) m_sink.Write(m_text.substr(written));
    return ScanResult::Completed;
}

}  // namespace kesto
