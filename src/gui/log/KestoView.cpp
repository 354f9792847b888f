#include "gui/log/KestoView.h"

#include <QApplication>
#include <QListView>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/app/KestoDoc.h"
#include "gui/log/FindDlg.h"
#include "gui/log/GoToDlg.h"
#include "gui/log/LogItemDelegate.h"
#include "gui/log/LogListModel.h"
#include "gui/log/LogPrinter.h"
#include "log/EditorTarget.h"
#include "log/LogFinder.h"
#include "log/PrintLayout.h"
#include "platform/qt/DisplayText.h"
#include "platform/qt/EditorLauncher.h"

namespace kesto {

namespace {

constexpr int kRunRefreshMilliseconds = 200;
constexpr int kBeepPauseMilliseconds = 50;

QFont LogFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(8);
    return font;
}

}  // namespace

CKestoView::CKestoView(CKestoDoc& doc, QWidget* parent)
    : QWidget(parent),
      m_doc(doc),
      m_font(LogFont()),
      m_list(new QListView(this)),
      m_model(new LogListModel(doc.log(), m_frames, this)),
      m_delegate(new LogItemDelegate(m_font, this)),
      m_launchEditor(LaunchEditor),
      m_beep([] { QApplication::beep(); }) {
    m_list->setFont(m_font);
    m_list->setModel(m_model);
    m_list->setItemDelegate(m_delegate);
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list->setFrameShape(QFrame::Box);
    m_list->setTextElideMode(Qt::ElideNone);
    m_list->setAccessibleName(QStringLiteral("Log"));
    m_model->SetCharWidth(m_delegate->charWidth());
    doc.log().SetCharWidth(m_delegate->charWidth());
    if (doc.log().logFramePending()) m_model->SetSuppressed(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    connect(m_list, &QListView::doubleClicked, this, [this] { OnDoubleClickLine(); });
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CKestoView::commandStateChanged);
    m_runRefresh.setInterval(kRunRefreshMilliseconds);
    connect(&m_runRefresh, &QTimer::timeout, this, &CKestoView::SyncWithRun);
    LayOutList();
}

CKestoView::~CKestoView() = default;

// --- Layout ---

void CKestoView::LayOutList() {
    const int border = std::clamp(m_doc.session().settings.border, 1, 20);
    layout()->setContentsMargins(border, border, border, border);
    UpdateExtent();
}

void CKestoView::UpdateExtent() {
    const int longest = (m_delegate->charWidth() + 1) * m_doc.log().longestLogLine();
    const int extent = std::max(longest, m_list->viewport()->width());
    if (extent == m_extentWidth) return;
    m_extentWidth = extent;
    m_delegate->SetExtentWidth(extent);
    m_list->doItemsLayout();
}

void CKestoView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_initialUpdateDone) {
        m_initialUpdateDone = true;
        // Building a frame lets window messages run; it must not run inside the show.
        QTimer::singleShot(0, this, &CKestoView::OnInitialUpdate);
    }
}

void CKestoView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_viewLaidOut) UpdateExtent();
}

void CKestoView::OnInitialUpdate() {
    LayOutList();
    m_viewLaidOut = true;
    LogStore& store = m_doc.log();
    if (store.logFramePending()) {
        m_frames.SetFrameCount(store.logLineCount());
        store.ClearLogFramePending();
        m_model->SetSuppressed(false);
        ShowDisplayFrame(1);
        SelectPosition(0);
        return;
    }
    if (store.logLineCount() == 0) {
        emit firstUpdateOfEmptyLog();
    } else {
        m_frames.SetFrameCount(store.logLineCount());
        ShowDisplayFrame(m_frames.currentFrame());
    }
}

// --- Enabling rules ---

bool CKestoView::CanFind() const {
    return m_doc.log().logLineCount() > 2;
}

bool CKestoView::CanFindAgain() const {
    return CanFind() && !m_doc.findFragment.empty();
}

bool CKestoView::CanPrint() const {
    return PrintLineCount() > 0;
}

// --- Frames ---

void CKestoView::ShowDisplayFrame(int frame) {
    m_frames.SetCurrentFrame(frame);
    ProgressReporter& progress = m_doc.session().progress();
    progress.ShowFrameProgress(m_frames.currentFrame(), 0);
    if (m_doc.windowClosing) return;
    m_model->Rebuild();
    UpdateExtent();
    progress.ShowFrameProgress(m_frames.currentFrame(), 100);
    emit commandStateChanged();
}

void CKestoView::OnNextFrame() {
    if (!CanNextFrame()) return;
    ShowDisplayFrame(m_frames.currentFrame() + 1);
    SelectPosition(0);
}

void CKestoView::OnPreviousFrame() {
    if (!CanPreviousFrame()) return;
    ShowDisplayFrame(m_frames.currentFrame() - 1);
    SelectPosition(LogStore::kDisplayFrameSize - 1);
}

