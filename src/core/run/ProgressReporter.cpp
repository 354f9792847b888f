#include "run/ProgressReporter.h"

namespace kesto {
namespace {

constexpr std::string_view kReady = "Ready";

}  // namespace

ProgressReporter::ProgressReporter(const SessionState& state, RunControl& control, StatusHost& host)
    : m_state(state), m_control(control), m_host(host) {
}

void ProgressReporter::SetFileCounts(int currentIndex, int fileCount) {
    m_currentIndex = currentIndex;
    m_fileCount = fileCount;
}

void ProgressReporter::ShowFileProgress(std::string_view name, int percent) {
    if (name == kReady) {
        ShowReady();
        return;
    }
    ShowAndPump("Searching -> " + std::string(name), FilePercentText(percent), FileCountText());
}

void ProgressReporter::ShowBatchProgress(std::string_view name, int percent, int pairNumber) {
    if (name == kReady) {
        ShowReady();
        return;
    }
    ShowAndPump("File -> " + std::string(name) + "  SR set: " + std::to_string(pairNumber),
                FilePercentText(percent), FileCountText());
}

void ProgressReporter::ShowFrameProgress(int frame, int percent) {
    if (percent >= 100) {
        ShowReady();
        return;
    }
    ShowAndPump("Building Display Frame " + std::to_string(frame),
                percent < 0 ? std::string() : std::to_string(percent) + " %processed", {});
}

void ProgressReporter::ShowReadProgress(std::string_view name, int percent) {
    ShowAndPump("Reading -> " + std::string(name), FilePercentText(percent), {});
}

void ProgressReporter::ShowWalkCounts(int matched, int examined, int directories, int logLines) {
    m_host.SetStatusPanes(
        std::to_string(matched) + "/" + std::to_string(examined) + " Files Matched/Examined",
        std::to_string(directories) + " Directory's Examined", std::to_string(logLines) + " Lines");
}

void ProgressReporter::ShowReady() {
    ShowAndPump(kReady, {}, {});
}

void ProgressReporter::PumpMessages() {
    if (m_host.PumpMessages() && m_state.sessionRunning) m_control.RequestAbort();
}

void ProgressReporter::ShowAndPump(std::string_view what, std::string_view percent,
                                   std::string_view count) {
    m_host.SetStatusPanes(what, percent, count);
    PumpMessages();
}

std::string ProgressReporter::FilePercentText(int percent) const {
    if (percent < 0) return {};
    return "File " + std::to_string(percent) + " %processed";
}

std::string ProgressReporter::FileCountText() const {
    return std::to_string(m_currentIndex) + " out of " + std::to_string(m_fileCount) + " searched";
}

}  // namespace kesto
