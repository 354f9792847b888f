// TerminalHosts: the interactive side of a run on a terminal. Messages and questions go to
// standard error (questions are answered Yes), confirm answers come from standard input,
// and the status panes become a progress line on standard error when it is a terminal.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>

#include "cli/AnswerReader.h"
#include "pattern/ReplaceConfirmer.h"
#include "run/Prompter.h"
#include "run/StatusHost.h"
#include "session/SessionHosts.h"
#include "settings/ExtensionLists.h"

namespace kesto::cli {

class TerminalHosts : public Prompter,
                      public ReplaceConfirmer,
                      public StatusHost,
                      public UnknownExtensionAsker,
                      public StartDirectoryChooser {
public:
    TerminalHosts(bool showProgress, ExtensionChoice extensionAnswer,
                  std::optional<StartDirectoryChoice> startDirectory);
    ~TerminalHosts() override;

    void ShowMessage(std::string_view text, MessageIcon icon) override;
    bool AskYesNo(std::string_view text) override;
    ConfirmAnswer ConfirmReplace(const ConfirmRequest& request) override;
    void SetStatusPanes(std::string_view what, std::string_view percent,
                        std::string_view count) override;
    // A signal that ends the run counts as the abort gesture.
    bool PumpMessages() override;
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    ExtensionChoice AskAboutExtension(std::string_view base, std::string_view extension) override;
    std::optional<StartDirectoryChoice> ChooseStartDirectory(
        const StartDirectoryChoice& initial) override;

private:
    void ClearProgressLine();

    bool m_showProgress;
    ExtensionChoice m_extensionAnswer;
    std::optional<StartDirectoryChoice> m_startDirectory;
    bool m_progressShown = false;
    AnswerReader m_answers{STDIN_FILENO};
};

}  // namespace kesto::cli
