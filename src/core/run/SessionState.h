// SessionState: where the session of one log window stands. The driver writes it as the
// run goes; the window reads it (a running session is aborted before its window closes, a
// double-click on the log aborts it instead of opening an editor).
#pragma once

namespace kesto {

struct SessionState {
    // The window's run was started (its dialog shown); a window hosts one run.
    bool runStarted = false;
    // Files are being processed.
    bool sessionRunning = false;
};

}  // namespace kesto
