// CKestoApp: start-up of the application: the settings file, the main frame and its
// placement, and the first session window from the command line.
#pragma once

#include <QStringList>
#include <memory>
#include <string>

namespace kesto {

class CMainFrame;
class GuiHosts;

class CKestoApp {
public:
    CKestoApp();
    ~CKestoApp();

    // Runs the start-up steps with the program's arguments (without the program name).
    // False when the program must end (the first window could not be opened).
    bool InitInstance(const QStringList& arguments);

    CMainFrame* mainFrame() const { return m_mainFrame.get(); }
    const std::string& settingsPath() const { return m_settingsPath; }

    // The argument names another settings file: it holds ".ini", not at its start.
    static bool IsSettingsFileArgument(const QString& argument);

private:
    std::unique_ptr<GuiHosts> m_hosts;
    std::unique_ptr<CMainFrame> m_mainFrame;
    std::string m_settingsPath;
};

}  // namespace kesto
