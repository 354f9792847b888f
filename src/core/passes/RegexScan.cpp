#include "passes/RegexScan.h"

#include "text/CaseShape.h"
#include "text/TextFile.h"
#include "text/UnicodeCase.h"

namespace kesto {

RegexScan::RegexScan(std::string_view text, LineBreakType type, RegexPair& pair,
                     std::string_view fileName, const RunPlan& options, RunControl& control,
                     LineMatcher& asker, ByteSink& sink, ScanObserver& observer,
                     ScanCounters& counters)
    : m_text(text),
      m_pair(pair),
      m_finder(pair.search(), type, MatchesCharacters(text, pair)),
      m_fileName(fileName),
      m_options(options),
      m_control(control),
      m_asker(asker),
      m_sink(sink),
      m_observer(observer),
      m_counters(counters),
      m_lines(text, LineBreakChar(type), control, observer) {
}

bool RegexScan::MatchesCharacters(std::string_view text, RegexPair& pair) {
    return pair.search().unicode() && UnicodeCase::IsValidUtf8(text);
}

bool RegexScan::FindsAny(std::string_view text, LineBreakType type, RegexPair& pair) {
    RegexFinder finder(pair.search(), type, MatchesCharacters(text, pair));
    if (!finder.ready()) return true;
    if (finder.RuledOut(text)) return false;
    RegexSpan match;
    if (pair.search().spansLines()) {
        return finder.program().Find(text, 0, false, match) != RegexProgram::Outcome::NoMatch;
    }
    RegexFinder::Line line;
    return finder.FindLine(text, 0, line, match) != RegexProgram::Outcome::NoMatch;
}

ScanResult RegexScan::Run() {
    if (!m_finder.ready()) return ScanResult::TooComplex;
    if (m_finder.RuledOut(m_text)) return ScanResult::Completed;
    const ScanResult result = m_pair.search().spansLines() ? RunOverText() : RunOverLines();
    if (result == ScanResult::Completed && m_counters.match.possible > 0) {
        m_sink.Write(m_text.substr(m_written));
    }
    return result;
}

ScanResult RegexScan::ResultOf(UnitEnd end) {
    return end == UnitEnd::TooComplex ? ScanResult::TooComplex : ScanResult::Aborted;
}

bool RegexScan::EndsEarly() const {
    return m_control.stopRequested() || m_control.skipRestOfFile();
}

ScanResult RegexScan::RunOverLines() {
    std::size_t pos = 0;
    while (pos < m_text.size()) {
        RegexFinder::Line line;
        RegexSpan match;
        const RegexProgram::Outcome found = m_finder.FindLine(m_text, pos, line, match);
        if (found == RegexProgram::Outcome::TooComplex) return ScanResult::TooComplex;
        if (found == RegexProgram::Outcome::NoMatch) break;
        if (line.contentEnd - line.start > kMaxLineLength) return ScanResult::LineTooLong;
        if (!m_lines.CountUpTo(line.start)) return ScanResult::Aborted;

        const std::string_view subject = m_text.substr(line.start, line.contentEnd - line.start);
        std::size_t unitEnd = subject.size();
        int changes = 0;
        const UnitEnd end = ReplaceInUnit(subject, 0, unitEnd, match, false, changes);
        if (end != UnitEnd::Done) return ResultOf(end);
        WriteUnit(line.start, line.contentEnd, line.next, changes);
        pos = line.next;
        if (!m_lines.CountUpTo(pos)) return ScanResult::Aborted;
        if (EndsEarly()) break;
    }
    return ScanResult::Completed;
}

ScanResult RegexScan::RunOverText() {
    std::size_t pos = 0;
    for (;;) {
        RegexSpan match;
        const RegexProgram::Outcome found = m_finder.program().Find(m_text, pos, false, match);
        if (found == RegexProgram::Outcome::TooComplex) return ScanResult::TooComplex;
        if (found == RegexProgram::Outcome::NoMatch) break;
        const std::size_t unitStart = m_finder.LineAround(m_text, match.start, pos).start;
        std::size_t unitEnd = m_finder.UnitEndAfter(m_text, match);
        if (!m_lines.CountUpTo(unitStart)) return ScanResult::Aborted;
        int changes = 0;
        const UnitEnd end = ReplaceInUnit(m_text, unitStart, unitEnd, match, true, changes);
        if (end != UnitEnd::Done) return ResultOf(end);
        if (unitEnd - unitStart > kMaxLineLength) return ScanResult::LineTooLong;
        WriteUnit(unitStart, unitEnd, unitEnd, changes);
        pos = unitEnd;
        if (!m_lines.CountUpTo(pos)) return ScanResult::Aborted;
        // A unit that reached the end took every match up to it, an empty one at the end too.
        if (pos >= m_text.size() || EndsEarly()) break;
    }
    return ScanResult::Completed;
}

void RegexScan::ExpandReplacement(std::string_view subject, const RegexSpan& match) {
    m_replacement.clear();
    m_pair.replacement().Expand(m_finder.program(), subject, m_replacement);
    if (!m_options.preserveCase) return;
    const std::string_view matched = subject.substr(match.start, match.end - match.start);
    if (m_finder.utf()) {
        UnicodeCase::ApplyShape(UnicodeCase::ShapeOf(matched), m_replacement);
    } else {
        ApplyShape(ShapeOf(matched), m_replacement);
    }
}

void RegexScan::AppendReplacement(std::string_view subject, const RegexSpan& match,
                                  std::string& out) {
    ExpandReplacement(subject, match);
    out += m_replacement;
}

RegexScan::UnitEnd RegexScan::ReplaceInUnit(std::string_view subject, std::size_t unitStart,
                                            std::size_t& unitEnd, RegexSpan match, bool growsInText,
                                            int& changes) {
    ++m_counters.match.possible;
    ++m_counters.match.linesWithMatch;
    std::string& out = m_after;
    out.clear();
    std::size_t start = unitStart;  // the unit in `subject`, which an edit replaces
    std::size_t end = unitEnd;
    std::size_t copied = start;  // `out` holds the new text of subject[start, copied)
    bool edited = false;
    for (;;) {
        std::size_t from = match.end;
        bool tookEdit = false;
        bool replace = true;
        if (m_control.confirmEachReplace()) {
            std::string shown = out;
            shown.append(subject.substr(copied, end - copied));
            const MatchSpan span{out.size() + (match.start - copied), match.end - match.start};
            std::string editedLine;
            ExpandReplacement(subject, match);
            if (!m_asker.AskUser(shown, span, m_replacement, m_fileName, m_lines.number(),
                                 editedLine)) {
                return UnitEnd::Aborted;
            }
            if (m_control.TakeEditedLine()) {
                from = UnchangedTailStart(shown, editedLine, span);
                m_edited = std::move(editedLine);
                subject = m_edited;
                start = 0;
                end = subject.size();
                out.assign(subject.substr(0, from));
                copied = from;
                edited = true;
                tookEdit = true;
                ++changes;
            } else {
                replace = m_control.replaceWanted();
            }
        }
        if (!tookEdit) {
            out.append(subject.substr(copied, match.start - copied));
            if (replace) {
                AppendReplacement(subject, match, out);
                ++changes;
            } else {
                out.append(subject.substr(match.start, match.end - match.start));
            }
            copied = match.end;
        }
        if (m_options.firstInstanceOnly || EndsEarly()) break;

        const RegexProgram::Outcome next =
            m_finder.FindNext(subject, from, !tookEdit && match.empty(), match);
        if (next == RegexProgram::Outcome::TooComplex) return UnitEnd::TooComplex;
        if (next == RegexProgram::Outcome::NoMatch) break;
        // A match that starts on a later line belongs to the next unit (the end of the text
        // has no next unit).
        if (match.start >= end && end < subject.size()) break;
        if (match.end > end && growsInText && !edited) {
            end = m_finder.UnitEndAfter(subject, match);
            unitEnd = end;
        }
        ++m_counters.match.possible;
    }
    out.append(subject.substr(copied, end - copied));
    return UnitEnd::Done;
}

void RegexScan::WriteUnit(std::size_t start, std::size_t contentEnd, std::size_t next,
                          int changes) {
    m_sink.Write(m_text.substr(m_written, start - m_written));
    m_counters.changes += changes;
    if (changes > 0) {
        m_before.assign(m_text.substr(start, contentEnd - start));
        m_observer.OnChangedLine(m_lines.number(), m_before, m_after);
        m_sink.Write(m_after);
        // A rewritten line keeps the line break it had, as in every other scan.
        m_sink.Write(m_text.substr(contentEnd, next - contentEnd));
    } else {
        m_sink.Write(m_text.substr(start, next - start));
    }
    m_written = next;
}

}  // namespace kesto
