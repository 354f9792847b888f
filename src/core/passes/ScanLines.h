// ScanLines: the number of the line a scan has reached in a file's text. The line breaks
// are counted only up to where the scan needs the number, the file's progress is reported on
// the way, and the count is given up once the run is aborted.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "literal/LineBreakCounter.h"
#include "literal/ScanReport.h"
#include "run/RunControl.h"

namespace kesto {

class ScanLines {
public:
    ScanLines(std::string_view text, char lineBreakChar, const RunControl& control,
              ScanObserver& observer)
        : m_text(text), m_control(control), m_observer(observer), m_breaks(lineBreakChar) {}

    // Counts the line breaks before `offset`; false when the run was aborted meanwhile.
    bool CountUpTo(std::size_t offset) {
        if (offset > m_countedTo) {
            const bool going =
                m_breaks.Count(m_text, m_countedTo, offset, m_number, [this](std::size_t at) {
                    m_observer.OnProgress(static_cast<int>(((at + 1) * 100 + 100) / m_text.size()));
                    return !m_control.abortRequested();
                });
            if (!going) return false;
        }
        m_countedTo = std::max(m_countedTo, offset);
        return true;
    }

    int number() const { return m_number; }

private:
    std::string_view m_text;
    const RunControl& m_control;
    ScanObserver& m_observer;
    LineBreakCounter m_breaks;
    int m_number = 1;
    std::size_t m_countedTo = 0;  // line breaks before this offset are counted
};

}  // namespace kesto
