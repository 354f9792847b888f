#include "passes/BatchAhead.h"

namespace kesto {

BatchAhead::BatchAhead(const RunPlan& options, const RunControl& control, const CBatchSRList& pairs)
    : m_options(options),
      m_startControl(control),
      m_control(control),
      m_pairs(pairs),
      m_matcher(m_options, m_control, m_questions, m_questions),
      m_applier(m_options, m_control, m_matcher, m_pairs, nullptr) {
}

void BatchAhead::ScanAhead(std::string_view text, LineBreakType type, const std::string& path,
                           AheadScan& scan) {
    m_control = m_startControl;
    m_questions.Forget();
    ScanCounters total;
    if (m_applier.Apply(text, type, path, *this, total) != BatchApplier::Result::Applied ||
        m_questions.asked() || m_control.endsRun()) {
        return;
    }
    scan.counters = total;
    scan.splitsLines = m_applier.splitsLines();
    if (total.match.possible > 0) scan.content.swap(m_applier.content());
    scan.state = AheadScan::State::Scanned;
}

}  // namespace kesto
