#include "session/PreviewRecord.h"

namespace kesto {

void PreviewRecord::Begin() {
    m_complete = false;
    m_read.Clear();
    m_diffs.Clear();
}

void PreviewRecord::End(bool preview, bool aborted, bool stopped) {
    m_complete = preview && !aborted && !stopped;
    if (aborted) m_diffs.Clear();
}

}  // namespace kesto
