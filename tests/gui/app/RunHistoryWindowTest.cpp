// Runs taken back from the window: Undo Last Run, the Run History dialog and the offer to
// recover a run that did not end, each with its result in a window of its own.
#include <sys/stat.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <functional>
#include <memory>

#include "gui/history/RunHistoryDlg.h"
#include "gui/log/KestoView.h"
#include "gui/run/SearchReplaceDlg.h"
#include "journal/RunJournal.h"
#include "support/GuiFixture.h"

namespace kesto {
namespace {

const char* const kOriginal = "the cat sat\nno match\ncat and cat\n";

class RunHistoryWindowTest : public test::GuiFixture {
protected:
    // "cat" -> "dog" over the tree through the real dialog, without questions.
    void RunCatToDog() {
        std::filesystem::create_directories(dir / "tree");
        if (!std::filesystem::exists(dir / "tree/a.txt")) {
            test::WriteFile(dir / "tree/a.txt", kOriginal);
            test::WriteFile(dir / "tree/b.txt", "a cat\n");
        }
        more.startChoices = {StartDirectoryChoice{dir / "tree", "*.txt", false, {}}};
        test::WhenModal<CSearchReplaceDlg>([](CSearchReplaceDlg& dialog) {
            dialog.searchBox()->lineEdit()->setText("cat");
            dialog.replaceBox()->lineEdit()->setText("dog");
            dialog.control(SearchReplaceForm::Global)->click();
            dialog.byDirectoryBox()->click();
            dialog.control(SearchReplaceForm::Begin)->click();
        });
        RunUntilFinished(Frame().OnFileNew());
    }

    // A run that died just after it replaced each of `names` in tree/: its journal is not
    // ended.
    void WriteARunThatDiedAfterReplacing(const std::vector<std::string>& names) {
        std::filesystem::create_directories(dir / "tree");
        std::string error;
        auto journal =
            RunJournal::Create(dir / "state", {"single", "x", "y", "", "", {}, ""}, error);
        ASSERT_TRUE(journal) << error;
        struct stat tree {};
        ASSERT_EQ(::stat((dir / "tree").c_str(), &tree), 0);
        for (std::size_t n = 0; n < names.size(); ++n) {
            const std::string file = dir / ("tree/" + names[n]);
            const std::string backup = file.substr(0, file.size() - 3) + "~txt";
            test::WriteFile(file, "new content\n");
            test::WriteFile(backup, "the original\n");
            // The last record takes the others to the disk with it.
            ASSERT_TRUE(journal->AboutToReplace(
                file, backup, {tree.st_dev, tree.st_ino}, ContentHash::Of("the original\n"),
                ContentHash::Of("new content\n"), n + 1 == names.size()));
        }
    }
    void WriteARunThatDiedAfterReplacingAFile() { WriteARunThatDiedAfterReplacing({"a.txt"}); }

    static std::vector<std::string> ManyNames(int count) {
        std::vector<std::string> names;
        for (int n = 0; n < count; ++n) names.push_back("f" + std::to_string(n) + ".txt");
        return names;
    }

    // Counts the turns of the loop while the window is on screen and its first status pane
    // begins with `doing`, and the texts it shows then.
    struct LoopWatch {
        explicit LoopWatch(CMainFrame& frame, const QString& doing) {
            QObject::connect(&ticker, &QTimer::timeout, [this, &frame, doing] {
                const QString pane = frame.paneText(0);
                if (!frame.isVisible() || !pane.startsWith(doing)) return;
                ++turns;
                if (!counts.contains(pane)) counts << pane;
            });
            ticker.start(0);
        }
        QTimer ticker;
        int turns = 0;
        QStringList counts;
    };

