#include "gui/app/MainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QListView>
#include <QMdiArea>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <type_traits>

#include "gui/app/ChildFrame.h"
#include "gui/app/DialogCentring.h"
#include "gui/app/KestoDoc.h"
#include "gui/app/SymbolicIconEngine.h"
#include "gui/app/VersionInfo.h"
#include "gui/log/KestoView.h"
#include "gui/log/PreviewChoices.h"
#include "gui/options/MySheet.h"
#include "gui/run/ConfirmReplaceDlg.h"
#include "gui/selection/UnknownExtDlg.h"
#include "platform/InterruptSignals.h"
#include "platform/qt/DisplayText.h"
#include "platform/qt/HelpPages.h"

namespace kesto {

namespace {

const QString kApplicationTitle = QStringLiteral("Search/Replace");
constexpr int kRecentFileCount = 4;
constexpr int kContentsContext = 3000;
constexpr int kSynopsisContext = 3006;
// Often enough that the program ends promptly, seldom enough to cost nothing.
constexpr int kInterruptCheckMilliseconds = 100;
constexpr double kPrintMarginMm = 15.0;

QRect ToQRect(const ScreenRect& rect) {
    return {rect.left, rect.top, rect.width(), rect.height()};
}

ScreenRect ToScreenRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

// A question of a run is answered with Abort, so that the files the run changed get their
// originals back; any other dialog is cancelled, which touches no file.
void EndModalDialog(QWidget& modal) {
    if (auto* confirm = qobject_cast<CConfirmReplaceDlg*>(&modal)) {
        confirm->button(CConfirmReplaceDlg::Abort)->click();
    } else if (auto* unknown = qobject_cast<CUnknownExtDlg*>(&modal)) {
        unknown->abortButton()->click();
    } else if (auto* dialog = qobject_cast<QDialog*>(&modal)) {
        dialog->reject();
    } else {
        modal.close();
    }
}

// The windows one above the other (Qt::Vertical) or side by side, each an equal share of
// the area.
void TileSubWindows(QMdiArea& area, Qt::Orientation orientation) {
    const QList<QMdiSubWindow*> windows = area.subWindowList();
    if (windows.isEmpty()) return;
    const auto count = static_cast<int>(windows.size());
    const QSize whole = area.viewport()->size();
    const bool stacked = orientation == Qt::Vertical;
    const QSize share = stacked ? QSize(whole.width(), whole.height() / count)
                                : QSize(whole.width() / count, whole.height());
    const QPoint step = stacked ? QPoint(0, share.height()) : QPoint(share.width(), 0);
    for (int i = 0; i < count; ++i) {
        windows[i]->showNormal();
        windows[i]->setGeometry(QRect(step * i, share));
    }
}

// The minimized windows in a row along the bottom of the area.
void ArrangeMinimized(QMdiArea& area) {
    int left = 0;
    const int bottom = area.viewport()->height();
    for (QMdiSubWindow* window : area.subWindowList()) {
        if (!window->isMinimized()) continue;
        window->move(left, bottom - window->height());
        left += window->width();
    }
}

}  // namespace

CMainFrame::CMainFrame(std::string settingsPath, SessionHosts hosts, QWidget* parent)
    : QMainWindow(parent),
      m_settingsPath(std::move(settingsPath)),
      m_ini(m_settingsPath),
      m_hosts(hosts),
      m_runHistory(
          m_ini, m_hosts.prompter, m_hosts.recycleBin, *this,
          [this](const std::string& title, const std::vector<std::string>& lines) {
              return ShowReport(title, lines);
          },
          [this](const std::string& what) { SetStatusPanes(DisplayText(what), {}, {}); }),
      m_mdi(new QMdiArea(this)),
      m_interruptTimer(new QTimer(this)),
      m_openWindowEntries(new QActionGroup(this)) {
    setWindowTitle(kApplicationTitle);
    setCentralWidget(m_mdi);
    setMinimumSize(300, 220);
    setAcceptDrops(true);
    qApp->installEventFilter(new DialogCentring(*this));
    // Qt's own margins of a few millimetres are less than most printers can reach.
    m_printer.setPageMargins(
        QMarginsF(kPrintMarginMm, kPrintMarginMm, kPrintMarginMm, kPrintMarginMm),
        QPageLayout::Millimeter);
    CreateActions();
    CreateToolBar();
    CreateStatusBar();
    CreateMenus();
    ReadRecentFiles();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::OnActiveWindowChanged);
    // Back from an editor, say: whether a preview can still be applied may have changed.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive) UpdateCommandUI();
    });
    OnActiveWindowChanged();
    connect(m_interruptTimer, &QTimer::timeout, this, &CMainFrame::OnInterruptCheck);
    m_interruptTimer->start(kInterruptCheckMilliseconds);
}

