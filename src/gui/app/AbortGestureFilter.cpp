#include "gui/app/AbortGestureFilter.h"

#include <QEvent>
#include <QMouseEvent>

namespace kesto {

bool AbortGestureFilter::TakeSeen() {
    const bool seen = m_seen;
    m_seen = false;
    return seen;
}

bool AbortGestureFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        m_seen = true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kesto
