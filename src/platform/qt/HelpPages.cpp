#include "platform/qt/HelpPages.h"

#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace kesto {

namespace {

constexpr int kContentsContext = 3000;

QString ResourcePath(int context) {
    return QStringLiteral(":/help/%1.html").arg(context);
}

}  // namespace

bool HasHelpPage(int context) {
    return QFile::exists(ResourcePath(context));
}

QString HelpPagePath(int context) {
    return ResourcePath(HasHelpPage(context) ? context : kContentsContext);
}

void ShowHelpTopic(int context, QWidget* parent) {
    static QPointer<QDialog> window;
    static QTextBrowser* browser = nullptr;
    if (!window) {
        window = new QDialog(parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(QStringLiteral("Search/Replace Help"));
        window->resize(560, 480);
        browser = new QTextBrowser(window);
        browser->setOpenExternalLinks(true);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(browser);
    }
    browser->setSource(QUrl(QStringLiteral("qrc") + HelpPagePath(context)));
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace kesto
