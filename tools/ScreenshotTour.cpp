// kesto_screenshots: opens the application's windows and dialogs on a sample tree, drives
// a real run through them and saves a PNG of each, rendered by Qt itself (no display is
// needed), in Fusion's light palette and some in a dark one. tools/screenshot.sh builds and
// runs it.
//
//   kesto_screenshots [--first-start NAME] OUTPUT_FOLDER SAMPLE_LOG SAMPLE_TREE PREVIEW_TREE
//
// With --first-start it starts as the program does, with the sample log named at start, and
// saves the screen with the window where the first start puts it as NAME, and ends: the
// picture taken under another scale factor, on a settings file that keeps no place.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <functional>
#include <string_view>

#include "gui/app/ChildFrame.h"
#include "gui/app/GuiHosts.h"
#include "gui/app/KestoDoc.h"
#include "gui/app/MainFrame.h"
#include "gui/batch/BatchModeDlg.h"
#include "gui/batch/EditPairsDlg.h"
#include "gui/history/RunHistoryDlg.h"
#include "gui/log/PreviewChoices.h"
#include "gui/options/MySheet.h"
#include "gui/run/ConfirmReplaceDlg.h"
#include "gui/run/SearchReplaceDlg.h"
#include "gui/selection/StartDirDlg.h"

namespace {

QString g_folder;

void Save(QWidget& widget, const char* name) {
    QApplication::processEvents();
    const QString path = g_folder + QLatin1Char('/') + QLatin1String(name);
    if (!widget.grab().save(path)) std::fprintf(stderr, "could not save %s\n", qPrintable(path));
    std::printf("%s\n", qPrintable(path));
}

// The whole screen, an empty desktop but for `window`, drawn where the window is.
void SaveOnScreen(QWidget& window, const char* name) {
    QApplication::processEvents();
    const QScreen* screen = window.screen();
    const QRect desktop = screen->geometry();
    const qreal ratio = screen->devicePixelRatio();
    QPixmap shot(desktop.size() * ratio);
    shot.setDevicePixelRatio(ratio);
    shot.fill(QColor(58, 76, 96));
    QPainter painter(&shot);
    painter.drawPixmap(window.frameGeometry().topLeft() - desktop.topLeft(), window.grab());
    painter.end();
    const QString path = g_folder + QLatin1Char('/') + QLatin1String(name);
    if (!shot.save(path)) std::fprintf(stderr, "could not save %s\n", qPrintable(path));
    std::printf("%s (screen %dx%d at %g, window at %d,%d %dx%d)\n", qPrintable(path),
                desktop.width(), desktop.height(), ratio, window.x(), window.y(), window.width(),
                window.height());
}

// Light text on dark grey, as a dark desktop gives it; Light, Dark, Mid and Shadow are
// derived from the button colour.
QPalette DarkPalette() {
    QPalette palette(QColor(53, 53, 53));
    const QColor text(232, 232, 232);
    const QColor faded(128, 128, 128);
    palette.setColor(QPalette::Base, QColor(30, 30, 30));
    palette.setColor(QPalette::AlternateBase, QColor(45, 45, 45));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                                     QPalette::ToolTipText, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Active, role, text);
        palette.setColor(QPalette::Inactive, role, text);
        palette.setColor(QPalette::Disabled, role, faded);
    }
    palette.setColor(QPalette::ToolTipBase, QColor(53, 53, 53));
    palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
    palette.setColor(QPalette::Link, QColor(80, 160, 240));
    palette.setColor(QPalette::PlaceholderText, faded);
    return palette;
}

// Saves `widget` under the dark palette as `name`, then puts the light one back.
void SaveDark(QWidget& widget, const char* name) {
    const QPalette light = QApplication::palette();
    QApplication::setPalette(DarkPalette());
    Save(widget, name);
    QApplication::setPalette(light);
}

