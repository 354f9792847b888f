#include "passes/MatchScan.h"
#include "passes/ScanLines.h"

#include "literal/FastPath.h"

#include "literal/LiteralFinder.h"
#include "literal/PlainLiteralScan.h"

#include <algorithm>
#include <cstring>

namespace kesto {
namespace {

// The first `byte` in [from, limit), or `limit` when there is none.
std::size_t FindFrom(std::string_view text, char byte, std::size_t from,
                     std::size_t limit = std::string_view::npos) {
    limit = std::min(limit, text.size());
    if (from >= limit) return limit;
    const void* hit =
        std::memchr(text.data() + from, static_cast<unsigned char>(byte), limit - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : limit;
}

// Where the line holding `offset` begins, looking back no further than `floor` (itself
// the start of a line).
std::size_t LineStartOf(std::string_view text, std::size_t offset, std::size_t floor,
                        char lineBreakChar) {
    if (offset <= floor) return floor;
    const void* hit =
        ::memrchr(text.data() + floor, static_cast<unsigned char>(lineBreakChar), offset - floor);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) + 1 : floor;
}

class Scanner {
public:
    Scanner(std::string_view text, const CompiledPatterns& patterns, std::string_view fileName,
            const RunControl& control, LineMatcher& matcher, ByteSink& sink, ScanObserver& observer,
            ScanCounters& counters)
        : m_text(text),
          m_patterns(patterns),
          m_fileName(fileName),
          m_control(control),
          m_matcher(matcher),
          m_sink(sink),
          m_observer(observer),
          m_counters(counters),
          m_lineBreakChar(patterns.layout.lineBreakChar),
          m_lines(text, m_lineBreakChar, control, observer) {}

    ScanResult Run();

private:
    // The cut-out text of a match, and where the next line begins.
    struct Cut {
        std::size_t start = 0;
        std::size_t end = 0;
        std::size_t next = 0;
    };

    void CutAround(const MatchSpan& match, std::size_t pos, Cut& cut) const;

