// SessionOptions: the options and run-control flags of the run of one log window.
//
// The dialogs write the option fields before a run, the pattern checks add the derived
// flags, the confirm-replace answer changes the run-control flags through the line matcher,
// and every pass and driver reads the record. It has no behaviour of its own; the default
// member values are those of a freshly created window before its settings are loaded.
#pragma once

#include <cstdint>
#include <string>

namespace kesto {

struct SessionOptions {
    // The strings of the run. After the special-character check they hold the processed
    // form (escapes already turned into control characters).
    std::string searchString;
    std::string replaceString;

    // Switches of the mode dialogs.
    bool matchCase = false;
    bool matchWholeWord = false;
    bool firstInstanceOnly = false;  // exclusive with allInstancesInLine
    bool allInstancesInLine = true;
    bool confirmEachReplace = true;  // never 1 together with globalReplace at a run's start
    bool globalReplace = false;
    bool insertAtColumn = false;
    std::int32_t insertColumn = 0;  // 1-based
    bool specialCharSession = false;
    bool wildcardSession = false;
    bool selectViaFileDialog = true;
    bool searchSubdirectories = false;
    bool batchMode = false;

    // Derived by the pattern checks.
    bool anchorLineStart = false;
    bool anchorLineEnd = false;
    bool stripEolWhiteSpace = false;
    bool controlEscapesInSearch = false;
    bool lineBreakInStrings = false;
    bool lineBreakInReplace = false;

    // Line-break conversion: convertLineBreaks and exactly one direction.
    bool convertLineBreaks = false;
    bool convertDosToMac = false;
    bool convertDosToUnix = false;
    bool convertMacToDos = false;
    bool convertMacToUnix = false;
    bool convertUnixToDos = false;
    bool convertUnixToMac = false;

    // Preferences from the settings file.
    bool retainBackups = true;
    bool showNoFinds = true;
    bool printNoFinds = true;
    bool suppressWildcardNotice = false;
    std::int32_t expandTabSpaces = 4;  // the settings default; a window never holds 0

    // Window and run state.
    bool extensionListsChanged = false;
    bool runStarted = false;
    bool sessionRunning = false;

    // Run control, tested by the passes between lines and by the drivers between files.
    bool abortRequested = false;
    bool stopRequested = false;
    // Why Kesto itself ended the run (not the user's Abort or Stop Now); kept in the log
    // after the closing lines, one log line per text line.
    std::string runEndReason;
    bool skipRestOfFile = false;
    bool replaceAllThisFile = false;
    bool replaceThisOne = false;
    bool userEditedLine = false;

    // Columns of the current match in the line the confirm question shows.
    std::int32_t highlightStart = 0;
    std::int32_t highlightEnd = 0;
};

}  // namespace kesto
