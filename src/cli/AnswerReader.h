// AnswerReader: the lines a user types, or a pipe carries, in answer to the run's questions.
//
// It reads the descriptor itself, without the buffer of the C streams, so that it can wait
// for input and for an interrupting signal at once: bytes already buffered are never left
// behind a wait, and a signal that lands between the check and the read still ends the wait.
#pragma once

#include <optional>
#include <string>

namespace kesto::cli {

class AnswerReader {
public:
    explicit AnswerReader(int fd) : m_fd(fd) {}

    // The next line without its line break (and without a carriage return before it); the
    // last line counts even without a break. Nothing at the end of the input, on a read
    // error or when an interrupting signal arrived before or during the wait.
    std::optional<std::string> ReadLine();

private:
    std::optional<std::string> TakeLine(std::size_t end);
    bool ReadMore();

    int m_fd;
    std::string m_pending;
    bool m_ended = false;
};

}  // namespace kesto::cli
