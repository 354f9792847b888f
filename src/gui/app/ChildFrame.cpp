#include "gui/app/ChildFrame.h"

#include <QCloseEvent>
#include <QSplitter>

#include "gui/app/KestoDoc.h"
#include "gui/log/KestoView.h"
#include "gui/log/PreviewChoices.h"
#include "gui/run/WindowModeDialogs.h"
#include "platform/qt/DisplayText.h"

namespace kesto {

const char* const CChildFrame::kStillRunningMessage =
    "Currently processing files.  Won't CLOSE until search is COMPLETE!\n"
    "If you wish to abort the search/replace operation, double click on\n"
    "one of the DISPLAYED lines in the ACTIVE Search/Replace window!!!!";

CChildFrame::CChildFrame(std::unique_ptr<CKestoDoc> doc, QWidget* parent)
    : QMdiSubWindow(parent),
      m_doc(std::move(doc)),
      m_view(new CKestoView(*m_doc, this)),
      m_choices(new CPreviewChoices(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_view);
    split->addWidget(m_choices);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setChildrenCollapsible(false);
    m_choices->hide();
    setWidget(split);
    setMinimumSize(240, 150);
    UpdateTitle();
    m_modeDialogs = std::make_unique<WindowModeDialogs>(*m_doc, this);
    connect(m_view, &CKestoView::firstUpdateOfEmptyLog, this, [this] { RunSession(); });
}

RunOutcome CChildFrame::RunSession() {
    if (m_doc->state().runStarted) return RunOutcome::Cancelled;
    m_runInProgress = true;
    m_view->BeginRunDisplay();
    SessionDocument& session = m_doc->session();
    const RunOutcome outcome =
        m_request ? session.RunRequested(*std::exchange(m_request, std::nullopt))
                  : session.StartRun(m_otherModeDialogs ? *m_otherModeDialogs : *m_modeDialogs);
    m_view->EndRunDisplay();
    m_runInProgress = false;
    ShowPreviewChoices();
    UpdateTitle();
    emit runEnded();
    return outcome;
}

void CChildFrame::ShowPreviewChoices() {
    const SessionDocument& session = m_doc->session();
    if (!session.previewing() || !session.previewComplete()) return;
    std::vector<FilePatch> patches = session.PreviewPatches();
    if (patches.empty()) return;
    m_choices->ShowChanges(std::move(patches), session.PreviewChangesLineForLine());
    m_choices->show();
}

CPreviewChoices* CChildFrame::previewChoices() {
    return m_choices->isHidden() ? nullptr : m_choices;
}

// The view refers to the document: it goes first.
CChildFrame::~CChildFrame() {
    delete m_view;
}

void CChildFrame::UpdateTitle() {
    setWindowTitle(DisplayText(m_doc->title()));
    setAccessibleName(windowTitle());
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (m_doc->state().sessionRunning) {
        m_doc->session().hosts().prompter.ShowMessage(kStillRunningMessage, MessageIcon::Stop);
        event->ignore();
        return;
    }
    m_doc->windowClosing = true;
    QMdiSubWindow::closeEvent(event);
}

}  // namespace kesto
