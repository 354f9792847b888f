// SIGINT, SIGTERM and SIGHUP in the window: a real run over a test folder, its questions
// real dialogs, the signal raised in this process with the program's own handlers
// installed. The run must end as Abort ends it, every file must be as it was before the
// run, and the application must be asked to quit without a question.
#include <signal.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <map>

#include "gui/app/GuiHosts.h"
#include "gui/run/ConfirmReplaceDlg.h"
#include "gui/run/SearchReplaceDlg.h"
#include "gui/selection/StartDirDlg.h"
#include "platform/InterruptSignals.h"
#include "support/GuiFixture.h"

namespace kesto {
namespace {

const std::string kAbortLine = "**** Customer Aborted Search/Replace Operation! ****";

// Sees the application's Quit event and keeps it from ending the test program.
class QuitRecorder : public QObject {
public:
    std::function<void()> onQuit;
    bool asked = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != qApp || event->type() != QEvent::Quit) return false;
        asked = true;
        if (onQuit) onQuit();
        return true;
    }
};

// The window's status host, raising SIGTERM when the pass reports the second file it
// searches: the signal arrives in the middle of a run, with one file already rewritten.
class RaisingStatusHost : public StatusHost {
public:
    explicit RaisingStatusHost(StatusHost& inner) : m_inner(inner) {}

    void SetStatusPanes(std::string_view what, std::string_view percent,
                        std::string_view count) override {
        constexpr std::string_view kSearching = "Searching -> ";
        if (what.starts_with(kSearching)) {
            const std::string name(what.substr(kSearching.size()));
            if (searched.empty() || searched.back() != name) searched.push_back(name);
            if (searched.size() == 2 && !raised) {
                raised = true;
                if (onRaise) onRaise();
                ::raise(SIGTERM);
            }
        }
        m_inner.SetStatusPanes(what, percent, count);
    }
    bool PumpMessages() override { return m_inner.PumpMessages(); }
    void BeginWaitCursor() override { m_inner.BeginWaitCursor(); }
    void EndWaitCursor() override { m_inner.EndWaitCursor(); }

    std::vector<std::string> searched;
    std::function<void()> onRaise;
    bool raised = false;

private:
    StatusHost& m_inner;
};

class InterruptQuitTest : public test::GuiFixture {
protected:
    static constexpr std::array kSignals = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

    void SetUp() override {
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            ::sigaction(kSignals[i], nullptr, &m_previous[i]);
        }
        InstallInterruptHandlers();
        ForgetInterrupt();
        qApp->installEventFilter(&quit);
        quit.onQuit = [this] { logAtQuit = LogLines(); };
    }

    void TearDown() override {
        qApp->removeEventFilter(&quit);
        GuiFixture::TearDown();
        ForgetInterrupt();
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            ::sigaction(kSignals[i], &m_previous[i], nullptr);
        }
    }

    // A main frame whose confirm questions and message pump are the window's own, and
    // with `chooser` its start-directory choice.
    void UseWindowHosts(StatusHost& statusHost, StartDirectoryChooser* chooser = nullptr) {
        frame = std::make_unique<CMainFrame>(
            settingsPath(),
            SessionHosts{prompter, window, statusHost, more, chooser ? *chooser : more, more});
        frame->show();
    }

    // Starts a single-mode run of "cat" to "dog" over dir/tree through the real dialog.
    void StartRun(bool confirmEach) {
        more.startChoices = {StartDirectoryChoice{dir / "tree", "*.txt", false, {}}};
        test::WhenModal<CSearchReplaceDlg>([confirmEach](CSearchReplaceDlg& dialog) {
            dialog.searchBox()->lineEdit()->setText("cat");
            dialog.replaceBox()->lineEdit()->setText("dog");
            dialog.control(confirmEach ? SearchReplaceForm::Confirm : SearchReplaceForm::Global)
                ->click();
            dialog.byDirectoryBox()->click();
            dialog.control(SearchReplaceForm::Begin)->click();
        });
        child = Frame().OnFileNew();
    }

    void WriteTree(const std::map<std::string, std::string>& files) {
        std::filesystem::create_directories(dir / "tree");
        for (const auto& [name, text] : files) test::WriteFile(dir / ("tree/" + name), text);
    }

    std::map<std::string, std::string> ReadTree(const std::map<std::string, std::string>& files) {
        std::map<std::string, std::string> now;
        for (const auto& [name, text] : files) now[name] = test::ReadFile(dir / ("tree/" + name));
        return now;
    }

    std::vector<std::string> LogLines() {
        std::vector<std::string> lines;
        if (!child) return lines;
        const LogStore& log = child->document().log();
        for (int i = 0; i < log.logLineCount(); ++i) lines.emplace_back(log.line(i));
        return lines;
    }

    // The run turns inside this loop, so a run that the signal did not end holds it at its
    // question: after `milliseconds` the open questions are answered with Skip It (other
    // dialogs cancelled) from the question's own loop, and the run goes to its end.
    void WaitForQuit(int milliseconds) {
        QElapsedTimer clock;
        clock.start();
        QTimer giveUp;
        QObject::connect(&giveUp, &QTimer::timeout, [&clock, milliseconds] {
            if (clock.elapsed() < milliseconds) return;
            if (auto* question =
                    qobject_cast<CConfirmReplaceDlg*>(QApplication::activeModalWidget())) {
                question->button(CConfirmReplaceDlg::SkipIt)->click();
            } else if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                dialog->reject();
            }
        });
        giveUp.start(100);
        while (!quit.asked && clock.elapsed() < milliseconds) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        if (!quit.asked) logAtQuit = LogLines();
    }

    static bool Holds(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    GuiHosts window;
    QuitRecorder quit;
    QPointer<CChildFrame> child;
    std::vector<std::string> logAtQuit;

private:
    std::array<struct sigaction, kSignals.size()> m_previous{};
};