// The windows are destroyed after this frame's own members: they must no longer call back.
CMainFrame::~CMainFrame() {
    m_mdi->disconnect(this);
    // Also the windows already closed and waiting for deletion.
    for (CChildFrame* child : m_mdi->findChildren<CChildFrame*>()) {
        child->disconnect(this);
        child->view().disconnect(this);
    }
}

// --- Commands ---

QAction* CMainFrame::AddAction(const CommandSpec& command) {
    auto* act = new QAction(QString::fromLatin1(command.text), this);
    const QString prompt = QString::fromLatin1(command.prompt);
    const qsizetype split = prompt.indexOf(u'\n');
    act->setStatusTip(split < 0 ? prompt : prompt.left(split));
    if (split >= 0) act->setToolTip(prompt.mid(split + 1));
    if (command.icon) {
        act->setIcon(SymbolicIconEngine::FromTheme(QString::fromLatin1(command.icon)));
    }
    if (command.key) act->setShortcut(QKeySequence(*command.key));
    act->setCheckable(command.checkable);
    // Keys work even while the toolbar and the menu that show the command are hidden.
    addAction(act);
    m_actions[command.id] = act;
    return act;
}

QAction* CMainFrame::action(int id) const {
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

void CMainFrame::CreateActions() {
    for (const CommandSpec& command : CommandTable::Commands()) AddAction(command);
    ConnectCommands();
    CreateKeysWithoutCommand();
    for (QAction*& recent : m_recentActions) {
        recent = new QAction(this);
        connect(recent, &QAction::triggered, this,
                [this, recent] { OpenDocumentFile(recent->data().toString().toStdString()); });
    }
}

void CMainFrame::ConnectCommands() {
    const auto on = [this](CommandId id, auto slot) {
        connect(action(id), &QAction::triggered, this, slot);
    };
    const auto onView = [this, &on](CommandId id, void (CKestoView::*command)()) {
        on(id, [this, command] {
            if (CKestoView* view = activeView()) (view->*command)();
            UpdateCommandUI();
        });
    };
    const auto onPrint = [this, &on](CommandId id, void (CKestoView::*command)(QPrinter&)) {
        on(id, [this, command] {
            if (CKestoView* view = activeView(); view && view->CanPrint()) {
                (view->*command)(m_printer);
            }
        });
    };
    on(ID_FILE_NEW, [this] { OnFileNew(); });
    on(ID_FILE_OPEN, [this] { OnFileOpen(); });
    on(ID_FILE_CLOSE, [this] {
        if (QMdiSubWindow* active = m_mdi->activeSubWindow()) active->close();
    });
    on(ID_FILE_SAVE, [this] { OnFileSave(); });
    on(ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); });
    on(ID_FILE_APPLY_PREVIEW, [this] { ApplyActivePreview(); });
    on(ID_FILE_SAVE_DIFF, [this] { OnFileSaveDiff(); });
    on(ID_FILE_RUN_HISTORY, [this] { OnRunHistory(); });
    on(ID_FILE_UNDO_LAST_RUN, [this] { OnUndoLastRun(); });
    onPrint(ID_FILE_PRINT, &CKestoView::OnPrint);
    onPrint(ID_FILE_PRINT_PREVIEW, &CKestoView::OnPrintPreview);
    on(ID_FILE_PRINT_SETUP, [this] { OnPrintSetup(); });
    on(ID_APP_EXIT, [this] { close(); });
    on(ID_VIEW_TOOLBAR, [this](bool shown) { m_toolBar->setVisible(shown); });
    on(ID_VIEW_STATUS_BAR, [this](bool shown) { statusBar()->setVisible(shown); });
    on(ID_APP_ABOUT, [this] { OnAbout(); });
    on(ID_HELP_SYNOPSIS, [this] { ShowHelpTopic(kSynopsisContext, this); });
    on(ID_HELP_CONTENTS, [this] { ShowHelpTopic(kContentsContext, this); });
    onView(ID_FIND, &CKestoView::OnFind);
    onView(ID_FIND_AGAIN, &CKestoView::OnFindAgain);
    onView(ID_NEXT_FRAME, &CKestoView::OnNextFrame);
    onView(ID_PREVIOUS_FRAME, &CKestoView::OnPreviousFrame);
    onView(ID_GOTO_FRAME, &CKestoView::OnGoToFrame);
    on(ID_WINDOW_CASCADE, [this] { m_mdi->cascadeSubWindows(); });
    on(ID_WINDOW_TILE_HORZ, [this] { TileSubWindows(*m_mdi, Qt::Vertical); });
    on(ID_WINDOW_TILE_VERT, [this] { TileSubWindows(*m_mdi, Qt::Horizontal); });
    on(ID_WINDOW_ARRANGE, [this] { ArrangeMinimized(*m_mdi); });
    on(ID_CLOSE_ALL, [this] { OnCloseAll(); });
    on(ID_OPTIONS, [this] { OnOptions(); });
}

