// ProgressReporter: the texts of the status panes during a run, and the message pump that
// follows each report.
//
// The passes and drivers say what they are doing; the reporter formats the three panes,
// hands them to the StatusHost, and pumps messages. An abort gesture seen while files are
// being processed aborts the run, which the passes test between lines.
#pragma once

#include <string>
#include <string_view>

#include "run/RunControl.h"
#include "run/SessionState.h"
#include "run/StatusHost.h"

namespace kesto {

class ProgressReporter {
public:
    ProgressReporter(const SessionState& state, RunControl& control, StatusHost& host);

    // The position of the current file in the run's file list (0-based) and its length.
    void SetFileCounts(int currentIndex, int fileCount);

    // "Searching -> name", "File n %processed", "i out of N searched"; "Ready" alone when
    // `name` is "Ready". A negative percent leaves the percentage pane empty.
    void ShowFileProgress(std::string_view name, int percent);
    // "File -> name  SR set: p" in the first pane, the rest as ShowFileProgress.
    void ShowBatchProgress(std::string_view name, int percent, int pairNumber);
    // "Building Display Frame f" and "n %processed" while a frame is built; "Ready" at 100.
    void ShowFrameProgress(int frame, int percent);
    // "Reading -> name" and "File n %processed" while a saved log is read.
    void ShowReadProgress(std::string_view name, int percent);
    // The walk's counters; the walk pumps messages itself.
    void ShowWalkCounts(int matched, int examined, int directories, int logLines);
    void ShowReady();

    // Runs pending messages; the abort gesture counts only while files are processed.
    void PumpMessages();

    StatusHost& host() { return m_host; }

private:
    void ShowAndPump(std::string_view what, std::string_view percent, std::string_view count);
    std::string FilePercentText(int percent) const;
    std::string FileCountText() const;

    const SessionState& m_state;
    RunControl& m_control;
    StatusHost& m_host;
    int m_currentIndex = 0;
    int m_fileCount = 0;
};

}  // namespace kesto
