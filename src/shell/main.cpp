// kesto: the desktop application.
#include <QApplication>
#include <QGuiApplication>

#include "shell/KestoApp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Search/Replace"));
    QGuiApplication::setDesktopFileName(QStringLiteral("kesto"));
    kesto::CKestoApp app;
    if (!app.InitInstance(QApplication::arguments().mid(1))) return 1;
    return QApplication::exec();
}
