#include "text/GatheringWriter.h"

namespace kesto {

GatheringWriter::GatheringWriter(ByteSink& sink) : m_sink(sink), m_buffer(new char[kCapacity]) {
}

void GatheringWriter::Write(std::string_view bytes) {
    if (bytes.size() > kCapacity - m_used) {
        Flush();
        if (bytes.size() > kCapacity / 2) {
            m_sink.Write(bytes);
            return;
        }
    }
    std::memcpy(m_buffer.get() + m_used, bytes.data(), bytes.size());
    m_used += bytes.size();
}

void GatheringWriter::Flush() {
    if (m_used == 0) return;
    m_sink.Write(std::string_view(m_buffer.get(), m_used));
    m_used = 0;
}

}  // namespace kesto
