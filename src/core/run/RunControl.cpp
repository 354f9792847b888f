#include "run/RunControl.h"

namespace kesto {

void RunControl::StartRun(bool confirmEachReplace, bool globalReplace) {
    m_confirmEachReplace = confirmEachReplace;
    m_globalReplace = globalReplace;
}

void RunControl::RequestAbort() {
    m_abortRequested = true;
}

void RunControl::RequestStop() {
    m_stopRequested = true;
}

void RunControl::RequestStopAtLineLimit() {
    m_stopRequested = true;
    m_lineLimitReached = true;
}

void RunControl::StopWithReason(std::string_view reason) {
    m_runEndReason = reason;
    m_stopRequested = true;
}

void RunControl::AbortWithReason(std::string_view reason) {
    m_runEndReason = reason;
    m_abortRequested = true;
}

void RunControl::ReplaceThisOne(bool lineEdited) {
    m_replaceThisOne = true;
    m_userEditedLine = lineEdited;
}

void RunControl::ReplaceAllThisFile() {
    m_replaceAllThisFile = true;
    m_confirmEachReplace = false;
}

void RunControl::ReplaceAllFiles() {
    m_globalReplace = true;
    m_confirmEachReplace = false;
}

void RunControl::SkipThisOne() {
    m_replaceThisOne = false;
}

void RunControl::SkipRestOfFile() {
    m_skipRestOfFile = true;
}

void RunControl::StopNow() {
    m_stopRequested = true;
    m_confirmEachReplace = false;
    m_globalReplace = false;
    m_replaceThisOne = false;
}

void RunControl::AskingAbout(int highlightStart, int highlightEnd) {
    m_userEditedLine = false;
    m_highlightStart = highlightStart;
    m_highlightEnd = highlightEnd;
}

bool RunControl::TakeEditedLine() {
    const bool edited = m_userEditedLine;
    m_userEditedLine = false;
    return edited;
}

void RunControl::EndReplaceAllThisFile() {
    if (!m_replaceAllThisFile) return;
    m_replaceAllThisFile = false;
    m_confirmEachReplace = true;
}

void RunControl::EndSkipRestOfFile() {
    m_skipRestOfFile = false;
}

}  // namespace kesto
