// GuiHosts: the core's interactive interfaces in the window: message boxes, the three
// status panes of the main frame, the message pump with the abort gesture (a right-button
// double-click, or SIGINT, SIGTERM or SIGHUP), the wait cursor and the trash.
//
// The confirm-replace question, the unknown-extension question and the start-directory
// choice are answered by their dialogs.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

#include "gui/app/AbortGestureFilter.h"
#include "pattern/ReplaceConfirmer.h"
#include "platform/FreedesktopTrash.h"
#include "run/Prompter.h"
#include "run/StatusHost.h"
#include "session/SessionHosts.h"
#include "settings/ExtensionLists.h"

namespace kesto {

class GuiHosts : public Prompter,
                 public StatusHost,
                 public ReplaceConfirmer,
                 public UnknownExtensionAsker,
                 public StartDirectoryChooser {
public:
    using PaneWriter = std::function<void(const QString&, const QString&, const QString&)>;

    // Installs the abort-gesture filter on the application.
    GuiHosts();
    ~GuiHosts() override;
    GuiHosts(const GuiHosts&) = delete;
    GuiHosts& operator=(const GuiHosts&) = delete;

    // Where the panes go (the main frame's status bar) and the parent of message boxes.
    void AttachMainWindow(QWidget* window, PaneWriter panes);

    SessionHosts bundle();

    void ShowMessage(std::string_view text, MessageIcon icon) override;
    bool AskYesNo(std::string_view text) override;

    void SetStatusPanes(std::string_view what, std::string_view percent,
                        std::string_view count) override;
    bool PumpMessages() override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

    ConfirmAnswer ConfirmReplace(const ConfirmRequest& request) override;
    ExtensionChoice AskAboutExtension(std::string_view base, std::string_view extension) override;
    std::optional<StartDirectoryChoice> ChooseStartDirectory(
        const StartDirectoryChoice& initial) override;

private:
    QWidget* DialogParent() const;

    AbortGestureFilter m_gesture;
    FreedesktopTrash m_trash;
    QPointer<QWidget> m_window;
    PaneWriter m_panes;
    int m_waitCursorDepth = 0;
};

}  // namespace kesto
