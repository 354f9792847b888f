// kesto: the desktop application.
#include <QApplication>
#include <QGuiApplication>

#include "gui/app/KestoApp.h"
#include "platform/InterruptSignals.h"
#include "platform/OpenFileLimit.h"
#include "platform/StandardStreams.h"

int main(int argc, char** argv) {
    // First of all: from here on these signals end a run as Abort does, never the program
    // in the middle of one.
    kesto::KeepStandardStreamsOpen();
    kesto::InstallInterruptHandlers();
    kesto::RaiseOpenFileLimit();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Search/Replace"));
    // The installed desktop entry's name, by which a desktop matches the window to its entry,
    // its icon and its AppStream record.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kesto.Kesto"));
    kesto::CKestoApp app;
    if (!app.InitInstance(QApplication::arguments().mid(1))) return 1;
    return QApplication::exec();
}