    std::string_view m_text;
    const CompiledPatterns& m_patterns;
    std::string_view m_fileName;
    const RunControl& m_control;
    LineMatcher& m_matcher;
    ByteSink& m_sink;
    ScanObserver& m_observer;
    ScanCounters& m_counters;
    char m_lineBreakChar;
    ScanLines m_lines;
    std::string m_before;
    std::string m_line;
};

// The text to cut out around `match`: its line without the line break, or for a pattern
// that spans lines every line it touches, with their line breaks.
void Scanner::CutAround(const MatchSpan& match, std::size_t pos, Cut& cut) const {
    const PatternLayout& layout = m_patterns.layout;
    cut.start = LineStartOf(m_text, match.start, pos, m_lineBreakChar);
    if (!layout.spansLines) {
        const std::size_t lineEnd = FindFrom(m_text, m_lineBreakChar, match.start);
        cut.end = lineEnd;
        if (layout.lineBreakType == LineBreakType::Dos && lineEnd < m_text.size() &&
            lineEnd > cut.start && m_text[lineEnd - 1] == '\r') {
            --cut.end;
        }
        cut.next = lineEnd < m_text.size() ? lineEnd + 1 : lineEnd;
    } else {
        const std::size_t last = match.length > 0 ? match.end() - 1 : match.start;
        const bool endsOnBreak = match.length > 0 && m_text[last] == m_lineBreakChar;
        const std::size_t lineEnd =
            endsOnBreak ? last : FindFrom(m_text, m_lineBreakChar, match.end());
        cut.end = lineEnd < m_text.size() ? lineEnd + 1 : lineEnd;
        cut.next = cut.end;
    }
}

ScanResult Scanner::Run() {
    std::size_t pos = 0;      // the scan goes on from here; always the start of a line
    std::size_t written = 0;  // the sink holds the new text of everything before this
    while (pos < m_text.size()) {
        MatchSpan match;
        MatchResult found = m_matcher.FindNext(m_text, pos, m_patterns, match);
        if (found == MatchResult::MustStop) return ScanResult::CaptureFailed;
        if (found == MatchResult::NoMatch) break;

        Cut cut;
        CutAround(match, pos, cut);
        // A match that took the CR of a DOS line break does not lie within its line: look
        // for one that does.
        if (!m_patterns.layout.spansLines && match.end() > cut.end) {
            found = m_matcher.FindNext(m_text.substr(0, cut.end), match.start, m_patterns, match);
            if (found == MatchResult::MustStop) return ScanResult::CaptureFailed;
            if (found == MatchResult::NoMatch) {
                pos = cut.next;
                continue;
            }
        }
        if (cut.end - cut.start > kMaxLineLength) return ScanResult::LineTooLong;
        if (!m_lines.CountUpTo(cut.start)) return ScanResult::Aborted;

        m_sink.Write(m_text.substr(written, cut.start - written));
        // Two buffers reused from match to match: the line as it was, and as it becomes.
        std::string& before = m_before;
        std::string& line = m_line;
        before.assign(m_text.substr(cut.start, cut.end - cut.start));
        line.assign(before);
        const int changes =
            m_matcher.MatchLine(line, m_patterns, m_fileName, m_lines.number(), m_counters.match,
                                match.start - cut.start, match.end() - cut.start);
        if (m_matcher.captureFailed()) return ScanResult::CaptureFailed;
        if (m_control.abortRequested()) return ScanResult::Aborted;
        m_counters.changes += changes;
        if (changes > 0) {
            m_observer.OnChangedLine(m_lines.number(), before, line);
            m_sink.Write(line);
            // A rewritten line keeps the line break it had (none at the end of the file).
            m_sink.Write(m_text.substr(cut.end, cut.next - cut.end));
        } else {
            // Nothing changed: the line goes on byte for byte, with its own line break.
            m_sink.Write(m_text.substr(cut.start, cut.next - cut.start));
        }
        written = cut.next;
        if (!m_lines.CountUpTo(cut.next)) return ScanResult::Aborted;
        pos = cut.next;
        if (m_control.stopRequested() || m_control.skipRestOfFile()) break;
    }
    if (m_counters.match.possible > 0) m_sink.Write(m_text.substr(written));
    return ScanResult::Completed;
}

}  // namespace

std::optional<PlainLiteral> PlainLiteralOf(const CompiledPatterns& patterns) {
    if (patterns.search.empty() || patterns.search.HasWildcards() ||
        patterns.replace.HasWildcards() || patterns.layout.spansLines ||
        patterns.layout.anchorLineStart) {
        return std::nullopt;
    }
    return PlainLiteral{patterns.search.text(), patterns.replace.text(),
                        patterns.layout.lineBreakType, patterns.layout.lineBreakChar};
}

bool HasLiteralCandidate(std::string_view text, const CompiledPatterns& patterns, bool matchCase,
                         LineMatcher& matcher) {
    if (matchCase && !ContainsBytes(text, patterns.search.text())) return false;
    matcher.ChooseCaseRule(text, patterns);
    MatchSpan match;
    return matcher.FindNext(text, 0, patterns, match) != MatchResult::NoMatch;
}

ScanResult ScanText(std::string_view text, const CompiledPatterns& patterns,
                    std::string_view fileName, const RunPlan& options, RunControl& control,
                    LineMatcher& matcher, ByteSink& sink, ScanObserver& observer,
                    ScanCounters& counters) {
    matcher.ChooseCaseRule(text, patterns);
    // A literal replaced everywhere without a question, and nobody who needs the lines:
    // every match is replaced as the line matcher would, straight into the sink.
    const std::optional<PlainLiteral> literal = PlainLiteralOf(patterns);
    if (literal &&
        FastPath::Applies(FastPath::Way::PlainScan, {&*literal, 1}, FastPathSwitches(options),
                          control, observer.WantsChangedLines())) {
        return PlainLiteralScan(text, *literal, control, sink, observer, counters).Run();
    }
    Scanner scanner(text, patterns, fileName, control, matcher, sink, observer, counters);
    return scanner.Run();
}

}  // namespace kesto