void CKestoView::OnGoToFrame() {
    if (!CanGoToFrame()) return;
    CGoToDlg dialog(m_frames.currentFrame(), m_frames.frameCount(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    GoToFrame(dialog.frame());
}

void CKestoView::GoToFrame(int typedNumber) {
    ShowDisplayFrame(m_frames.ClampFrame(typedNumber));
    SelectPosition(0);
}

// --- Selection ---

int CKestoView::SelectedIndex() const {
    const QModelIndex current = m_list->selectionModel()->currentIndex();
    if (!current.isValid() || !m_list->selectionModel()->isSelected(current)) return -1;
    return m_frames.AbsoluteIndex(current.row());
}

void CKestoView::SelectPosition(int positionInFrame) {
    SelectRow(positionInFrame, QAbstractItemView::EnsureVisible);
}

void CKestoView::SelectRow(int positionInFrame, QAbstractItemView::ScrollHint scroll) {
    const int rows = m_model->rowCount();
    if (rows == 0) return;
    const QModelIndex index = m_model->index(std::clamp(positionInFrame, 0, rows - 1));
    m_list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_list->scrollTo(index, scroll);
    emit commandStateChanged();
}

// --- Find ---

void CKestoView::OnFind() {
    if (!CanFind()) return;
    CFindDlg dialog(m_doc.session().settings.findFragments, this);
    if (dialog.exec() != QDialog::Accepted) return;
    FindFragment(dialog.fragment(), dialog.matchCase());
}

void CKestoView::FindFragment(const std::string& fragment, bool matchCase) {
    if (fragment.empty()) return;
    m_doc.findFragment = fragment;
    m_doc.findMatchCase = matchCase;
    m_doc.RememberFindFragment(fragment);
    const int selected = SelectedIndex();
    RunFind(selected >= 0 ? selected : 0, false);
}

void CKestoView::OnFindAgain() {
    if (m_doc.findFragment.empty()) return;
    RunFind(
        LogFinder::FindAgainStart(SelectedIndex(), m_lastFoundIndex, m_doc.log().logLineCount()),
        true);
}

void CKestoView::RunFind(int start, bool again) {
    ProgressReporter& progress = m_doc.session().progress();
    const auto hit = LogFinder::Find(m_doc.log(), m_doc.findFragment, m_doc.findMatchCase, start,
                                     [&progress] { progress.PumpMessages(); });
    if (!hit) {
        Beep();
        m_doc.session().hosts().prompter.ShowMessage(
            LogFinder::NotFoundMessage(m_doc.findFragment, again), MessageIcon::Information);
        return;
    }
    const int frame = LogStore::FrameOfLine(*hit);
    if (frame != m_frames.currentFrame()) ShowDisplayFrame(frame);
    // In the middle of the view, the found line has its neighbours on both sides.
    SelectRow(*hit - LogStore::FrameFirstLine(frame), QAbstractItemView::PositionAtCenter);
    m_lastFoundIndex = *hit;
    Beep(3);
}

void CKestoView::Beep(int times) {
    for (int i = 0; i < times; ++i) {
        if (i > 0) QThread::msleep(kBeepPauseMilliseconds);
        m_beep();
    }
}

// --- Editor ---

void CKestoView::OnDoubleClickLine() {
    if (m_doc.state().sessionRunning) {
        m_doc.session().control.RequestAbort();
        return;
    }
    const auto target = LocateEditorTarget(
        m_doc.log(), SelectedIndex(), m_doc.session().headerLineCount(), m_doc.options().batchMode);
    if (!target) {
        Beep();
        return;
    }
    const QStringList command =
        BuildEditorCommand(DisplayText(m_doc.session().settings.editor),
                           QString::fromStdString(target->path), target->line);
    StatusHost& status = m_doc.session().hosts().status;
    status.BeginWaitCursor();
    const bool started = !command.isEmpty() && m_launchEditor(command);
    status.EndWaitCursor();
    if (!started) Beep();
}

void CKestoView::SetEditorLauncher(std::function<bool(const QStringList&)> launcher) {
    m_launchEditor = std::move(launcher);
}

void CKestoView::SetBeeper(std::function<void()> beeper) {
    m_beep = std::move(beeper);
}

// --- Printing ---

int CKestoView::PrintLineCount() const {
    const SessionDocument& session = m_doc.session();
    return LinesToPrint(session.log().logLineCount(), session.reportLineCount(),
                        session.settings.printNoFinds);
}

void CKestoView::OnPrint(QPrinter& printer) {
    const Settings& settings = m_doc.session().settings;
    const LogPrinter job(m_doc.log(), PrintLineCount(), settings.printLinesPerPage,
                         settings.printFontPtSize);
    const int pages = job.pageCount();
    if (pages == 0) return;
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, pages);
    dialog.setFromTo(1, pages);
    if (dialog.exec() != QDialog::Accepted) return;
    const bool range = printer.printRange() == QPrinter::PageRange;
    job.Print(printer, range ? printer.fromPage() : 0, range ? printer.toPage() : 0);
}

void CKestoView::OnPrintPreview(QPrinter& printer) {
    const Settings& settings = m_doc.session().settings;
    const LogPrinter job(m_doc.log(), PrintLineCount(), settings.printLinesPerPage,
                         settings.printFontPtSize);
    if (job.pageCount() == 0) return;
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&job](QPrinter* target) { job.Print(*target); });
    preview.exec();
}

// --- A running session ---

void CKestoView::BeginRunDisplay() {
    m_frames.Reset();
    m_model->Rebuild();
    m_runRefresh.start();
}

void CKestoView::SyncWithRun() {
    m_model->SyncWithStore();
    UpdateExtent();
}

void CKestoView::EndRunDisplay() {
    m_runRefresh.stop();
    m_frames.SetFrameCount(m_doc.log().logLineCount());
    m_model->Rebuild();
    UpdateExtent();
    SelectPosition(0);
    emit commandStateChanged();
}

QString CKestoView::LinesPaneText() const {
    return QString::fromStdString(m_frames.LinesPaneText(m_doc.log().logLineCount()));
}

QString CKestoView::FramePaneText() const {
    return QString::fromStdString(m_frames.FramePaneText());
}

}  // namespace kesto
