#include "gui/app/KestoApp.h"

#include <QApplication>
#include <QIcon>

#include "gui/app/GuiHosts.h"
#include "gui/app/MainFrame.h"
#include "settings/Settings.h"

namespace kesto {

CKestoApp::CKestoApp() : m_hosts(std::make_unique<GuiHosts>()) {
}

// The main frame's windows use the hosts: they go first.
CKestoApp::~CKestoApp() {
    m_mainFrame.reset();
}

bool CKestoApp::IsSettingsFileArgument(const QString& argument) {
    return argument.indexOf(QStringLiteral(".ini"), 0, Qt::CaseInsensitive) > 0;
}

bool CKestoApp::InitInstance(const QStringList& arguments) {
    const QString argument = arguments.isEmpty() ? QString() : arguments.first();
    const bool settingsArgument = IsSettingsFileArgument(argument);
    const std::string programDirectory = QCoreApplication::applicationDirPath().toStdString();
    m_settingsPath =
        SettingsFilePath(programDirectory, settingsArgument ? argument.toStdString() : "");

    m_mainFrame = std::make_unique<CMainFrame>(m_settingsPath, m_hosts->bundle());
    m_mainFrame->setWindowIcon(QIcon(QStringLiteral(":/icons/kesto.svg")));
    CMainFrame* frame = m_mainFrame.get();
    m_hosts->AttachMainWindow(
        frame, [frame](const QString& what, const QString& percent, const QString& count) {
            frame->SetStatusPanes(what, percent, count);
        });

    const Qt::WindowStates state = frame->RestorePlacement();
    if (!frame->OpenFirstWindows(settingsArgument ? std::string() : argument.toStdString())) {
        return false;
    }
    frame->setWindowState(state);
    frame->show();
    return true;
}

}  // namespace kesto
