// UniqueFd: a file descriptor that is closed on every path.
#pragma once

#include <unistd.h>

#include <utility>

namespace kesto {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

    // Closes now; false when close reported an error (for a written file: data may be lost).
    bool Close() {
        if (m_fd < 0) return true;
        const int result = ::close(std::exchange(m_fd, -1));
        return result == 0;
    }
    void Reset() { Close(); }
    // Gives the descriptor up to a new owner, which closes it.
    int Release() { return std::exchange(m_fd, -1); }

private:
    int m_fd = -1;
};

}  // namespace kesto