void CMainFrame::CreateKeysWithoutCommand() {
    // The list's copy key takes the selected line; the other edit keys belong to the
    // edit fields of the dialogs.
    auto* copy = new QAction(QStringLiteral("&Copy"), this);
    copy->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    connect(copy, &QAction::triggered, this, [this] {
        CKestoView* view = activeView();
        if (!view) return;
        const QModelIndex current = view->list()->currentIndex();
        if (current.isValid()) QApplication::clipboard()->setText(current.data().toString());
    });
    addAction(copy);
    auto* nextPane = new QAction(this);
    nextPane->setShortcut(QKeySequence(Qt::Key_F6));
    connect(nextPane, &QAction::triggered, m_mdi, &QMdiArea::activateNextSubWindow);
    addAction(nextPane);
    auto* previousPane = new QAction(this);
    previousPane->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    connect(previousPane, &QAction::triggered, m_mdi, &QMdiArea::activatePreviousSubWindow);
    addAction(previousPane);
}

void CMainFrame::CreateMenus() {
    m_idleMenuBar = CreateMenuBar(CommandTable::IdleMenuBar());
    m_sessionMenuBar = CreateMenuBar(CommandTable::SessionMenuBar());
}

std::vector<QAction*> CMainFrame::CreateMenuBar(std::span<const MenuBarEntry> entries) {
    std::vector<QAction*> bar;
    for (const MenuBarEntry& entry : entries) {
        bar.push_back(entry.menu ? CreateMenu(*entry.menu)->menuAction() : action(entry.command));
    }
    return bar;
}

QMenu* CMainFrame::CreateMenu(const MenuSpec& spec) {
    auto* menu = new QMenu(QString::fromLatin1(spec.title), this);
    AddEntries(*menu, spec.entries);
    if (spec.updatesCommands) {
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    }
    return menu;
}

template <typename Bar>
void CMainFrame::AddEntries(Bar& bar, std::span<const MenuEntry> entries) {
    for (const MenuEntry& entry : entries) {
        switch (entry.kind) {
        case MenuEntry::Separator:
            bar.addSeparator();
            break;
        case MenuEntry::RecentFiles:
            for (QAction* recent : m_recentActions) bar.addAction(recent);
            break;
        case MenuEntry::Command:
            bar.addAction(entry.label ? CreateLabelledItem(bar, entry) : action(entry.command));
            break;
        case MenuEntry::OpenWindows:
            if constexpr (std::is_same_v<Bar, QMenu>) ListOpenWindowsIn(bar);
            break;
        }
    }
}

// Numbered as the windows were opened, the first nine with their number as the Alt letter;
// the active one checked.
void CMainFrame::ListOpenWindowsIn(QMenu& menu) {
    connect(&menu, &QMenu::aboutToShow, this, [this, &menu] {
        for (QAction* entry : m_openWindowEntries->actions()) delete entry;
        const QList<CChildFrame*> windows = children();
        for (qsizetype n = 1; n <= windows.size(); ++n) {
            CChildFrame* window = windows[n - 1];
            QString title = window->windowTitle();
            title.replace(u'&', QStringLiteral("&&"));
            const QString number = (n < 10 ? QStringLiteral("&%1") : QStringLiteral("%1")).arg(n);
            QAction* entry = menu.addAction(number + u' ' + title);
            entry->setCheckable(true);
            entry->setChecked(window == activeChild());
            entry->setStatusTip(QStringLiteral("Activate this window"));
            m_openWindowEntries->addAction(entry);
            connect(entry, &QAction::triggered, this, [this, chosen = QPointer(window)] {
                if (chosen) ActivateChild(*chosen);
            });
        }
    });
}

