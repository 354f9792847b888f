// TakeBackInputGuard: the user's input while files are taken back, from its making to its end.
//
// Installed on the application object, so every window's events pass it. The input is
// dropped, so that no command starts while files are being swapped, except the gestures
// that stop the work after the file in hand: a right-button double-click anywhere (which
// stops a run too), Escape, and the close control of the main window, which then stays open
// to show what was done.
#pragma once

#include <QObject>

namespace kesto {

class TakeBackInputGuard : public QObject {
    Q_OBJECT
public:
    // `mainWindow`: the window whose close control stops the work.
    explicit TakeBackInputGuard(QObject& mainWindow);
    ~TakeBackInputGuard() override;
    TakeBackInputGuard(const TakeBackInputGuard&) = delete;
    TakeBackInputGuard& operator=(const TakeBackInputGuard&) = delete;

    bool stopAsked() const { return m_stopAsked; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QObject& m_mainWindow;
    bool m_stopAsked = false;
};

}  // namespace kesto