    static std::vector<std::string> Lines(CChildFrame* child) {
        std::vector<std::string> lines;
        for (int i = 0; i < child->document().log().logLineCount(); ++i) {
            lines.emplace_back(child->document().log().line(i));
        }
        return lines;
    }
};

TEST_F(RunHistoryWindowTest, UndoLastRunAsksThenPutsTheFilesBackAndShowsEachInAWindow) {
    RunCatToDog();
    ASSERT_EQ(test::ReadFile(dir / "tree/a.txt"), "the dog sat\nno match\ndog and dog\n");
    test::WriteFile(dir / "tree/b.txt", "edited by hand\n");

    prompter.answers = {false};
    EXPECT_EQ(Frame().OnUndoLastRun(), nullptr) << "No keeps the run";
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].rfind("Undo the last run (single, 2 files, started ", 0), 0u)
        << prompter.questions[0];
    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), "the dog sat\nno match\ndog and dog\n");

    CChildFrame* report = Frame().OnUndoLastRun();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), kOriginal);
    EXPECT_EQ(test::ReadFile(dir / "tree/b.txt"), "edited by hand\n");
    const std::vector<std::string> lines = Lines(report);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].rfind(std::string(20, ' ') + "** Undo of Run ", 0), 0u);
    EXPECT_EQ(lines[2], "     Put back: " + dir / "tree/a.txt");
    EXPECT_EQ(lines[3], "     Left as it was: " + dir / "tree/b.txt" + " ... edited since the run");
    EXPECT_EQ(lines[5], "1 file put back, 1 left as it was");
    EXPECT_TRUE(report->windowTitle().startsWith(QStringLiteral("Undo ")));
    EXPECT_EQ(report->document().log().logLineCount(), 6) << "the report starts no run";
}

// The undo of a big run, and the check of its files in the run history, turn the loop as they
// go, so the window paints, and show their count in the status bar, whatever else updates
// the window meanwhile. Loop turns are
// counted, not timed: a loaded machine turns fewer, but never none.
TEST_F(RunHistoryWindowTest, AnUndoOfTwoThousandFilesAndItsCheckKeepTheLoopTurningWithACount) {
    constexpr int kFiles = 2'000;
    std::filesystem::create_directories(dir / "tree");
    for (int n = 0; n < kFiles; ++n) {
        test::WriteFile(dir / ("tree/f" + std::to_string(n) + ".txt"), "a cat\n");
    }
    RunCatToDog();
    ASSERT_EQ(test::ReadFile(dir / "tree/f1999.txt"), "a dog\n");
    Frame().mdiArea()->closeAllSubWindows();

    // The run history checks each file of the run it selects first, with a count too.
    {
        LoopWatch watch(Frame(), QStringLiteral("Checking"));
        // The dialog comes after the check of 2,000 files, which takes as long as the
        // machine makes it: the answer waits for it up to the test's own time limit.
        test::WhenModal<CRunHistoryDlg>([](CRunHistoryDlg& dialog) { dialog.reject(); }, 30'000);
        Frame().OnRunHistory();
        EXPECT_GE(watch.turns, 20) << "the loop turned during the check";
        ASSERT_FALSE(watch.counts.isEmpty());
        EXPECT_TRUE(watch.counts.back().endsWith(QStringLiteral(" of %1 files").arg(kFiles + 2)))
            << watch.counts.back().toStdString();
    }

    int turns = 0;
    QStringList counts;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++turns;
        // As when a window closes or the application comes to the front: the count stays.
        Frame().UpdateCommandUI();
        const QString pane = Frame().paneText(0);
        if (pane.startsWith(QStringLiteral("Undoing")) && !counts.contains(pane)) counts << pane;
    });
    ticker.start(0);
    CChildFrame* report = Frame().OnUndoLastRun();
    ticker.stop();

    ASSERT_NE(report, nullptr);
    EXPECT_EQ(test::ReadFile(dir / "tree/f1999.txt"), "a cat\n");
    EXPECT_GE(turns, 20) << "the loop turned during the undo";
    ASSERT_FALSE(counts.isEmpty());
    EXPECT_TRUE(counts.back().endsWith(QStringLiteral(" of %1 files").arg(kFiles + 2)))
        << counts.back().toStdString();
    EXPECT_EQ(Frame().paneText(0), QStringLiteral("Ready"));
}

