// A main frame on a settings file in a test folder, with scripted hosts, and helpers to
// write saved logs for it to open.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "log/KestoView.h"
#include "shell/ChildFrame.h"
#include "shell/KestoDoc.h"
#include "shell/MainFrame.h"
#include "support/QtPrinters.h"
#include "support/RecordingStatusHost.h"
#include "support/ScriptedHosts.h"
#include "support/ScriptedSessionHosts.h"
#include "support/TempDir.h"

namespace kesto::test {

class GuiFixture : public ::testing::Test {
protected:
    SessionHosts hosts() { return SessionHosts{prompter, confirmer, status, more, more, more}; }
    std::string settingsPath() const { return dir / "kesto.INI"; }

    CMainFrame& Frame() {
        if (!frame) {
            frame = std::make_unique<CMainFrame>(settingsPath(), hosts());
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

    CChildFrame* Open(const std::string& path) {
        CChildFrame* child = Frame().OpenDocumentFile(path);
        QApplication::processEvents();
        return child;
    }

    void TearDown() override {
        // Windows of a test that left a run marked as going must still close.
        if (frame) {
            for (CChildFrame* child : frame->children()) {
                child->document().options().sessionRunning = false;
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
