// The answers to the run's questions on standard input: lines as a pipe carries them, and
// an interrupting signal that must end the wait wherever it lands.
#include "cli/AnswerReader.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include "platform/InterruptSignals.h"

namespace kesto::cli {
namespace {

using namespace std::chrono_literals;

class AnswerReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallInterruptHandlers();
        ForgetInterrupt();
        OpenPipe();
    }
    void TearDown() override {
        ClosePipe();
        ForgetInterrupt();
    }
    void OpenPipe() {
        ClosePipe();
        ASSERT_EQ(::pipe2(m_pipe, O_CLOEXEC), 0);
    }
    void ClosePipe() {
        CloseWriteEnd();
        if (m_pipe[0] >= 0) ::close(m_pipe[0]);
        m_pipe[0] = -1;
    }
    void Write(const std::string& text) {
        ASSERT_EQ(::write(m_pipe[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    void CloseWriteEnd() {
        if (m_pipe[1] >= 0) ::close(m_pipe[1]);
        m_pipe[1] = -1;
    }
    int ReadEnd() const { return m_pipe[0]; }

private:
    int m_pipe[2] = {-1, -1};
};

TEST_F(AnswerReaderTest, LinesWrittenAtOnceComeOneByOneAndTheLastNeedsNoBreak) {
    Write("r\r\n\nedited text\nx");
    CloseWriteEnd();
    AnswerReader reader(ReadEnd());
    EXPECT_EQ(reader.ReadLine(), "r");
    EXPECT_EQ(reader.ReadLine(), "");
    EXPECT_EQ(reader.ReadLine(), "edited text");
    EXPECT_EQ(reader.ReadLine(), "x");
    EXPECT_EQ(reader.ReadLine(), std::nullopt);
    EXPECT_EQ(reader.ReadLine(), std::nullopt);
}

TEST_F(AnswerReaderTest, ALineSplitAcrossWritesWaitsForItsBreak) {
    AnswerReader reader(ReadEnd());
    std::thread writer([this] {
        Write("rep");
        std::this_thread::sleep_for(50ms);
        Write("lace\n");
    });
    EXPECT_EQ(reader.ReadLine(), "replace");
    writer.join();
}

// The signal is taken by another thread, so the reading thread's call is never cut short:
// only the handler's wake-up can end the wait. A late answer keeps a lost wake-up from
// hanging the test; the wait must end long before it.
TEST_F(AnswerReaderTest, ASignalTakenOnAnotherThreadEndsTheWait) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        ForgetInterrupt();
        OpenPipe();
        AnswerReader reader(ReadEnd());
        std::thread other([this, signal] {
            std::this_thread::sleep_for(100ms);
            ::raise(signal);
            std::this_thread::sleep_for(3s);
            Write("late\n");
        });
        // Woken by the late answer, the read would return it.
        EXPECT_EQ(reader.ReadLine(), std::nullopt);
        EXPECT_EQ(InterruptSignal(), signal);
        other.join();
    }
}

TEST_F(AnswerReaderTest, ASignalBeforeTheQuestionWinsOverWaitingInput) {
    Write("r\n");
    ::raise(SIGINT);
    AnswerReader reader(ReadEnd());
    EXPECT_EQ(reader.ReadLine(), std::nullopt);
    ForgetInterrupt();
    EXPECT_EQ(reader.ReadLine(), "r");
}

}  // namespace
}  // namespace kesto::cli