// Loop turns are counted, as for the undo above. The recovery at start comes before the
// window is otherwise shown: the window shows itself for the count.
TEST_F(RunHistoryWindowTest, ARecoveryAtStartOfTwoThousandFilesShowsTheWindowTurningAndItsCount) {
    constexpr int kFiles = 2'000;
    WriteARunThatDiedAfterReplacing(ManyNames(kFiles));
    frame = std::make_unique<CMainFrame>(settingsPath(), hosts());
    frame->SetJournalFolder(dir / "state");
    {
        LoopWatch watch(*frame, QStringLiteral("Recovering"));
        ASSERT_TRUE(frame->OpenFirstWindows(""));
        EXPECT_GE(watch.turns, 20) << "the loop turned with the window shown during the recovery";
        ASSERT_FALSE(watch.counts.isEmpty());
        EXPECT_TRUE(watch.counts.back().endsWith(QStringLiteral(" of %1 files").arg(kFiles)))
            << watch.counts.back().toStdString();
    }
    ASSERT_NE(Frame().activeChild(), nullptr);
    EXPECT_EQ(Frame().activeChild()->windowTitle(), QStringLiteral("Recovery"));
    EXPECT_EQ(test::ReadFile(dir / "tree/f1999.txt"), "the original\n");
    EXPECT_EQ(Frame().paneText(0), QStringLiteral("Ready"));
}

TEST_F(RunHistoryWindowTest, ReadingManyKeptRunsKeepsTheLoopTurningAndShowsItsCount) {
    constexpr int kRuns = 300;
    std::filesystem::create_directories(dir / "tree");
    struct stat tree {};
    ASSERT_EQ(::stat((dir / "tree").c_str(), &tree), 0);
    const std::string file = dir / "tree/a.txt";
    for (int n = 0; n < kRuns; ++n) {
        std::string error;
        auto journal =
            RunJournal::Create(dir / "state", {"single", "x", "y", "", "", {}, ""}, error);
        ASSERT_TRUE(journal) << error;
        ASSERT_TRUE(journal->AboutToReplace(file, dir / "tree/a.~txt", {tree.st_dev, tree.st_ino},
                                            ContentHash::Of("x"), ContentHash::Of("y"), false));
        ASSERT_TRUE(journal->Replaced(file));
        ASSERT_TRUE(journal->End(false));
    }
    int listed = 0;
    test::WhenModal<CRunHistoryDlg>([&listed](CRunHistoryDlg& dialog) {
        listed = dialog.runList()->topLevelItemCount();
        dialog.reject();
    });
    LoopWatch watch(Frame(), QStringLiteral("Reading run"));
    Frame().OnRunHistory();
    EXPECT_EQ(listed, kRuns);
    EXPECT_GE(watch.turns, 20) << "the loop turned while the runs were read";
    ASSERT_FALSE(watch.counts.isEmpty());
    EXPECT_TRUE(watch.counts.back().endsWith(QStringLiteral(" of %1").arg(kRuns)))
        << watch.counts.back().toStdString();
}

