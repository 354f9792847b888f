// CKestoDoc: the document of one session window. It owns the session (settings, options,
// log, run lists) and knows the window's file: a saved log it was opened from or saved
// to, or the batch file it was opened with.
//
// A log is never marked modified: closing a window never asks to save it.
#pragma once

#include <memory>
#include <string>

#include "session/SessionDocument.h"

namespace kesto {

class CKestoDoc {
public:
    // Sets the defaults and reads every setting of `settingsPath`. `title` is the name the
    // window shows until a file is opened or saved ("Kesto1", "Kesto2" ...).
    CKestoDoc(std::string settingsPath, SessionHosts hosts, std::string title);

    SessionDocument& session() { return *m_session; }
    const SessionDocument& session() const { return *m_session; }
    LogStore& log() { return m_session->log(); }
    const RunPlan& options() const { return m_session->options; }
    SessionState& state() { return m_session->state; }

    enum class OpenResult { Log, BatchFile, Failed };
    // Reads a saved log into the empty window, or, for a ".sr" name, switches the window to
    // batch mode with that batch file. A failure has shown its message and left the log
    // empty.
    OpenResult OnOpenDocument(const std::string& path);
    // Writes the log with CR LF. A failure has shown its message.
    bool OnSaveDocument(const std::string& path);

    const std::string& pathName() const { return m_pathName; }
    std::string title() const;

    // What Find searched for last, and how.
    std::string findFragment;
    bool findMatchCase = false;
    // Records a searched fragment at the front of the recent find fragments.
    void RememberFindFragment(const std::string& fragment);

    // Set when the window closes, so that an unfinished frame build stops.
    bool windowClosing = false;
    // Set once the window's preview was applied: it is not applied twice.
    bool previewApplied = false;

private:
    std::unique_ptr<SessionDocument> m_session;
    std::string m_pathName;
    std::string m_title;
};

}  // namespace kesto
