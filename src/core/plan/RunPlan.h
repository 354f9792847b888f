// RunPlan: what the run of one log window does, as one value: its kind, its strings, its
// switches, the flags its strings' checks derive, the direction of a line-break conversion
// and the preferences it runs with.
//
// Its members are the option fields of the design's SessionOptions, under their names; the
// design's run-control flags are RunControl's, and the window's own state (a run started,
// files being processed) is SessionState's. A plan is made by PlanRun from the run's
// request and the window's preferences, and by nothing else; the driver keeps the plan of
// the run it runs, and every pass reads it through a const view. The default member values
// are those of a freshly created window before its settings are loaded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "text/LineBreak.h"

namespace kesto {

struct RunPlan {
    // What the run does to each file; each kind reads its own members.
    enum class Kind {
        SearchReplace,  // searchString, replaceString and the switches
        Strip,          // stripEolWhiteSpace: trailing white space goes
        Insert,         // searchString at insertColumn
        Convert,        // conversion()
        Batch,          // the pairs of the batch file
    };
    Kind kind() const;
    // The one direction of a line-break conversion run; none in any other run.
    std::optional<ConversionDirection> conversion() const;
    // Sets convertLineBreaks and the one direction flag of `direction`; none clears them.
    void SetConversion(std::optional<ConversionDirection> direction);

    friend bool operator==(const RunPlan&, const RunPlan&) = default;

    // The strings of the run. After the special-character check they hold the processed
    // form (escapes already turned into control characters).
    std::string searchString;
    std::string replaceString;

    // Switches of the mode dialogs.
    bool matchCase = false;
    bool matchWholeWord = false;
    bool firstInstanceOnly = false;  // exclusive with allInstancesInLine
    bool allInstancesInLine = true;
    bool confirmEachReplace = true;  // never 1 together with globalReplace
    bool globalReplace = false;
    bool insertAtColumn = false;
    std::int32_t insertColumn = 0;  // 1-based
    bool specialCharSession = false;
    bool wildcardSession = false;
    // The search string is a Perl-compatible regular expression; never together with
    // specialCharSession or wildcardSession.
    bool regularExpression = false;
    // Each replacement takes the case shape of the text it replaces.
    bool preserveCase = false;
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
    // Binary files (judged on the decoded text of UTF-16 and UTF-32 files) are problem
    // entries and never rewritten.
    bool skipBinaryFiles = true;
    // In text that is valid UTF-8, case-blind matching folds every letter of Unicode and
    // Preserve Case shapes every cased letter; other text folds and shapes ASCII letters.
    bool unicodeCase = false;
};

}  // namespace kesto