// The gestures that stop a run stop an undo after the file in hand: the report and the run
// history tell the files put back from those not reached, and the next undo puts those back.
TEST_F(RunHistoryWindowTest, AnUndoStopsBetweenFilesAtAStopGestureAndTheNextUndoDoesTheRest) {
    constexpr int kFiles = 40 + 2;  // and the fixture's a.txt and b.txt
    std::filesystem::create_directories(dir / "tree");
    for (const std::string& name : ManyNames(kFiles - 2)) {
        test::WriteFile(dir / ("tree/" + name), "a cat\n");
    }
    const auto holdingTheOriginal = [this] {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir / "tree")) {
            if (entry.path().extension() != ".txt") continue;
            count += test::ReadFile(entry.path()).find("cat") != std::string::npos;
        }
        return count;
    };
    const std::vector<std::pair<std::string, std::function<void(CMainFrame&)>>> gestures = {
        {"a right-button double-click",
         [](CMainFrame& window) {
             QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5),
                               Qt::RightButton, Qt::RightButton, Qt::NoModifier);
             QCoreApplication::sendEvent(window.mdiArea(), &click);
         }},
        {"Escape",
         [](CMainFrame& window) {
             QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QCoreApplication::sendEvent(&window, &escape);
         }},
        {"the close control", [](CMainFrame& window) { window.close(); }},
    };
    for (const auto& [name, gesture] : gestures) {
        SCOPED_TRACE(name);
        RunCatToDog();
        ASSERT_EQ(holdingTheOriginal(), 0);
        const std::string id = RunHistory(dir / "state").Runs().front().journal.id;
        QTimer ticker;
        int turns = 0;
        QObject::connect(&ticker, &QTimer::timeout, [&, &gesture = gesture] {
            if (Frame().paneText(0).startsWith(QStringLiteral("Undoing")) && ++turns == 3) {
                gesture(Frame());
            }
        });
        ticker.start(0);
        CChildFrame* report = Frame().UndoRun(id);
        ticker.stop();
        ASSERT_NE(report, nullptr);
        EXPECT_TRUE(Frame().isVisible());
        const int putBack = holdingTheOriginal();
        EXPECT_LT(putBack, kFiles);
        const std::vector<std::string> lines = Lines(report);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], std::to_string(putBack) + " files put back, " +
                                               std::to_string(kFiles - putBack) +
                                               " left as they were");
        EXPECT_EQ(lines.back(),
                  "Stopped before the end: undo the run again to put back the files it did not "
                  "reach.");
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& line) {
                                    return line.ends_with(" ... not reached, the undo was stopped");
                                }),
                  kFiles - putBack);
        const auto stateOfTheRun = [this, &id] {
            for (const KeptRun& run : RunHistory(dir / "state").Runs()) {
                if (run.journal.id == id) return CRunHistoryDlg::StateOf(run);
            }
            return QString();
        };
        EXPECT_EQ(stateOfTheRun(),
                  QStringLiteral("can be undone (%1 of %2 files undone)").arg(putBack).arg(kFiles));

        ASSERT_NE(Frame().UndoRun(id), nullptr);
        EXPECT_EQ(holdingTheOriginal(), kFiles);
        EXPECT_TRUE(stateOfTheRun().startsWith(QStringLiteral("can't be undone (undone by ")));
    }
}

// A recovery stops the same way; its run did not end and is offered again, for the rest.
TEST_F(RunHistoryWindowTest, AStoppedRecoveryReportsTheStopAndItsRunIsOfferedAgain) {
    constexpr int kFiles = 40;
    WriteARunThatDiedAfterReplacing(ManyNames(kFiles));
    const auto holdingTheOriginal = [this] {
        int count = 0;
        for (const std::string& name : ManyNames(kFiles)) {
            count += test::ReadFile(dir / ("tree/" + name)) == "the original\n";
        }
        return count;
    };
    QTimer ticker;
    int turns = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (Frame().paneText(0).startsWith(QStringLiteral("Recovering")) && ++turns == 3) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&Frame(), &escape);
        }
    });
    ticker.start(0);
    CChildFrame* report = Frame().OfferRecovery();
    ticker.stop();
    ASSERT_NE(report, nullptr);
    const int putBack = holdingTheOriginal();
    EXPECT_LT(putBack, kFiles);
    const std::vector<std::string> lines = Lines(report);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3],
              std::to_string(putBack) + " files put back, 0 left as they were");
    EXPECT_EQ(lines[lines.size() - 2],
              "Stopped before the end: the rest of this run, and any run after it, is offered "
              "for recovery at the next start.");
    EXPECT_EQ(RunHistory(dir / "state").UnfinishedRuns().size(), 1u);

    ASSERT_NE(Frame().OfferRecovery(), nullptr);
    EXPECT_EQ(holdingTheOriginal(), kFiles);
    EXPECT_TRUE(RunHistory(dir / "state").UnfinishedRuns().empty());
}

