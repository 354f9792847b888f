// InterruptSignals: SIGINT, SIGTERM and SIGHUP end a run as Abort does.
//
// The handlers only set a flag; the message pump of the terminal and of the window reads
// it and reports it as the abort gesture, so the running pass stops at its next check, the
// file in hand is left as it was and every changed file gets its original back. Nothing
// else runs inside a handler but a write to a pipe of its own, which wakes a wait for an
// answer on standard input even when the signal came on another thread or just before the
// wait began.
#pragma once

namespace kesto {

// Installs the three handlers and ignores SIGPIPE, so that a closed pipe on standard output
// is a failed write the caller sees instead of the end of the process.
void InstallInterruptHandlers();

// Whether one of the three signals has arrived since the handlers were installed.
bool InterruptRequested();

// The number of the signal that arrived first, 0 when none did.
int InterruptSignal();

// Clears the flag, so that a test which raised one of the signals leaves none behind.
void ForgetInterrupt();

// Blocks until `fd` can be read without waiting (input, its end or a fault) and returns
// true, or until one of the three signals arrives, or has arrived, and returns false.
bool WaitForInputOrInterrupt(int fd);

}  // namespace kesto
