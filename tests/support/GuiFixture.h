// A main frame on a settings file in a test folder, with scripted hosts, and helpers to
// write saved logs for it to open.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/app/ChildFrame.h"
#include "gui/app/KestoDoc.h"
#include "gui/app/MainFrame.h"
#include "gui/log/KestoView.h"
#include "support/QtPrinters.h"
#include "support/RecordingStatusHost.h"
#include "support/ScriptedHosts.h"
#include "support/ScriptedSessionHosts.h"
#include "support/TempDir.h"

namespace kesto::test {

// Runs `answer` on the next modal dialog of type D, once it is shown: the way a test
// answers a dialog that the code under test opens and waits for.
template <typename D>
void WhenModal(std::function<void(D&)> answer, int attempts = 200) {
    QTimer::singleShot(10, [answer = std::move(answer), attempts] {
        if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget())) {
            answer(*dialog);
        } else if (attempts > 0) {
            WhenModal<D>(answer, attempts - 1);
        }
    });
}

// Clicks the push button of `parent` whose text, without its "&", is `text`.
inline bool ClickButton(QWidget& parent, const QString& text) {
    for (QAbstractButton* button : parent.findChildren<QAbstractButton*>()) {
        if (button->text().remove(u'&') == text && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    return false;
}

class GuiFixture : public ::testing::Test {
protected:
    SessionHosts hosts() { return SessionHosts{prompter, confirmer, status, more, more, more}; }
    std::string settingsPath() const { return dir / "kesto.INI"; }

    CMainFrame& Frame() {
        if (!frame) {
            frame = std::make_unique<CMainFrame>(settingsPath(), hosts());
            frame->SetJournalFolder(dir / "state");
            frame->show();
        }
        return *frame;
    }

    // Writes a saved log of the given lines (CR LF) and returns its path.
    std::string WriteLog(const std::string& name, const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines) text += line + "\r\n";
        WriteFile(dir / name, text);
        return dir / name;
    }

    // Lines "line 0" ... with `hits` replacing the lines at the given indices.
    static std::vector<std::string> NumberedLines(int count) {
        std::vector<std::string> lines;
        lines.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) lines.push_back("line " + std::to_string(i));
        return lines;
    }

    // Both open windows whose mode dialogs answer from `more` (Cancel unless scripted), so
    // the first update of an empty window does not wait for a real dialog.
    CChildFrame* Open(const std::string& path) {
        CChildFrame* child = Frame().OpenDocumentFile(path);
        if (child) child->SetModeDialogs(&more);
        QApplication::processEvents();
        return child;
    }
    CChildFrame* NewWindow() {
        CChildFrame* child = Frame().OnFileNew();
        child->SetModeDialogs(&more);
        QApplication::processEvents();
        return child;
    }

    // Lets the window run until its session has ended (or a minute has passed).
    static void RunUntilFinished(CChildFrame* child) {
        QElapsedTimer clock;
        clock.start();
        const SessionState& state = child->document().state();
        while (clock.elapsed() < 60'000 && (!state.runStarted || state.sessionRunning ||
                                            child->document().log().logLineCount() == 0)) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        }
    }

    void TearDown() override {
        // Windows of a test that left a run marked as going must still close.
        if (frame) {
            for (CChildFrame* child : frame->children()) {
                child->document().state().sessionRunning = false;
            }
        }
        frame.reset();
    }

    TempDir dir;
    ScriptedPrompter prompter;
    ScriptedConfirmer confirmer;
    RecordingStatusHost status;
    ScriptedSessionHosts more;
    std::unique_ptr<CMainFrame> frame;
};

}  // namespace kesto::test
