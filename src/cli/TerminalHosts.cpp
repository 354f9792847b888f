#include "cli/TerminalHosts.h"

#include <unistd.h>

#include <iostream>

#include "platform/InterruptSignals.h"

namespace kesto::cli {

TerminalHosts::TerminalHosts(bool showProgress, ExtensionChoice extensionAnswer,
                             std::optional<StartDirectoryChoice> startDirectory)
    : m_showProgress(showProgress),
      m_extensionAnswer(extensionAnswer),
      m_startDirectory(std::move(startDirectory)) {
}

TerminalHosts::~TerminalHosts() {
    ClearProgressLine();
}

void TerminalHosts::ClearProgressLine() {
    if (!m_progressShown) return;
    std::cerr << "\r\033[K" << std::flush;
    m_progressShown = false;
}

void TerminalHosts::ShowMessage(std::string_view text, MessageIcon) {
    ClearProgressLine();
    std::cerr << text << '\n' << std::flush;
}

bool TerminalHosts::AskYesNo(std::string_view text) {
    ClearProgressLine();
    std::cerr << text << '\n' << std::flush;
    return true;
}

bool TerminalHosts::PumpMessages() {
    return InterruptRequested();
}

namespace {

// The end of standard input stops the run; a signal that cut the read short aborts it.
ConfirmAnswer NoAnswer() {
    return {InterruptRequested() ? ConfirmChoice::Abort : ConfirmChoice::StopNow, {}};
}

}  // namespace

ConfirmAnswer TerminalHosts::ConfirmReplace(const ConfirmRequest& request) {
    ClearProgressLine();
    const int width = std::max(1, request.highlightEnd - request.highlightStart);
    std::cerr << request.fileName << '\n'
              << request.lineNumber << '\n'
              << request.displayedLine << '\n'
              << std::string(static_cast<std::size_t>(std::max(0, request.highlightStart)), ' ')
              << std::string(static_cast<std::size_t>(width), '^') << '\n'
              << "[r]eplace, replace [a]ll this file, [e]dit, [g]lobal, [s]kip, skip rest of "
                 "[f]ile, stop [n]ow, abort [x]? "
              << std::flush;
    for (;;) {
        const std::optional<std::string> answer = m_answers.ReadLine();
        if (!answer) return NoAnswer();
        switch (answer->empty() ? '\0' : (*answer)[0]) {
        case 'r':
            return {ConfirmChoice::ReplaceIt, {}};
        case 'a':
            return {ConfirmChoice::ReplaceAllThisFile, {}};
        case 'g':
            return {ConfirmChoice::GlobalReplace, {}};
        case 's':
            return {ConfirmChoice::SkipIt, {}};
        case 'f':
            return {ConfirmChoice::SkipRestOfFile, {}};
        case 'n':
            return {ConfirmChoice::StopNow, {}};
        case 'x':
            return {ConfirmChoice::Abort, {}};
        case 'e': {
            const std::optional<std::string> edited = m_answers.ReadLine();
            if (!edited) return NoAnswer();
            return {ConfirmChoice::ReplaceIt, *edited};
        }
        default:
            // Answers from a file or a pipe cannot be asked again: a stream of unknown ones
            // (`yes | kesto-cli -i`) would keep the question going for ever.
            if (!::isatty(STDIN_FILENO)) {
                ShowMessage("Answer \"" + answer->substr(0, 40) +
                                "\" not understood, the run stops as with Stop Now!",
                            MessageIcon::Stop);
                return {ConfirmChoice::StopNow, {}};
            }
            std::cerr << "? " << std::flush;
        }
    }
}

void TerminalHosts::SetStatusPanes(std::string_view what, std::string_view percent,
                                   std::string_view count) {
    if (!m_showProgress) return;
    std::string text(what);
    if (!percent.empty()) text += "  " + std::string(percent);
    if (!count.empty()) text += "  " + std::string(count);
    if (text.size() > 120) text = text.substr(0, 117) + "...";
    std::cerr << "\r\033[K" << text << std::flush;
    m_progressShown = true;
}

ExtensionChoice TerminalHosts::AskAboutExtension(std::string_view, std::string_view) {
    return m_extensionAnswer;
}

std::optional<StartDirectoryChoice> TerminalHosts::ChooseStartDirectory(
    const StartDirectoryChoice&) {
    return m_startDirectory;
}

}  // namespace kesto::cli
