// CMainFrame: the application's main window: the session windows in a multiple-document
// area, the two menus (one while no session window is open, one while one is active), the
// toolbar, the three-pane status bar, the recent files, the window placement, and the
// files dropped on it.
//
// The commands, the menus that show them and the toolbar are laid out in CommandTable: the
// frame makes its actions, menus and toolbar from that table and connects each command to
// its handler. The log, find, print, save and frame commands act on the active session
// window; the enabled state of every command is computed in one place, UpdateCommandUI.
// Undo, the run history and the recovery at start are RunHistoryCommands', which shows its
// reports in windows of this frame.
//
// SIGINT, SIGTERM and SIGHUP (platform/InterruptSignals) end the program without a
// question: every running session ends as Abort ends it (each changed file gets its
// original back, the log shows the abort), then the placement is written, the windows
// close and the application is asked to quit with QEvent::Quit.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QPrinter>
#include <array>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "gui/app/CommandTable.h"
#include "gui/app/WindowPlacement.h"
#include "gui/history/RunHistoryCommands.h"
#include "session/SessionHosts.h"
#include "settings/IniFile.h"

class QAction;
class QActionGroup;
class QMdiArea;
class QMenu;
class QTimer;
class QToolBar;

namespace kesto {

class CChildFrame;
class CKestoView;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(std::string settingsPath, SessionHosts hosts, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // --- Windows and files ---
    CChildFrame* OnFileNew();
    // Opens a saved log, or a ".sr" batch file in batch mode, in a new session window.
    // Nothing when it could not be opened (the message was shown).
    CChildFrame* OpenDocumentFile(const std::string& path);
    bool SaveActiveLog(const std::string& path);
    // After a preview in the active window: the same run for real, in a new window. Nothing
    // (and a message) when a file the preview read has changed since.
    CChildFrame* ApplyActivePreview();
    // Writes the diff of the active window's preview to `path`; a failure is shown.
    bool SaveActiveDiff(const std::string& path);
    // --- Runs taken back: RunHistoryCommands does the work ---
    // Where the windows' runs keep their journals.
    void SetJournalFolder(std::string folder) { m_runHistory.SetJournalFolder(std::move(folder)); }
    const std::string& journalFolder() const { return m_runHistory.journalFolder(); }
    CChildFrame* UndoRun(const std::string& id) { return m_runHistory.UndoRun(id); }
    CChildFrame* OnUndoLastRun() { return m_runHistory.UndoLastRun(); }
    void OnRunHistory() { m_runHistory.ShowRunHistory(); }
    // At start: offers to finish the runs that did not end.
    CChildFrame* OfferRecovery() { return m_runHistory.OfferRecovery(); }
    // The windows at start: the offer to recover, then `document` (a saved log or a batch
    // file) or without one a new session window. When the recovery put files back, its
    // report is the window in front and no new session window is opened. False when
    // `document` could not be opened (the message was shown).
    bool OpenFirstWindows(const std::string& document);
    CChildFrame* activeChild() const;
    CKestoView* activeView() const;
    QList<CChildFrame*> children() const;
    QMdiArea* mdiArea() const { return m_mdi; }

    // --- Placement ---
    // The rectangle kept in "Last Window Data" is the whole window, its frame included.
    // Reads "Last Window Data", moves the window into the screen's free area and applies it;
    // returns the show state to use: Qt::WindowNoState, Qt::WindowMaximized or
    // Qt::WindowMinimized (with Qt::WindowMaximized when the window restores maximized).
    // Once the window manager has framed the window, its size is corrected so that the
    // frame, title bar included, lies in the free area.
    Qt::WindowStates RestorePlacement();
    WindowPlacement CurrentPlacement() const;
    void SavePlacement();

    // --- Commands ---
    QAction* action(int id) const;
    void UpdateCommandUI();
    QString paneText(int pane) const;
    void SetStatusPanes(const QString& what, const QString& percent, const QString& count);

    // The recent files, most recent first.
    const std::vector<std::string>& recentFiles() const { return m_recentFiles; }
    void AddToRecentFiles(const std::string& path);

    const IniFile& ini() const { return m_ini; }
    QPrinter& printer() { return m_printer; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void CreateActions();
    QAction* AddAction(const CommandSpec& command);
    void ConnectCommands();
    // Keys that no menu shows: the list's copy and the moves between the windows.
    void CreateKeysWithoutCommand();
    void CreateMenus();
    // The entries of one menu bar, each a menu's action or a command standing on the bar.
    std::vector<QAction*> CreateMenuBar(std::span<const MenuBarEntry> entries);
    QMenu* CreateMenu(const MenuSpec& spec);
    // `bar`: a menu or the toolbar.
    template <typename Bar>
    void AddEntries(Bar& bar, std::span<const MenuEntry> entries);
    // An item of `menu`'s own under the entry's label that triggers the entry's command.
    QAction* CreateLabelledItem(QWidget& menu, const MenuEntry& entry);
    // Lists the open session windows at the end of `menu` each time it opens.
    void ListOpenWindowsIn(QMenu& menu);
    void ActivateChild(CChildFrame& child);
    void CreateToolBar();
    void CreateStatusBar();
    static void ShowInFixedPane(QLabel& pane, const QString& text);
    void ShowMenuFor(bool sessionWindowActive);
    void RebuildRecentFileActions();
    void ReadRecentFiles();
    // `request`: what the window runs instead of showing the mode dialogs.
    CChildFrame* AddChild(std::unique_ptr<class CKestoDoc> doc,
                          std::optional<RunRequest> request = std::nullopt);
    CChildFrame* NewSessionWindow(std::optional<RunRequest> request);
    void PlaceNewChild(CChildFrame& child);
    // The primary screen's area that no panel takes.
    ScreenRect FreeArea() const;
    // Nothing until the window manager has framed the window.
    FrameMargins WindowFrameMargins() const;
    // Puts the whole window, frame included, at `frame`; a window not framed yet is fitted
    // to it once it is (FitFrameInFreeArea).
    void PlaceFrame(const ScreenRect& frame);
    void FitFrameInFreeArea();
    void OnFileSaveDiff();
    // A window that shows `lines` as its log, under `title`.
    CChildFrame* ShowReport(const std::string& title, const std::vector<std::string>& lines);
    // With `recheckPreview` false, whether the active preview can still be applied is taken
    // from the last check (the log view asks on every move of its selection).
    void UpdateCommands(bool recheckPreview);
    QPointer<CChildFrame> m_previewChecked;
    bool m_previewHolds = false;

    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnPrintSetup();
    void OnAbout();
    void OnCloseAll();
    void OnOptions();
    void OnActiveWindowChanged();
    void OnInterruptCheck();

    std::string m_settingsPath;
    IniFile m_ini;
    SessionHosts m_hosts;
    RunHistoryCommands m_runHistory;
    QMdiArea* m_mdi;
    QToolBar* m_toolBar = nullptr;
    QTimer* m_interruptTimer;
    std::array<QLabel*, 3> m_panes{};
    std::map<int, QAction*> m_actions;
    std::array<QAction*, 4> m_recentActions{};
    QActionGroup* m_openWindowEntries;
    std::vector<QAction*> m_idleMenuBar;
    std::vector<QAction*> m_sessionMenuBar;
    std::vector<std::string> m_recentFiles;
    QPrinter m_printer;
    int m_untitledCount = 0;
    bool m_placementRestored = false;
    // The whole window's restored place, and whether the window still has to be fitted to
    // it once framed.
    ScreenRect m_placedFrame;
    bool m_frameToFit = false;
};

}  // namespace kesto