// Runs `answer` on the next modal dialog of type D once it is shown.
template <typename D>
void WhenModal(std::function<void(D&)> answer, int attempts = 300) {
    QTimer::singleShot(20, [answer = std::move(answer), attempts] {
        if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget())) {
            answer(*dialog);
        } else if (attempts > 0) {
            WhenModal<D>(answer, attempts - 1);
        }
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(QApplication::style()->standardPalette());
    const char* firstStart = nullptr;
    if (argc == 7 && std::string_view(argv[1]) == "--first-start") {
        firstStart = argv[2];
        argv += 2;
        argc -= 2;
    }
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: kesto_screenshots [--first-start NAME] OUTPUT_FOLDER SAMPLE_LOG "
                     "SAMPLE_TREE PREVIEW_TREE\n");
        return 2;
    }
    g_folder = QString::fromLocal8Bit(argv[1]);
    const std::string log = argv[2];
    const QString tree = QString::fromLocal8Bit(argv[3]);
    const QString previewTree = QString::fromLocal8Bit(argv[4]);
    const std::string settings =
        (QDir(g_folder).filePath(QStringLiteral("kesto.INI"))).toStdString();

    kesto::GuiHosts hosts;
    kesto::CMainFrame frame(settings, hosts.bundle());
    hosts.AttachMainWindow(&frame, [&frame](const QString& a, const QString& b, const QString& c) {
        frame.SetStatusPanes(a, b, c);
    });
    frame.setWindowIcon(QIcon(QStringLiteral(":/icons/kesto.svg")));
    if (firstStart) {
        // As the program starts: placed, its first windows opened, then shown.
        const Qt::WindowStates state = frame.RestorePlacement();
        if (!frame.OpenFirstWindows(log)) return 1;
        frame.setWindowState(state);
        frame.show();
        SaveOnScreen(frame, firstStart);
        return 0;
    }
    frame.setGeometry(20, 20, 960, 680);
    frame.show();

    kesto::CChildFrame* loaded = frame.OpenDocumentFile(log);
    if (!loaded) return 1;
    QApplication::processEvents();
    loaded->showMaximized();
    Save(frame, "main-window.png");
    Save(frame, "main-window-light.png");
    SaveDark(frame, "main-window-dark.png");
    loaded->close();

    WhenModal<kesto::CSearchReplaceDlg>([tree](kesto::CSearchReplaceDlg& dialog) {
        dialog.searchBox()->lineEdit()->setText(QStringLiteral("colour"));
        dialog.replaceBox()->lineEdit()->setText(QStringLiteral("color"));
        dialog.byDirectoryBox()->click();
        Save(dialog, "search-replace-dialog.png");
        WhenModal<kesto::CStartDirDlg>([tree](kesto::CStartDirDlg& start) {
            start.directoryField()->setText(tree);
            start.filterBox()->setEditText(QStringLiteral("*.c;*.txt"));
            start.subdirectoriesBox()->setChecked(true);
            Save(start, "start-directory-dialog.png");
            WhenModal<kesto::CConfirmReplaceDlg>([](kesto::CConfirmReplaceDlg& confirm) {
                Save(confirm, "confirm-dialog.png");
                SaveDark(confirm, "confirm-dialog-dark.png");
                confirm.button(kesto::CConfirmReplaceDlg::GlobalReplace)->click();
            });
            start.accept();
        });
        dialog.control(kesto::SearchReplaceForm::Begin)->click();
    });
    kesto::CChildFrame* run = frame.OnFileNew();
    while (!run->document().state().runStarted || run->document().state().sessionRunning ||
           run->document().log().logLineCount() == 0) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    run->showMaximized();
    Save(frame, "log-after-run.png");
    run->close();

    // A preview of the same run over another tree: nothing changes on disk, and each ORG/MOD
    // pair shows what the run would change.
    WhenModal<kesto::CSearchReplaceDlg>([previewTree](kesto::CSearchReplaceDlg& dialog) {
        dialog.searchBox()->lineEdit()->setText(QStringLiteral("colour"));
        dialog.replaceBox()->lineEdit()->setText(QStringLiteral("color"));
        dialog.control(kesto::SearchReplaceForm::Global)->click();
        dialog.byDirectoryBox()->click();
        WhenModal<kesto::CStartDirDlg>([previewTree](kesto::CStartDirDlg& start) {
            start.directoryField()->setText(previewTree);
            start.filterBox()->setEditText(QStringLiteral("*.c;*.txt"));
            start.subdirectoriesBox()->setChecked(true);
            start.accept();
        });
        dialog.control(kesto::SearchReplaceForm::Preview)->click();
    });
    kesto::CChildFrame* preview = frame.OnFileNew();
    while (!preview->document().state().runStarted || preview->document().state().sessionRunning ||
           preview->document().log().logLineCount() == 0) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    preview->showMaximized();
    frame.UpdateCommandUI();
    Save(frame, "preview-window.png");
    // Its changes chosen: the last file dropped, and one change of a file before it.
    if (kesto::CPreviewChoices* choices = preview->previewChoices()) {
        QTreeWidget* changes = choices->tree();
        const int files = changes->topLevelItemCount();
        if (files > 1) changes->topLevelItem(files - 1)->setCheckState(0, Qt::Unchecked);
        for (int f = 0; f < files - 1; ++f) {
            if (changes->topLevelItem(f)->childCount() < 2) continue;
            changes->topLevelItem(f)->child(1)->setCheckState(0, Qt::Unchecked);
            break;
        }
        QApplication::processEvents();
        changes->setFocus();
        Save(frame, "preview-choices.png");
        SaveDark(frame, "preview-choices-dark.png");
    }

    // The run history with the run above, and the window that reports its undo.
    preview->close();
    {
        const kesto::RunHistory history(frame.journalFolder());
        kesto::CRunHistoryDlg dialog(history, &frame);
        dialog.show();
        Save(dialog, "run-history.png");
    }
    // The undo's count in the status bar, taken at its first file.
    QTimer undoWatch;
    QObject::connect(&undoWatch, &QTimer::timeout, [&frame, &undoWatch] {
        if (!frame.paneText(0).startsWith(QStringLiteral("Undoing"))) return;
        undoWatch.stop();
        Save(frame, "undo-progress.png");
    });
    undoWatch.start(0);
    kesto::CChildFrame* undone = frame.UndoRun("");
    undoWatch.stop();
    if (undone) {
        undone->showMaximized();
        Save(frame, "undo-report.png");
        undone->close();
        // The run undone, and the undo itself a run that can be undone.
        const kesto::RunHistory history(frame.journalFolder());
        kesto::CRunHistoryDlg dialog(history, &frame);
        dialog.show();
        Save(dialog, "run-history-after-undo.png");
    }

    // The batch dialog with a batch file loaded, and the pair editor on its pairs.
    const QString pairs = QDir(g_folder).filePath(QStringLiteral("sample.sr"));
    kesto::CKestoDoc batchDoc(settings, hosts.bundle(), "Kesto3");
    kesto::CBatchSR& first = batchDoc.session().batchPairs().AddNewPair();
    first = {0, false, false, false, false, "colour", "color", {}, {}};
    kesto::CBatchSR& second = batchDoc.session().batchPairs().AddNewPair();
    second = {1, false, false, false, false, "favourite", "favorite", {}, {}};
    batchDoc.session().batchPairs().WriteBatchFile(pairs.toStdString());
    batchDoc.session().batchFilePath = pairs.toStdString();
    {
        kesto::CBatchModeDlg batch(batchDoc, false, nullptr, nullptr, &frame);
        batch.show();
        Save(batch, "batch-dialog.png");
    }
    {
        kesto::CEditPairsDlg editor(batchDoc, &frame);
        editor.show();
        Save(editor, "pair-editor.png");
    }
    {
        kesto::CMySheet sheet(batchDoc, &frame);
        sheet.show();
        const std::array<const char*, 7> names = {
            "options-preferences.png", "options-checkbox-defaults.png", "options-back-ups.png",
            "options-editor.png",      "options-file-filters.png",      "options-extensions.png",
            "options-printing.png"};
        for (int i = 0; i < static_cast<int>(names.size()); ++i) {
            sheet.tabs()->setCurrentIndex(i);
            Save(sheet, names[static_cast<std::size_t>(i)]);
        }
    }
    QFile::remove(pairs);
    return 0;
}
