#include "literal/PlainLiteralScan.h"

#include "text/GatheringWriter.h"

#include <algorithm>
#include <cassert>
#include <string>

namespace kesto {

namespace {

constexpr int kLinesPerProgressReport = LineBreakCounter::kLinesPerReport;
constexpr std::size_t kBlock = LineBreakCounter::kBlock;

}  // namespace

PlainLiteralScan::PlainLiteralScan(std::string_view text, const PlainLiteral& literal,
                                   const RunControl& control, ByteSink& sink,
                                   ScanObserver& observer, ScanCounters& counters)
    : m_text(text),
      m_literal(literal),
      m_control(control),
      m_sink(sink),
      m_observer(observer),
      m_counters(counters),
      m_breaks(literal.lineBreakChar) {
    // The line of a match is the one its start lies in: no match may reach into the next.
    assert(literal.search.find('\r') == std::string_view::npos);
    assert(literal.search.find(literal.lineBreakChar) == std::string_view::npos);
}

void PlainLiteralScan::CountLineBreaks(std::size_t blockStart, std::uint32_t breaks) {
    const int count = LineBreakCounter::BitCount(breaks);
    // Only a block that reaches the next report is counted break by break.
    if (count < kLinesPerProgressReport - (m_lineNumber - 1) % kLinesPerProgressReport) {
        m_lineNumber += count;
        return;
    }
    for (; breaks != 0; breaks &= breaks - 1) {
        ++m_lineNumber;
        if ((m_lineNumber - 1) % kLinesPerProgressReport == 0) {
            m_waitingReports.push_back(blockStart +
                                       static_cast<std::size_t>(__builtin_ctz(breaks)));
        }
    }
}

int PlainLiteralScan::Percent(std::size_t lineBreakOffset) const {
    return static_cast<int>(((lineBreakOffset + 1) * 100 + 100) / m_text.size());
}

PlainLiteralScan::Line PlainLiteralScan::LineHolding(std::size_t at, std::size_t from) {
    Line line;
    line.start = from;
    std::size_t lineBreak = m_text.size();
    // Blocks from `from` on: the breaks before `at` end lines without a match, the first
    // one after it ends the line.
    for (std::size_t block = from; block < m_text.size(); block += kBlock) {
        const std::size_t width = std::min(kBlock, m_text.size() - block);
        const std::uint32_t breaks = m_breaks.BreaksIn(m_text.data() + block, width);
        if (breaks == 0) continue;
        const std::size_t beforeWidth = at <= block ? 0 : std::min(width, at - block);
        const std::uint32_t before =
            beforeWidth == kBlock ? breaks : breaks & ((std::uint32_t{1} << beforeWidth) - 1);
        if (before != 0) {
            line.start = block + 32 - static_cast<std::size_t>(__builtin_clz(before));
            CountLineBreaks(block, before);
        }
        const std::uint32_t after = breaks & ~before;
        if (after != 0) {
            lineBreak = block + static_cast<std::size_t>(__builtin_ctz(after));
            break;
        }
    }
    line.hasLineBreak = lineBreak < m_text.size();
    line.end = lineBreak;
    line.next = line.hasLineBreak ? lineBreak + 1 : lineBreak;
    if (m_literal.lineBreakType == LineBreakType::Dos && line.hasLineBreak &&
        lineBreak > line.start && m_text[lineBreak - 1] == '\r') {
        --line.end;
    }
    return line;
}

bool PlainLiteralScan::ReportWaitingProgress() {
    for (const std::size_t lineBreak : m_waitingReports) {
        m_observer.OnProgress(Percent(lineBreak));
        if (m_control.abortRequested()) return false;
    }
    m_waitingReports.clear();
    return true;
}

bool PlainLiteralScan::CountLineBreakAt(std::size_t offset) {
    ++m_lineNumber;
    if ((m_lineNumber - 1) % kLinesPerProgressReport != 0) return true;
    m_observer.OnProgress(Percent(offset));
    return !m_control.abortRequested();
}

ScanResult PlainLiteralScan::Run() {
    GatheringWriter out(m_sink);
    const ScanResult result = Scan(out);
    out.Flush();
    return result;
}

void PlainLiteralScan::WriteStretch(GatheringWriter& out, std::size_t from, std::size_t to) const {
    if (from + GatheringWriter::kShort <= m_text.size()) {
        out.WriteReadable(m_text.data() + from, to - from);
    } else {
        out.Write(m_text.substr(from, to - from));
    }
}

ScanResult PlainLiteralScan::Scan(GatheringWriter& out) {
    const LiteralFinder finder(m_literal.search);
    const std::string_view replacement = m_literal.replace;
    // The replacement followed by enough bytes to be copied as a short piece.
    const std::string readableReplacement =
        std::string(replacement) + std::string(GatheringWriter::kShort, '\0');
    LiteralScan matches(finder, m_text);
    std::size_t pos = 0;      // the start of the line after the last one rewritten
    std::size_t written = 0;  // the new text of everything before this is out
    std::size_t at = matches.Next(0);
    while (at != LiteralFinder::kNone) {
        const Line line = LineHolding(at, pos);
        if (line.end - line.start > kMaxLineLength) return ScanResult::LineTooLong;
        if (!m_waitingReports.empty() && !ReportWaitingProgress()) return ScanResult::Aborted;
        int replaced = 0;
        do {
            WriteStretch(out, written, at);
            out.WriteReadable(readableReplacement.data(), replacement.size());
            ++replaced;
            written = at + finder.size();
            at = matches.Next(written);
        } while (at < line.end);
        // The rest of the line, and the line break it had, go out with the next stretch.
        m_counters.match.possible += replaced;
        ++m_counters.match.linesWithMatch;
        m_counters.changes += replaced;
        if (line.hasLineBreak && !CountLineBreakAt(line.next - 1)) return ScanResult::Aborted;
        pos = line.next;
        if (m_control.stopRequested() || m_control.skipRestOfFile()) break;
    }
    if (m_counters.match.possible > 0) out.Write(m_text.substr(written));
    return ScanResult::Completed;
}

}  // namespace kesto