void CMainFrame::ActivateChild(CChildFrame& child) {
    if (child.isMinimized()) child.showNormal();
    m_mdi->setActiveSubWindow(&child);
}

QAction* CMainFrame::CreateLabelledItem(QWidget& menu, const MenuEntry& entry) {
    QAction* command = action(entry.command);
    auto* item = new QAction(QString::fromLatin1(entry.label), &menu);
    item->setStatusTip(command->statusTip());
    item->setIcon(command->icon());
    connect(item, &QAction::triggered, command, &QAction::trigger);
    return item;
}

void CMainFrame::ShowMenuFor(bool sessionWindowActive) {
    QMenuBar* bar = menuBar();
    bar->clear();
    for (QAction* entry : sessionWindowActive ? m_sessionMenuBar : m_idleMenuBar) {
        bar->addAction(entry);
    }
}

void CMainFrame::CreateToolBar() {
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setIconSize(QSize(16, 16));
    AddEntries(*m_toolBar, CommandTable::ToolBar());
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int quarter = screen ? screen->geometry().width() / 4 : 256;
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        m_panes[i] = new QLabel(bar);
        m_panes[i]->setFrameShape(QFrame::Panel);
        m_panes[i]->setFrameShadow(QFrame::Sunken);
        if (i == 0) {
            bar->addWidget(m_panes[i], 1);
        } else {
            m_panes[i]->setFixedWidth(quarter * 6 / 10);
            bar->addPermanentWidget(m_panes[i]);
        }
    }
    SetStatusPanes(QStringLiteral("Ready"), {}, {});
}

void CMainFrame::SetStatusPanes(const QString& what, const QString& percent, const QString& count) {
    m_panes[0]->setText(what);
    ShowInFixedPane(*m_panes[1], percent);
    ShowInFixedPane(*m_panes[2], count);
}

// The pane keeps its width while its texts fit, so that it does not jump with each count,
// and widens for good when one does not: a narrow screen (or a large scale) would cut it.
void CMainFrame::ShowInFixedPane(QLabel& pane, const QString& text) {
    pane.setText(text);
    const int needed = pane.minimumSizeHint().width();
    if (needed > pane.maximumWidth()) pane.setFixedWidth(needed);
}

QString CMainFrame::paneText(int pane) const {
    return m_panes.at(static_cast<std::size_t>(pane))->text();
}

void CMainFrame::UpdateCommandUI() {
    UpdateCommands(true);
}

void CMainFrame::UpdateCommands(bool recheckPreview) {
    CKestoView* view = activeView();
    const auto enable = [this](int id, bool on) { action(id)->setEnabled(on); };
    enable(ID_FILE_CLOSE, view != nullptr);
    enable(ID_FILE_SAVE, view && view->CanSave());
    enable(ID_FILE_SAVE_AS, view && view->CanSave());
    enable(ID_FILE_PRINT, view && view->CanPrint());
    enable(ID_FILE_PRINT_PREVIEW, view && view->CanPrint());
    enable(ID_FIND, view && view->CanFind());
    enable(ID_FIND_AGAIN, view && view->CanFindAgain());
    enable(ID_NEXT_FRAME, view && view->CanNextFrame());
    enable(ID_PREVIOUS_FRAME, view && view->CanPreviousFrame());
    enable(ID_GOTO_FRAME, view && view->CanGoToFrame());
    enable(ID_OPTIONS, view != nullptr);
    CChildFrame* active = activeChild();
    const bool previewEnded = active && !active->runInProgress() &&
                              !active->document().state().sessionRunning &&
                              active->document().session().previewComplete();
    if (recheckPreview || m_previewChecked != active) {
        m_previewChecked = active;
        m_previewHolds = previewEnded && active->document().session().PreviewStillHolds();
    }
    enable(ID_FILE_SAVE_DIFF, previewEnded);
    enable(ID_FILE_APPLY_PREVIEW,
           previewEnded && m_previewHolds && !active->document().previewApplied);
    action(ID_VIEW_TOOLBAR)->setChecked(m_toolBar->isVisibleTo(this));
    action(ID_VIEW_STATUS_BAR)->setChecked(statusBar()->isVisibleTo(this));

    bool anyRunning = false;
    for (CChildFrame* child : children()) {
        anyRunning = anyRunning || child->document().state().sessionRunning;
    }
    // A run is not taken back while another one may be changing the same files.
    enable(ID_FILE_RUN_HISTORY, !anyRunning);
    enable(ID_FILE_UNDO_LAST_RUN, !anyRunning);
    // The running session, or the undo or recovery under way, writes the panes.
    if (anyRunning || m_runHistory.busy()) return;
    if (view) {
        ShowInFixedPane(*m_panes[1], view->LinesPaneText());
        ShowInFixedPane(*m_panes[2], view->FramePaneText());
    } else {
        SetStatusPanes(QStringLiteral("Ready"), {}, {});
    }
}

