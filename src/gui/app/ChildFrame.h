// CChildFrame: a session window inside the main frame. It owns the window's document and
// log view, and refuses to close while the window's session runs.
#pragma once

#include <QMdiSubWindow>
#include <memory>
#include <optional>

#include "session/SessionDocument.h"

namespace kesto {

class CKestoDoc;
class CKestoView;
class CPreviewChoices;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(std::unique_ptr<CKestoDoc> doc, QWidget* parent = nullptr);
    ~CChildFrame() override;

    CKestoDoc& document() { return *m_doc; }
    CKestoView& view() { return *m_view; }
    // The changes of the window's preview to choose from, once a preview went through every
    // file and would change some; null before and otherwise.
    CPreviewChoices* previewChoices();

    // Shows the document's name as the window title.
    void UpdateTitle();

    // The new-run command of the window: the mode dialogs, then the run, its log filling
    // the view. Does nothing once a run was started here.
    RunOutcome RunSession();
signals:
    // RunSession ended: whatever the run started, it is over and its log complete.
    void runEnded();

public:
    // Whether RunSession is under way: from the mode dialog to the end of the run, also
    // between the dialogs while the session is not yet marked as running.
    bool runInProgress() const { return m_runInProgress; }
    // Other dialogs to start a run with than the window's own (tests script them); not owned.
    void SetModeDialogs(ModeDialogs* dialogs) { m_otherModeDialogs = dialogs; }
    // The run the window starts instead of showing the mode dialogs.
    void SetRequest(RunRequest request) { m_request = std::move(request); }

    static const char* const kStillRunningMessage;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // After a run: a complete preview's changes are listed under the log.
    void ShowPreviewChoices();

    std::unique_ptr<CKestoDoc> m_doc;
    CKestoView* m_view;
    CPreviewChoices* m_choices;
    std::unique_ptr<ModeDialogs> m_modeDialogs;
    ModeDialogs* m_otherModeDialogs = nullptr;
    std::optional<RunRequest> m_request;
    bool m_runInProgress = false;
};

}  // namespace kesto
