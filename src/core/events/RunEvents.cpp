#include "events/RunEvents.h"

#include <algorithm>

namespace kesto {

void RunEvents::Subscribe(RunEventSink& sink) {
    if (std::find(m_sinks.begin(), m_sinks.end(), &sink) == m_sinks.end()) {
        m_sinks.push_back(&sink);
    }
}

void RunEvents::Unsubscribe(RunEventSink& sink) {
    std::erase(m_sinks, &sink);
}

bool RunEvents::WantsNewContent() const {
    return std::any_of(m_sinks.begin(), m_sinks.end(),
                       [](const RunEventSink* sink) { return sink->WantsNewContent(); });
}

}  // namespace kesto