TEST_F(InterruptQuitTest, SigtermAtAConfirmQuestionAbortsTheRunRestoresTheFilesAndQuits) {
    const std::map<std::string, std::string> files = {
        {"a.txt", "one cat\n"}, {"b.txt", "two cat\n"}, {"c.txt", "three cat\n"}};
    WriteTree(files);
    UseWindowHosts(window);

    std::map<std::string, std::string> atSignal;
    test::WhenModal<CConfirmReplaceDlg>([this, &files, &atSignal](CConfirmReplaceDlg& first) {
        first.button(CConfirmReplaceDlg::ReplaceIt)->click();
        test::WhenModal<CConfirmReplaceDlg>([this, &files, &atSignal](CConfirmReplaceDlg&) {
            atSignal = ReadTree(files);
            ::raise(SIGTERM);
        });
    });
    StartRun(true);
    WaitForQuit(10'000);

    // The first answer was carried out: one file was rewritten before the signal came.
    ASSERT_NE(atSignal, files);
    EXPECT_EQ(ReadTree(files), files);
    EXPECT_TRUE(quit.asked);
    EXPECT_TRUE(Holds(logAtQuit, kAbortLine)) << ::testing::PrintToString(logAtQuit);
    EXPECT_TRUE(prompter.messages.empty()) << ::testing::PrintToString(prompter.messages);
    EXPECT_TRUE(IniFile(settingsPath()).ReadString(kWindowSection, "Coordinates").has_value());
    EXPECT_FALSE(Frame().isVisible());
}

TEST_F(InterruptQuitTest, SigtermInTheMiddleOfAPassAbortsTheRunRestoresTheFilesAndQuits) {
    const std::map<std::string, std::string> files = {
        {"a.txt", "one cat\n"}, {"b.txt", "two cat\n"}, {"c.txt", "three cat\n"}};
    WriteTree(files);
    RaisingStatusHost raising(window);
    std::map<std::string, std::string> atSignal;
    raising.onRaise = [this, &files, &atSignal] { atSignal = ReadTree(files); };
    UseWindowHosts(raising);

    StartRun(false);
    WaitForQuit(10'000);

    ASSERT_TRUE(raising.raised);
    ASSERT_NE(atSignal, files);
    EXPECT_EQ(ReadTree(files), files);
    EXPECT_TRUE(quit.asked);
    EXPECT_TRUE(Holds(logAtQuit, kAbortLine)) << ::testing::PrintToString(logAtQuit);
    EXPECT_EQ(raising.searched.size(), 2u) << "no file is taken after the signal";
}

TEST_F(InterruptQuitTest, SigintAtTheStartDirectoryCancelsItAndTheModeDialogAndQuits) {
    const std::map<std::string, std::string> files = {{"a.txt", "one cat\n"}};
    WriteTree(files);
    UseWindowHosts(window, &window);
    test::WhenModal<CStartDirDlg>([](CStartDirDlg&) { ::raise(SIGINT); });
    StartRun(true);
    WaitForQuit(10'000);

    EXPECT_TRUE(quit.asked);
    EXPECT_EQ(ReadTree(files), files);
    // The cancelled start directory brings the mode dialog back: it is cancelled too.
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(InterruptQuitTest, SighupWithNoRunClosesTheWindowsAndQuits) {
    QPointer<CChildFrame> idle = NewWindow();
    ::raise(SIGHUP);
    WaitForQuit(5'000);

    EXPECT_TRUE(quit.asked);
    EXPECT_TRUE(idle.isNull() || !idle->isVisible());
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_TRUE(IniFile(settingsPath()).ReadString(kWindowSection, "Coordinates").has_value());
    EXPECT_TRUE(prompter.messages.empty());
}

}  // namespace
}  // namespace kesto
