#include "platform/InterruptSignals.h"

#include <signal.h>

#include <csignal>
#include <initializer_list>

namespace kesto {
namespace {

volatile std::sig_atomic_t g_signal = 0;

extern "C" void RecordInterrupt(int number) {
    if (g_signal == 0) g_signal = number;
}

}  // namespace

void InstallInterruptHandlers() {
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
}

}  // namespace kesto
