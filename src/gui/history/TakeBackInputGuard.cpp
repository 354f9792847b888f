#include "gui/history/TakeBackInputGuard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace kesto {
namespace {

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

bool IsStopGesture(const QEvent& event) {
    if (event.type() == QEvent::MouseButtonDblClick) {
        return static_cast<const QMouseEvent&>(event).button() == Qt::RightButton;
    }
    return event.type() == QEvent::KeyPress &&
           static_cast<const QKeyEvent&>(event).key() == Qt::Key_Escape;
}

}  // namespace

TakeBackInputGuard::TakeBackInputGuard(QObject& mainWindow) : m_mainWindow(mainWindow) {
    // The newest filter is asked first: the application's other filters, the run's abort
    // gesture among them, see nothing of the input dropped here.
    qApp->installEventFilter(this);
}

TakeBackInputGuard::~TakeBackInputGuard() {
    qApp->removeEventFilter(this);
}

bool TakeBackInputGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && watched == &m_mainWindow) {
        event->ignore();
        m_stopAsked = true;
        return true;
    }
    if (!IsUserInput(event->type())) return false;
    m_stopAsked = m_stopAsked || IsStopGesture(*event);
    return true;
}

}  // namespace kesto