void CMainFrame::OnActiveWindowChanged() {
    CChildFrame* child = activeChild();
    ShowMenuFor(child != nullptr);
    setWindowTitle(child ? kApplicationTitle + QStringLiteral(" - ") + child->windowTitle()
                         : kApplicationTitle);
    UpdateCommandUI();
}

// --- Windows and files ---

QList<CChildFrame*> CMainFrame::children() const {
    QList<CChildFrame*> list;
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        if (auto* child = qobject_cast<CChildFrame*>(window)) list.append(child);
    }
    return list;
}

CChildFrame* CMainFrame::activeChild() const {
    return qobject_cast<CChildFrame*>(m_mdi->activeSubWindow());
}

CKestoView* CMainFrame::activeView() const {
    CChildFrame* child = activeChild();
    return child ? &child->view() : nullptr;
}

CChildFrame* CMainFrame::AddChild(std::unique_ptr<CKestoDoc> doc,
                                  std::optional<RunRequest> request) {
    auto* child = new CChildFrame(std::move(doc));
    if (request) child->SetRequest(std::move(*request));
    // Beside a maximized window the area maximizes the new one as it becomes active; sized
    // after that, it would keep the maximized state with its contents at the smaller size.
    const QList<QMdiSubWindow*> open = m_mdi->subWindowList();
    const bool maximized = std::any_of(open.begin(), open.end(), [](const QMdiSubWindow* window) {
        return window->isMaximized();
    });
    m_mdi->addSubWindow(child);
    connect(&child->view(), &CKestoView::commandStateChanged, this,
            [this] { UpdateCommands(false); });
    // What a run ended with (a preview that may be applied, say) shows at once on the
    // toolbar, not only once a menu was opened.
    connect(child, &CChildFrame::runEnded, this, &CMainFrame::UpdateCommandUI);
    connect(child, &QObject::destroyed, this, [this] { OnActiveWindowChanged(); });
    child->setWindowIcon(windowIcon());
    // Placed even when it opens maximized: the place is where it goes when restored.
    // Before the main window is shown its area has no size yet: placed once it has.
    if (isVisible()) {
        PlaceNewChild(*child);
    } else {
        QTimer::singleShot(0, child, [this, child] { PlaceNewChild(*child); });
    }
    if (maximized) {
        child->showMaximized();
    } else {
        child->show();
    }
    m_mdi->setActiveSubWindow(child);
    OnActiveWindowChanged();
    return child;
}

// Three quarters of the area, each window a title bar's height lower and to the right of the
// one opened before it, and back at the top-left corner before a window would leave the area.
void CMainFrame::PlaceNewChild(CChildFrame& child) {
    if (child.isMaximized() || child.isMinimized()) return;
    const QRect area = m_mdi->viewport()->rect();
    if (area.isEmpty()) return;
    const QSize size = (area.size() * 3 / 4).expandedTo(child.minimumSize()).boundedTo(area.size());
    const int step =
        std::max(8, child.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &child));
    const int room = std::min(area.width() - size.width(), area.height() - size.height());
    const int positions = room / step + 1;
    const auto others = static_cast<int>(m_mdi->subWindowList().size()) - 1;
    const int offset = (std::max(others, 0) % positions) * step;
    child.setGeometry(QRect(QPoint(offset, offset), size));
}

bool CMainFrame::OpenFirstWindows(const std::string& document) {
    // Before the first window and its dialog: a run that died may have left files changed,
    // and a new run over them should not begin before they have their originals back.
    CChildFrame* report = OfferRecovery();
    if (!document.empty()) {
        if (!OpenDocumentFile(document)) return false;
    } else if (!report) {
        // A new session's dialog would stand over the report; the user starts the next
        // session once they have read what the recovery did.
        OnFileNew();
    }
    if (report) m_mdi->setActiveSubWindow(report);
    return true;
}

CChildFrame* CMainFrame::OnFileNew() {
    return NewSessionWindow(std::nullopt);
}

