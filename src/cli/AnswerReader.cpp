#include "cli/AnswerReader.h"

#include <unistd.h>

#include <cerrno>

#include "platform/InterruptSignals.h"

namespace kesto::cli {

std::optional<std::string> AnswerReader::ReadLine() {
    for (;;) {
        if (InterruptRequested()) return std::nullopt;
        const std::size_t end = m_pending.find('\n');
        if (end != std::string::npos) return TakeLine(end);
        if (m_ended) return m_pending.empty() ? std::nullopt : TakeLine(m_pending.size());
        if (!ReadMore()) return std::nullopt;
    }
}

std::optional<std::string> AnswerReader::TakeLine(std::size_t end) {
    std::string line = m_pending.substr(0, end);
    m_pending.erase(0, end < m_pending.size() ? end + 1 : end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

bool AnswerReader::ReadMore() {
    if (!WaitForInputOrInterrupt(m_fd)) return false;
    char bytes[4096];
    const ssize_t count = ::read(m_fd, bytes, sizeof bytes);
    if (count < 0) return errno == EINTR || errno == EAGAIN;
    if (count == 0) m_ended = true;
    m_pending.append(bytes, static_cast<std::size_t>(count));
    return true;
}

}  // namespace kesto::cli
