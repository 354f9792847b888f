// DialogCentring: opens every dialog of the application centred over the window it belongs
// to, and whole on that window's screen.
//
// Qt's own placement centres over the owner's geometry as it stands, which is stale while a
// window manager has not yet maximized the owner, and it guesses the size of a decoration
// it has not seen; a dialog without an owner lands in the middle of the screen instead of
// over the program.
#pragma once

#include <QObject>

class QDialog;
class QWidget;

namespace kesto {

class DialogCentring : public QObject {
    Q_OBJECT
public:
    // `mainWindow` owns the dialogs that have no parent of their own.
    explicit DialogCentring(QWidget& mainWindow);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Centre(QDialog& dialog) const;

    QWidget& m_mainWindow;
};

}  // namespace kesto