CChildFrame* CMainFrame::NewSessionWindow(std::optional<RunRequest> request) {
    const std::string title = "Kesto" + std::to_string(++m_untitledCount);
    auto doc = std::make_unique<CKestoDoc>(m_settingsPath, m_hosts, title);
    doc->session().journalFolder = journalFolder();
    return AddChild(std::move(doc), std::move(request));
}

CChildFrame* CMainFrame::ShowReport(const std::string& title,
                                    const std::vector<std::string>& lines) {
    auto doc = std::make_unique<CKestoDoc>(m_settingsPath, m_hosts, title);
    // The window shows what was done; it starts no run of its own.
    doc->state().runStarted = true;
    for (const std::string& line : lines) doc->log().AddPlainLogLine(line);
    return AddChild(std::move(doc));
}

CChildFrame* CMainFrame::ApplyActivePreview() {
    CChildFrame* preview = activeChild();
    if (!preview || !preview->document().session().previewComplete() ||
        preview->document().previewApplied) {
        return nullptr;
    }
    SessionDocument& session = preview->document().session();
    if (!session.PreviewStillHolds()) {
        session.hosts().prompter.ShowMessage(
            "Files of this preview have changed since it ran!\nPreview the run again before "
            "applying it.",
            MessageIcon::Stop);
        UpdateCommandUI();
        return nullptr;
    }
    preview->document().previewApplied = true;
    const CPreviewChoices* choices = preview->previewChoices();
    if (!choices || choices->AllChosen()) return NewSessionWindow(session.ApplyRequest());
    // Some changes were dropped: the others are applied as a diff of the preview's.
    RunRequest chosen;
    chosen.diff = std::make_shared<const DiffToApply>(DiffToApply{
        "the changes chosen in " + preview->document().title(), choices->ChosenPatches()});
    return NewSessionWindow(std::move(chosen));
}

bool CMainFrame::SaveActiveDiff(const std::string& path) {
    CChildFrame* child = activeChild();
    if (!child) return false;
    const std::string folder = std::filesystem::path(path).parent_path().string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    bool written = false;
    if (const CPreviewChoices* choices = child->previewChoices();
        choices && !choices->AllChosen()) {
        std::string diff;
        for (const FilePatch& patch : choices->ChosenPatches()) patch.AppendDiff(diff, folder);
        written =
            static_cast<bool>(out.write(diff.data(), static_cast<std::streamsize>(diff.size())));
    } else {
        written = child->document().session().WritePreviewDiff(out, folder);
    }
    out.close();
    if (!written || !out) {
        child->document().session().hosts().prompter.ShowMessage(
            "Couldn't write the diff to " + path + "!", MessageIcon::Stop);
        return false;
    }
    return true;
}

void CMainFrame::OnFileSaveDiff() {
    CChildFrame* child = activeChild();
    if (!child || !child->document().session().previewComplete()) return;
    QFileDialog dialog(this, QStringLiteral("Save as Diff"),
                       DisplayText(child->document().title()) + QStringLiteral(".diff"),
                       QStringLiteral("Diff Files (*.diff *.patch);;All Files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("diff"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        SaveActiveDiff(TypedBytes(dialog.selectedFiles().front()));
    }
}

CChildFrame* CMainFrame::OpenDocumentFile(const std::string& path) {
    auto doc = std::make_unique<CKestoDoc>(m_settingsPath, m_hosts, std::string());
    doc->session().journalFolder = journalFolder();
    if (doc->OnOpenDocument(path) == CKestoDoc::OpenResult::Failed) {
        SetStatusPanes(QStringLiteral("Ready"), {}, {});
        return nullptr;
    }
    AddToRecentFiles(path);
    return AddChild(std::move(doc));
}

void CMainFrame::OnFileOpen() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Open"), QString(),
        QStringLiteral("Log Files (*.log *.txt);;Batch SR Files (*.sr);;All Files (*)"));
    if (!path.isEmpty()) OpenDocumentFile(path.toStdString());
}

bool CMainFrame::SaveActiveLog(const std::string& path) {
    CChildFrame* child = activeChild();
    if (!child || !child->document().OnSaveDocument(path)) return false;
    AddToRecentFiles(path);
    child->UpdateTitle();
    OnActiveWindowChanged();
    return true;
}

