// CKestoView: the log view of a session window: the list of the current display frame,
// the frame commands, Find and Find Again, the editor double-click, printing, and the
// live display of a running session's log.
//
// The view reads the document's log store; it never copies lines. The main frame asks it
// which commands are enabled and routes the commands of the active window to it.
#pragma once

#include <QAbstractItemView>
#include <QFont>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

#include "log/DisplayFrames.h"

class QListView;
class QPrinter;

namespace kesto {

class CKestoDoc;
class LogItemDelegate;
class LogListModel;

class CKestoView : public QWidget {
    Q_OBJECT
public:
    explicit CKestoView(CKestoDoc& doc, QWidget* parent = nullptr);
    ~CKestoView() override;

    CKestoDoc& document() { return m_doc; }
    QListView* list() const { return m_list; }
    const DisplayFrames& frames() const { return m_frames; }

    // --- Enabling rules ---
    bool CanFind() const;
    bool CanFindAgain() const;
    bool CanNextFrame() const { return m_frames.CanGoNext(); }
    bool CanPreviousFrame() const { return m_frames.CanGoPrevious(); }
    bool CanGoToFrame() const { return m_frames.CanGoTo(); }
    bool CanPrint() const;
    bool CanSave() const { return CanPrint(); }

    // --- Frames ---
    void OnNextFrame();
    void OnPreviousFrame();
    void OnGoToFrame();  // asks for the number
    void GoToFrame(int typedNumber);
    void ShowDisplayFrame(int frame);

    // --- Find ---
    void OnFind();  // asks for the fragment
    void FindFragment(const std::string& fragment, bool matchCase);
    void OnFindAgain();

    // --- Selection: absolute indices of stored lines ---
    int SelectedIndex() const;
    void SelectPosition(int positionInFrame);

    // A double-click on a stored line: the abort request during a run, otherwise the editor.
    void OnDoubleClickLine();

    // --- Printing ---
    int PrintLineCount() const;
    void OnPrint(QPrinter& printer);
    void OnPrintPreview(QPrinter& printer);

    // --- A run filling this window ---
    void BeginRunDisplay();
    void EndRunDisplay();

    // The second and third status panes while this window is active.
    QString LinesPaneText() const;
    QString FramePaneText() const;

    // How the editor is started and how a beep sounds; tests record them instead.
    void SetEditorLauncher(std::function<bool(const QStringList&)> launcher);
    void SetBeeper(std::function<void()> beeper);

signals:
    // Enabled commands or status texts may have changed.
    void commandStateChanged();
    // The window was first shown with nothing in its log: the place where a run starts.
    void firstUpdateOfEmptyLog();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnInitialUpdate();
    void LayOutList();
    void UpdateExtent();
    void RunFind(int start, bool again);
    void SelectRow(int positionInFrame, QAbstractItemView::ScrollHint scroll);
    void Beep(int times = 1);
    void SyncWithRun();

    CKestoDoc& m_doc;
    DisplayFrames m_frames;
    QFont m_font;
    QListView* m_list;
    LogListModel* m_model;
    LogItemDelegate* m_delegate;
    QTimer m_runRefresh;
    int m_lastFoundIndex = -1;
    int m_extentWidth = -1;
    bool m_viewLaidOut = false;
    bool m_initialUpdateDone = false;
    std::function<bool(const QStringList&)> m_launchEditor;
    std::function<void()> m_beep;
};

}  // namespace kesto
