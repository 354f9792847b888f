#include "gui/app/GuiHosts.h"

#include <QApplication>
#include <QMessageBox>

#include "gui/run/ConfirmReplaceDlg.h"
#include "gui/selection/StartDirDlg.h"
#include "gui/selection/UnknownExtDlg.h"
#include "platform/InterruptSignals.h"
#include "platform/qt/DisplayText.h"

namespace kesto {

namespace {

const QString kTitle = QStringLiteral("Search/Replace");

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

QString Text(std::string_view bytes) {
    return DisplayText(bytes);
}

}  // namespace

GuiHosts::GuiHosts() {
    qApp->installEventFilter(&m_gesture);
}

GuiHosts::~GuiHosts() {
    qApp->removeEventFilter(&m_gesture);
    while (m_waitCursorDepth > 0) EndWaitCursor();
}

void GuiHosts::AttachMainWindow(QWidget* window, PaneWriter panes) {
    m_window = window;
    m_panes = std::move(panes);
}

SessionHosts GuiHosts::bundle() {
    return SessionHosts{*this, *this, *this, *this, *this, m_trash};
}

QWidget* GuiHosts::DialogParent() const {
    if (QWidget* active = QApplication::activeWindow()) return active;
    return m_window.data();
}

void GuiHosts::ShowMessage(std::string_view text, MessageIcon icon) {
    QMessageBox box(BoxIcon(icon), kTitle, Text(text), QMessageBox::Ok, DialogParent());
    box.exec();
}

bool GuiHosts::AskYesNo(std::string_view text) {
    QMessageBox box(QMessageBox::Question, kTitle, Text(text), QMessageBox::Yes | QMessageBox::No,
                    DialogParent());
    return box.exec() == QMessageBox::Yes;
}

void GuiHosts::SetStatusPanes(std::string_view what, std::string_view percent,
                              std::string_view count) {
    if (m_panes) m_panes(Text(what), Text(percent), Text(count));
}

bool GuiHosts::PumpMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    const bool gesture = m_gesture.TakeSeen();
    // A signal stops the pass at its next check, before the main frame's timer comes round.
    return gesture || InterruptRequested();
}

void GuiHosts::BeginWaitCursor() {
    ++m_waitCursorDepth;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void GuiHosts::EndWaitCursor() {
    if (m_waitCursorDepth == 0) return;
    --m_waitCursorDepth;
    QApplication::restoreOverrideCursor();
}

ConfirmAnswer GuiHosts::ConfirmReplace(const ConfirmRequest& request) {
    // The question is the user's turn: no wait cursor over it.
    const int hidden = m_waitCursorDepth;
    for (int i = 0; i < hidden; ++i) QApplication::restoreOverrideCursor();
    CConfirmReplaceDlg dialog(request, DialogParent());
    dialog.exec();
    for (int i = 0; i < hidden; ++i) QApplication::setOverrideCursor(Qt::WaitCursor);
    return dialog.answer();
}

ExtensionChoice GuiHosts::AskAboutExtension(std::string_view base, std::string_view extension) {
    CUnknownExtDlg dialog(base, extension, DialogParent());
    dialog.exec();
    return dialog.choice();
}

std::optional<StartDirectoryChoice> GuiHosts::ChooseStartDirectory(
    const StartDirectoryChoice& initial) {
    CStartDirDlg dialog(initial, DialogParent(), this);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.choice();
}

}  // namespace kesto
