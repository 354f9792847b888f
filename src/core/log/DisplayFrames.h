// DisplayFrames: which page of 32000 log lines the log view shows, the enabling rules of
// the frame commands and the texts of the two status panes that follow the frame.
//
// The log store keeps every line; the view shows one frame of them. During a run the
// view shows frame 1 as it fills; when the run ends the frame count is fixed from the
// number of lines stored.
#pragma once

#include <string>

namespace kesto {

class DisplayFrames {
public:
    int currentFrame() const { return m_currentFrame; }
    int frameCount() const { return m_frameCount; }

    // Frame 1 of 1, as a new window starts.
    void Reset();
    // The number of frames for `logLineCount` lines; a log of up to 32000 lines keeps one.
    void SetFrameCount(int logLineCount);
    // Makes `frame` current, kept within 1..frameCount.
    void SetCurrentFrame(int frame);

    bool CanGoNext() const { return m_frameCount > 1 && m_currentFrame < m_frameCount; }
    bool CanGoPrevious() const { return m_frameCount > 1 && m_currentFrame > 1; }
    bool CanGoTo() const { return m_frameCount > 1; }
    // What the Go To dialog makes of a typed number: above the count the last frame, below
    // 1 the first.
    int ClampFrame(int frame) const;

    // The stored lines of the current frame: first <= index < end.
    int FirstLine() const;
    int EndLine(int logLineCount) const;
    // The absolute index of a position in the current frame.
    int AbsoluteIndex(int position) const { return FirstLine() + position; }

    // "%d/%d Lines": the lines of the current frame, then all stored lines.
    std::string LinesPaneText(int logLineCount) const;
    // "Display Frame %d of %d".
    std::string FramePaneText() const;

private:
    int m_currentFrame = 1;
    int m_frameCount = 1;
};

}  // namespace kesto
