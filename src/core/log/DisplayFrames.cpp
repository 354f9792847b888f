#include "log/DisplayFrames.h"

#include <algorithm>

#include "log/LogStore.h"

namespace kesto {

void DisplayFrames::Reset() {
    m_currentFrame = 1;
    m_frameCount = 1;
}

void DisplayFrames::SetFrameCount(int logLineCount) {
    m_frameCount = LogStore::FrameCountFor(logLineCount);
    m_currentFrame = ClampFrame(m_currentFrame);
}

void DisplayFrames::SetCurrentFrame(int frame) {
    m_currentFrame = ClampFrame(frame);
}

int DisplayFrames::ClampFrame(int frame) const {
    return std::clamp(frame, 1, m_frameCount);
}

int DisplayFrames::FirstLine() const {
    return LogStore::FrameFirstLine(m_currentFrame);
}

int DisplayFrames::EndLine(int logLineCount) const {
    // While a run fills the log the frame count is still 1; frame 1 then shows its first
    // 32000 lines only, and the lines beyond wait for their frame.
    const int end = m_currentFrame * LogStore::kDisplayFrameSize;
    return std::max(FirstLine(), std::min(end, logLineCount));
}

std::string DisplayFrames::LinesPaneText(int logLineCount) const {
    const int inFrame = EndLine(logLineCount) - FirstLine();
    return std::to_string(inFrame) + "/" + std::to_string(logLineCount) + " Lines";
}

std::string DisplayFrames::FramePaneText() const {
    return "Display Frame " + std::to_string(m_currentFrame) + " of " +
           std::to_string(m_frameCount);
}

}  // namespace kesto