void CMainFrame::OnFileSave() {
    CChildFrame* child = activeChild();
    if (!child || !child->view().CanSave()) return;
    const CKestoDoc& doc = child->document();
    // A window opened with a batch file holds a log, not that file: it is saved under a
    // name of its own.
    if (!doc.pathName().empty() && !doc.session().options.batchMode) {
        SaveActiveLog(doc.pathName());
        return;
    }
    OnFileSaveAs();
}

void CMainFrame::OnFileSaveAs() {
    CChildFrame* child = activeChild();
    if (!child || !child->view().CanSave()) return;
    const QString proposed = DisplayText(child->document().title()) + QStringLiteral(".log");
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save Log Window As"), proposed,
                                     QStringLiteral("Log Files (*.log *.txt);;All Files (*)"));
    if (!path.isEmpty()) SaveActiveLog(path.toStdString());
}

void CMainFrame::OnPrintSetup() {
    QPageSetupDialog dialog(&m_printer, this);
    dialog.exec();
}

void CMainFrame::OnOptions() {
    CChildFrame* child = activeChild();
    if (!child) return;
    CKestoDoc& doc = child->document();
    ExtensionLists& lists = doc.session().extensions();
    const std::size_t includeCount = lists.alwaysSearchList.size();
    const std::size_t excludeCount = lists.alwaysExcludeList.size();
    CMySheet sheet(doc, this);
    if (sheet.exec() == QDialog::Accepted && lists.listsChanged) {
        lists.SaveExtensionLists(doc.session().ini, includeCount, excludeCount);
    }
    UpdateCommandUI();
}

void CMainFrame::OnCloseAll() {
    for (CChildFrame* child : children()) child->close();
}

void CMainFrame::OnAbout() {
    QDialog about(this);
    about.setWindowTitle(QStringLiteral("About Search/Replace"));
    auto* layout = new QVBoxLayout(&about);
    auto* icon = new QLabel(&about);
    icon->setPixmap(windowIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignCenter);
    auto* text = new QLabel(QString::fromStdString(CVersionInfo().GetAboutText()), &about);
    text->setAlignment(Qt::AlignCenter);
    auto* contact = new QLabel(
        QStringLiteral("Questions and reports of faults:\nthe Kesto developers' issue tracker"),
        &about);
    contact->setAlignment(Qt::AlignCenter);
    auto* buttons = new QDialogButtonBox(&about);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
    layout->addWidget(icon);
    layout->addWidget(text);
    layout->addWidget(contact);
    layout->addWidget(buttons);
    about.exec();
}

// --- Recent files ---

void CMainFrame::ReadRecentFiles() {
    m_recentFiles.clear();
    const ListRow& recent = RowOf(SettingList::RecentFiles);
    for (int n = 0; n < kRecentFileCount; ++n) {
        const auto value = m_ini.ReadString(recent.section, recent.KeyAt(n));
        if (!value || value->empty()) break;
        m_recentFiles.push_back(*value);
    }
    RebuildRecentFileActions();
}

void CMainFrame::AddToRecentFiles(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    const std::string entry = error ? path : absolute.lexically_normal().string();
    std::erase(m_recentFiles, entry);
    m_recentFiles.insert(m_recentFiles.begin(), entry);
    if (m_recentFiles.size() > kRecentFileCount) m_recentFiles.resize(kRecentFileCount);
    for (std::size_t n = 0; n < m_recentFiles.size(); ++n) {
        WriteListEntry(m_ini, SettingList::RecentFiles, static_cast<int>(n), m_recentFiles[n]);
    }
    RebuildRecentFileActions();
}

void CMainFrame::RebuildRecentFileActions() {
    for (std::size_t n = 0; n < m_recentActions.size(); ++n) {
        QAction* recent = m_recentActions[n];
        const bool used = n < m_recentFiles.size();
        recent->setVisible(used);
        if (!used) continue;
        const QString path = DisplayText(m_recentFiles[n]);
        recent->setText(QStringLiteral("&%1 %2").arg(n + 1).arg(path));
        recent->setData(QString::fromStdString(m_recentFiles[n]));
        recent->setStatusTip(QStringLiteral("Open this document"));
    }
}

// --- Placement ---

Qt::WindowStates CMainFrame::RestorePlacement() {
    if (m_placementRestored) return windowState();
    m_placementRestored = true;
    const WindowPlacement placement = ReadWindowPlacement(m_ini);
    const ScreenRect area = FreeArea();
    PlaceFrame(ClampToArea(placement.normalStored ? placement.normal : FirstStartRect(area), area));
    if (!placement.barState.empty()) {
        restoreState(QByteArray::fromBase64(QByteArray::fromStdString(placement.barState)));
    }
    m_toolBar->setVisible(placement.toolBar);
    statusBar()->setVisible(placement.statusLine);
    Qt::WindowStates state = Qt::WindowNoState;
    if (placement.maximized) state |= Qt::WindowMaximized;
    if (placement.iconized) state |= Qt::WindowMinimized;
    setWindowState(state);
    return state;
}