TEST_F(RunHistoryWindowTest, TheHistoryShowsEachRunAndTheStateOfItsFiles) {
    RunCatToDog();
    test::WriteFile(dir / "tree/b.txt", "edited by hand\n");
    RunHistory history(dir / "state");
    {
        CRunHistoryDlg dialog(history);
        ASSERT_EQ(dialog.runList()->topLevelItemCount(), 1);
        const QTreeWidgetItem* run = dialog.runList()->topLevelItem(0);
        EXPECT_EQ(run->text(1), QStringLiteral("single"));
        EXPECT_EQ(run->text(2), QStringLiteral("cat -> dog"));
        EXPECT_EQ(run->text(3), QStringLiteral("2"));
        EXPECT_EQ(run->text(4), QStringLiteral("can be undone"));
        ASSERT_EQ(dialog.fileList()->topLevelItemCount(), 2);
        EXPECT_EQ(dialog.fileList()->topLevelItem(0)->text(1), QStringLiteral("can be undone"));
        EXPECT_EQ(dialog.fileList()->topLevelItem(1)->text(1),
                  QStringLiteral("edited since the run"));
        EXPECT_TRUE(dialog.undoButton()->isEnabled());
    }

    // Undo Run in the dialog, confirmed: the run is undone, and the undo is kept as a run.
    test::WhenModal<CRunHistoryDlg>([](CRunHistoryDlg& dialog) { dialog.undoButton()->click(); });
    Frame().OnRunHistory();
    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), kOriginal);
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].rfind("Undo run ", 0), 0u);
    const std::vector<KeptRun> runs = history.Runs();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].journal.run.kind, "undo");
    EXPECT_EQ(CRunHistoryDlg::StateOf(runs[0]), QStringLiteral("can be undone"));
    // The run is undone where it could be and its other file was edited: chosen in the
    // history, it says it can't be undone, as its files do.
    CRunHistoryDlg again(history);
    again.runList()->setCurrentItem(again.runList()->topLevelItem(1));
    EXPECT_EQ(again.runList()->topLevelItem(1)->text(4), QStringLiteral("can't be undone"));
    EXPECT_FALSE(again.undoButton()->isEnabled());
}

TEST_F(RunHistoryWindowTest, AStateFolderOthersMayWriteIsRefusedWithItsReason) {
    std::filesystem::create_directories(dir / "state");
    std::filesystem::permissions(dir / "state", std::filesystem::perms::all);
    const std::string refusal =
        "Run journals can't be kept in " + dir / "state" + ": others may write to it!";
    EXPECT_EQ(Frame().OfferRecovery(), nullptr);
    EXPECT_EQ(Frame().OnUndoLastRun(), nullptr);
    Frame().OnRunHistory();
    ASSERT_EQ(prompter.messages.size(), 3u);
    for (const std::string& message : prompter.messages) EXPECT_EQ(message, refusal);
    EXPECT_TRUE(prompter.questions.empty());
}

TEST_F(RunHistoryWindowTest, ARunThatDidNotEndIsOfferedForRecoveryAtStart) {
    WriteARunThatDiedAfterReplacingAFile();
    prompter.answers = {false};
    EXPECT_EQ(Frame().OfferRecovery(), nullptr);
    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), "new content\n");

    CChildFrame* report = Frame().OfferRecovery();
    ASSERT_EQ(prompter.questions.size(), 2u);
    EXPECT_NE(prompter.questions[1].find("Put back the original files it was changing?"),
              std::string::npos);
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), "the original\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "tree/a.~txt"));
    const std::vector<std::string> lines = Lines(report);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[3], "     Put back: " + dir / "tree/a.txt");
    EXPECT_EQ(Frame().OfferRecovery(), nullptr) << "a recovered run is not offered again";
    EXPECT_EQ(prompter.questions.size(), 2u);
}

