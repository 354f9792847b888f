#include "passes/SearchAhead.h"

#include "log/ChangedLineText.h"
#include "passes/MatchScan.h"
#include "passes/PassContext.h"
#include "text/ByteSink.h"

namespace kesto {

SearchAhead::SearchAhead(const RunPlan& options, const RunControl& control)
    : m_options(options),
      m_startControl(control),
      m_control(control),
      m_matcher(m_options, m_control, m_questions, m_questions) {
}

const CompiledPatterns& SearchAhead::PatternsFor(LineBreakType type) {
    std::optional<CompiledPatterns>& patterns = m_patterns[static_cast<std::size_t>(type)];
    if (!patterns) patterns = CompilePatterns(m_options, type);
    return *patterns;
}

void SearchAhead::ScanAhead(std::string_view text, LineBreakType type, const std::string& path,
                            AheadScan& scan) {
    if (type == LineBreakType::None) return;
    m_control = m_startControl;
    m_questions.Forget();
    const CompiledPatterns& patterns = PatternsFor(type);
    if (!HasLiteralCandidate(text, patterns, m_options.matchCase, m_matcher)) {
        scan.state = AheadScan::State::NoCandidate;
        return;
    }
    scan.content.reserve(text.size() + text.size() / 8);
    StringSink sink(scan.content);
    m_lines = &scan.lines;
    const ScanResult result =
        ScanText(text, patterns, path, m_options, m_control, m_matcher, sink, *this, scan.counters);
    m_lines = nullptr;
    if (result != ScanResult::Completed || m_questions.asked() || m_control.endsRun()) {
        scan.Clear();
        return;
    }
    scan.state = AheadScan::State::Scanned;
}

void SearchAhead::OnChangedLine(int lineNumber, const std::string& before,
                                const std::string& after) {
    ForEachChangedLineText(ReportedTabSpaces(m_options), lineNumber, before, after, m_lineText,
                           [this](std::string_view text) { m_lines->Add(text); });
}

}  // namespace kesto
