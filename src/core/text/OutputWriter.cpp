#include "text/OutputWriter.h"

#include <unistd.h>

#include <cerrno>

namespace kesto {

OutputWriter::OutputWriter(int fd) : m_fd(fd) {
    m_buffer.reserve(kBufferSize);
}

OutputWriter::OutputWriter(std::string* memory) : m_fd(-1), m_memory(memory) {
}

void OutputWriter::CompareWith(std::string_view original) {
    m_original = original;
    m_compared = 0;
    m_same = true;
}

void OutputWriter::Write(std::string_view bytes) {
    m_written += bytes.size();
    if (m_same) {
        // A stretch of the original written where it was needs no comparison.
        const bool differs = bytes.size() > m_original.size() - m_compared ||
                             (bytes.data() != m_original.data() + m_compared &&
                              bytes != m_original.substr(m_compared, bytes.size()));
        m_same = !differs;
        m_compared += bytes.size();
    }
    if (m_fd < 0) {
        if (m_memory) m_memory->append(bytes);
        return;
    }
    if (m_failed) return;
    // A long stretch is not worth a copy into the buffer: it goes to the file as it is.
    if (bytes.size() >= kWriteThroughFrom) {
        Flush();
        WriteThrough(bytes);
        return;
    }
    if (m_buffer.size() + bytes.size() <= kBufferSize) {
        m_buffer.append(bytes);
        return;
    }
    Flush();
    m_buffer.append(bytes);
}

bool OutputWriter::Flush() {
    if (!m_buffer.empty()) {
        WriteThrough(m_buffer);
        m_buffer.clear();
    }
    return !m_failed;
}

void OutputWriter::WriteThrough(std::string_view bytes) {
    if (m_hasher && !m_failed) m_hasher->Update(bytes);
    while (!m_failed && !bytes.empty()) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            m_failed = true;
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

}  // namespace kesto