WindowPlacement CMainFrame::CurrentPlacement() const {
    WindowPlacement placement;
    const Qt::WindowStates state = windowState();
    QRect normal =
        (state & (Qt::WindowMinimized | Qt::WindowMaximized)) ? normalGeometry() : geometry();
    if (normal.isEmpty()) normal = geometry();
    placement.normal = FrameAround(ToScreenRect(normal), WindowFrameMargins());
    placement.iconized = (state & Qt::WindowMinimized) != 0;
    placement.maximized = (state & Qt::WindowMaximized) != 0;
    placement.toolBar = m_toolBar->isVisibleTo(this);
    placement.statusLine = statusBar()->isVisibleTo(this);
    placement.barState = saveState().toBase64().toStdString();
    return placement;
}

ScreenRect CMainFrame::FreeArea() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return ToScreenRect(screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768));
}

FrameMargins CMainFrame::WindowFrameMargins() const {
    const QRect frame = frameGeometry();
    const QRect inside = geometry();
    return {inside.left() - frame.left(), inside.top() - frame.top(),
            frame.right() - inside.right(), frame.bottom() - inside.bottom()};
}

void CMainFrame::PlaceFrame(const ScreenRect& frame) {
    m_placedFrame = frame;
    const FrameMargins margins = WindowFrameMargins();
    m_frameToFit = margins == FrameMargins{};
    const ScreenRect inside = InsideOfFrameIn(frame, margins, FreeArea());
    resize(inside.width(), inside.height());
    // Before the window exists, and once it is framed, move() places the frame's corner:
    // the title bar starts where the frame is meant to, whatever its height.
    move(frame.left, frame.top);
}

void CMainFrame::FitFrameInFreeArea() {
    const FrameMargins margins = WindowFrameMargins();
    if (margins == FrameMargins{}) return;
    m_frameToFit = false;
    const ScreenRect inside = InsideOfFrameIn(m_placedFrame, margins, FreeArea());
    if (ToScreenRect(geometry()) != inside) setGeometry(ToQRect(inside));
}

void CMainFrame::SavePlacement() {
    WriteWindowPlacement(m_ini, CurrentPlacement());
}

// --- Events ---

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The placement is written first: even when a running session keeps its window (and
    // so the program) open, the next start finds the window where it was.
    SavePlacement();
    m_mdi->closeAllSubWindows();
    if (!children().isEmpty()) {
        event->ignore();
        return;
    }
    event->accept();
}

// Runs from whichever event loop is turning: the main one, a dialog's, or the message pump
// of a run. The windows close only once no run is left on the stack: a window closed
// under a run would take the run's log and document with it. Until then each turn ends
// one dialog; the run then reaches its abort and restores what it changed.
void CMainFrame::OnInterruptCheck() {
    if (!InterruptRequested()) return;
    // An undo or a recovery stops after the file in hand by itself; the window closes after.
    if (m_runHistory.busy()) return;
    bool runLeft = false;
    for (CChildFrame* child : children()) {
        SessionDocument& session = child->document().session();
        if (session.state.sessionRunning) session.control.RequestAbort();
        runLeft = runLeft || child->runInProgress();
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        EndModalDialog(*modal);
        return;
    }
    if (runLeft) return;
    m_interruptTimer->stop();
    close();
    // The event itself rather than QCoreApplication::quit(), which drops the request unless
    // exec() runs; the application answers it by leaving exec() with 0.
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(qApp, &quit);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) OpenDocumentFile(url.toLocalFile().toStdString());
    }
    event->acceptProposedAction();
}

// The window manager's frame comes after the window is shown, and with it the first move of
// the inside: only then are the frame's margins known, and the inside made to fit them, so
// that the whole window takes the place it was given.
void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (m_frameToFit && isVisible() && windowState() == Qt::WindowNoState) FitFrameInFreeArea();
}

// The area takes its background from the palette once, when it is made; a palette that
// changes later (the desktop turning dark) would leave it in the old colour.
void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        m_mdi->setBackground(palette().brush(QPalette::Dark));
    }
}

}  // namespace kesto
