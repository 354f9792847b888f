#include "platform/InterruptSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace kesto {
namespace {

volatile std::sig_atomic_t g_signal = 0;

// The read end wakes a wait for input; the handler writes a byte to the other end, so a
// signal that lands on another thread, or just before the wait begins, is not lost.
int g_wake[2] = {-1, -1};

extern "C" void RecordInterrupt(int number) {
    if (g_signal == 0) g_signal = number;
    if (g_wake[1] >= 0) {
        const int saved = errno;
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(g_wake[1], &byte, 1);
        errno = saved;
    }
}

void DrainWakePipe() {
    if (g_wake[0] < 0) return;
    char bytes[64];
    while (::read(g_wake[0], bytes, sizeof bytes) > 0) {
    }
}

}  // namespace

void InstallInterruptHandlers() {
    if (g_wake[0] < 0 && ::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_wake[0] = g_wake[1] = -1;
    }
    struct sigaction action {};
    action.sa_handler = RecordInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a waiting read returns with EINTR
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(number, &action, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

bool InterruptRequested() {
    return g_signal != 0;
}

int InterruptSignal() {
    return g_signal;
}

void ForgetInterrupt() {
    g_signal = 0;
    DrainWakePipe();
}

bool WaitForInputOrInterrupt(int fd) {
    for (;;) {
        if (InterruptRequested()) return false;
        pollfd watched[2] = {{fd, POLLIN, 0}, {g_wake[0], POLLIN, 0}};
        const int count = ::poll(watched, g_wake[0] >= 0 ? 2 : 1, -1);
        if (count < 0) {
            if (errno == EINTR) continue;
            return true;  // the read that follows reports the fault
        }
        if (InterruptRequested()) return false;
        if (watched[0].revents != 0) return true;
        DrainWakePipe();  // a byte left by a signal already forgotten
    }
}

}  // namespace kesto
