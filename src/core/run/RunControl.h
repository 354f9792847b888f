// RunControl: what the run may still do while it goes: whether it ends (Abort, Stop Now,
// or Kesto's own reason), whether the rest of the file is skipped, and the confirm mode the
// answers to the confirm-replace question leave.
//
// The driver owns one for the run and hands it to the passes, the matcher, the scans, the
// log, the backups, the walk and the progress reporter. Its state changes only through the
// requests below, each named after what asks for it; everything else reads it.
#pragma once

#include <string>
#include <string_view>

namespace kesto {

class RunControl {
public:
    // The confirm mode the run starts with: the switches of the mode dialog.
    void StartRun(bool confirmEachReplace, bool globalReplace);

    // The user's Abort (the abort gesture, the confirm question, a message box) or a fault
    // that must take the run back.
    void RequestAbort();
    // The user's Stop Now: no further file, the log is kept.
    void RequestStop();
    // The log's line limit: as Stop Now, and the file in hand is left as it was.
    void RequestStopAtLineLimit();
    // Kesto ends the run itself; `reason` is told in the log after the closing lines.
    void StopWithReason(std::string_view reason);
    void AbortWithReason(std::string_view reason);

    // The answers to the confirm-replace question.
    void ReplaceThisOne(bool lineEdited);
    void ReplaceAllThisFile();
    void ReplaceAllFiles();
    void SkipThisOne();
    void SkipRestOfFile();
    void StopNow();

    // Before the question about one match: where the match is shown, and no edited line.
    void AskingAbout(int highlightStart, int highlightEnd);
    // Whether the user edited the line in the last answer; the edit is taken only once.
    bool TakeEditedLine();

    // After a file (or, in a batch, a pair) was scanned: Replace All this File ends with it,
    // and the question is asked again in the next one.
    void EndReplaceAllThisFile();
    // Skip Rest of File ends with the file (or the pair).
    void EndSkipRestOfFile();

    bool abortRequested() const { return m_abortRequested; }
    bool stopRequested() const { return m_stopRequested; }
    bool lineLimitReached() const { return m_lineLimitReached; }
    // Abort or Stop Now: no further file is processed.
    bool endsRun() const { return m_abortRequested || m_stopRequested; }
    const std::string& runEndReason() const { return m_runEndReason; }
    bool skipRestOfFile() const { return m_skipRestOfFile; }
    bool confirmEachReplace() const { return m_confirmEachReplace; }
    bool globalReplace() const { return m_globalReplace; }
    bool replaceAllThisFile() const { return m_replaceAllThisFile; }
    bool replaceThisOne() const { return m_replaceThisOne; }
    bool userEditedLine() const { return m_userEditedLine; }
    // Whether the match in hand is to be replaced as the answers stand.
    bool replaceWanted() const {
        return (m_globalReplace || m_replaceAllThisFile || m_replaceThisOne) && !m_stopRequested &&
               !m_skipRestOfFile;
    }
    int highlightStart() const { return m_highlightStart; }
    int highlightEnd() const { return m_highlightEnd; }

private:
    bool m_abortRequested = false;
    bool m_stopRequested = false;
    bool m_lineLimitReached = false;
    std::string m_runEndReason;
    bool m_skipRestOfFile = false;
    bool m_confirmEachReplace = true;
    bool m_globalReplace = false;
    bool m_replaceAllThisFile = false;
    bool m_replaceThisOne = false;
    bool m_userEditedLine = false;
    int m_highlightStart = 0;
    int m_highlightEnd = 0;
};

}  // namespace kesto
