#include "gui/app/DialogCentring.h"

#include <QDialog>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace kesto {

DialogCentring::DialogCentring(QWidget& mainWindow)
    : QObject(&mainWindow), m_mainWindow(mainWindow) {
}

bool DialogCentring::eventFilter(QObject* watched, QEvent* event) {
    // Sent just before the window is mapped: a move now is where it first appears.
    if (event->type() == QEvent::Show && !event->spontaneous()) {
        if (auto* dialog = qobject_cast<QDialog*>(watched); dialog && dialog->isWindow()) {
            // A dialog that placed itself, or is shown again, keeps its place.
            if (!dialog->testAttribute(Qt::WA_Moved)) Centre(*dialog);
        }
    }
    return QObject::eventFilter(watched, event);
}

void DialogCentring::Centre(QDialog& dialog) const {
    QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window() : &m_mainWindow;
    if (!owner->isVisible() && owner != &m_mainWindow) owner = &m_mainWindow;
    const QScreen* screen = owner->screen();
    if (!screen) return;
    const QRect free = screen->availableGeometry();
    // A maximized owner fills the free area, whatever its geometry says before the window
    // manager has acted; one not shown yet is no guide at all.
    const QRect over = owner->isMaximized() || !owner->isVisible() ? free : owner->frameGeometry();
    const QSize size = dialog.frameGeometry().size();
    const int left = std::clamp(over.center().x() - size.width() / 2, free.left(),
                                std::max(free.left(), free.right() + 1 - size.width()));
    const int top = std::clamp(over.center().y() - size.height() / 2, free.top(),
                               std::max(free.top(), free.bottom() + 1 - size.height()));
    dialog.move(left, top);
}

}  // namespace kesto
