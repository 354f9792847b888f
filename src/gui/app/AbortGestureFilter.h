// AbortGestureFilter: sees a right-button double-click anywhere in the application.
//
// Installed on the application object, so every window's events pass it. It only
// remembers the gesture; the message pump of a running session asks for it and turns it
// into an abort request while files are being processed.
#pragma once

#include <QObject>

namespace kesto {

class AbortGestureFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Whether the gesture was seen since the last call; clears it.
    bool TakeSeen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_seen = false;
};

}  // namespace kesto