// What the recovery at start put back is in front when the start is over, its lines on
// show: no new session's dialog covers it, and a file named at start opens behind it.
TEST_F(RunHistoryWindowTest, TheReportOfTheRecoveryAtStartIsTheWindowInFront) {
    const std::string log = WriteLog("saved.log", {"a saved line"});
    for (const std::string& document : {std::string(), log}) {
        SCOPED_TRACE("opened at start: " + (document.empty() ? "nothing" : document));
        WriteARunThatDiedAfterReplacingAFile();
        // A dialog that should not have come is recorded and closed, so the start ends.
        const auto dialogShown = std::make_shared<bool>(false);
        test::WhenModal<QDialog>(
            [dialogShown](QDialog& dialog) {
                *dialogShown = true;
                dialog.reject();
            },
            50);
        // As at start: the main window is shown once its first windows are open.
        frame = std::make_unique<CMainFrame>(settingsPath(), hosts());
        frame->SetJournalFolder(dir / "state");
        ASSERT_TRUE(frame->OpenFirstWindows(document));
        frame->show();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 1'000) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        EXPECT_EQ(test::ReadFile(dir / "tree/a.txt"), "the original\n");
        EXPECT_FALSE(*dialogShown);
        CChildFrame* report = Frame().activeChild();
        ASSERT_NE(report, nullptr);
        EXPECT_EQ(report->windowTitle(), QStringLiteral("Recovery"));
        EXPECT_TRUE(report->isVisible());
        EXPECT_EQ(report->view().list()->model()->rowCount(),
                  report->document().log().logLineCount());
        EXPECT_EQ(Frame().children().size(), document.empty() ? 1 : 2);
    }
}

TEST_F(RunHistoryWindowTest, TheQuestionsAndTheReportHeadingReadInFull) {
    RunCatToDog();
    const KeptRun run = RunHistory(dir / "state").Runs().front();
    const std::string whatAnUndoDoes =
        "?\n\nEach file goes back to what it held before the run, where it still holds what "
        "the run wrote.";
    prompter.answers = {false, false};
    EXPECT_EQ(Frame().OnUndoLastRun(), nullptr);
    test::WhenModal<CRunHistoryDlg>([](CRunHistoryDlg& dialog) { dialog.undoButton()->click(); });
    Frame().OnRunHistory();
    ASSERT_EQ(prompter.questions.size(), 2u);
    EXPECT_EQ(prompter.questions[0], "Undo the last run (single, 2 files, started " +
                                         run.journal.startTime + ")" + whatAnUndoDoes);
    EXPECT_EQ(prompter.questions[1], "Undo run " + run.journal.id + whatAnUndoDoes);

    CChildFrame* report = Frame().UndoRun(run.journal.id);
    ASSERT_NE(report, nullptr);
    const std::vector<std::string> lines = Lines(report);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(20, ' ') + "** Undo of Run " + run.journal.id + " **");
    EXPECT_EQ(lines[1], " ");
}

TEST_F(RunHistoryWindowTest, TheRecoveryNamesTheRunInItsQuestionAndHeadsItsReport) {
    {
        // A run that died before it changed a file: its journal is not ended.
        std::string error;
        ASSERT_TRUE(RunJournal::Create(dir / "state", {"single", "x", "y", "", "", {}, ""}, error))
            << error;
    }
    const std::vector<std::string> unfinished = RunHistory(dir / "state").UnfinishedRuns();
    ASSERT_EQ(unfinished.size(), 1u);
    CChildFrame* report = Frame().OfferRecovery();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->windowTitle(), QStringLiteral("Recovery"));
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0],
              "A run did not end (" + unfinished.front() +
                  "): the program was ended or the computer went off while it changed "
                  "files.\n\nPut back the original files it was changing?");
    const std::vector<std::string> lines = Lines(report);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(20, ' ') + "** Recovery of Runs That Did Not End **");
    EXPECT_EQ(lines[1], " ");
}

}  // namespace
}  // namespace kesto
