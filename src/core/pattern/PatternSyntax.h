// The syntax of search and replace strings: the checks run when a single-mode run is
// begun, the special-character processing (escapes, ^, $, ~) and the one-line display form.
//
// Everything here works on byte strings and RunPlan; nothing shows a window. A
// rejection comes back as the message text and the field that gets the focus, for the
// caller to show. The one question (wildcards in the replace string) is asked through the
// Prompter.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "plan/RunPlan.h"
#include "run/Prompter.h"

namespace kesto {

// Strings and every working copy of them hold at most this many bytes.
inline constexpr std::size_t kMaxPatternLength = 31999;
// The widest line an insert may reach: the column plus the insert string stay within it.
inline constexpr int kInsertColumnSpan = 254;

enum class FocusField { None, Search, Replace };

// Outcome of a check: accepted, or refused with the message to show and the field to focus.
// A refusal with an empty message was already answered by the user (a No to a question).
struct PatternCheck {
    bool accepted = true;
    std::string message;
    FocusField focus = FocusField::None;
    // Where in the focused field the caret goes (a regular expression's error); npos: the
    // field's text is selected whole.
    std::size_t caret = std::string::npos;

    static PatternCheck Accept() { return {}; }
    static PatternCheck Reject(std::string text, FocusField field) {
        return {false, std::move(text), field};
    }
};

// What the single-mode dialog holds when Begin is pressed.
struct RunDialogValues {
    std::string searchText;
    std::string replaceText;  // the column, in insert mode
    bool matchWholeWord = false;
    bool matchCase = false;
    bool confirmEachReplace = true;
    bool globalReplace = false;
    bool insertAtColumn = false;
    bool specialCharSession = false;
    bool wildcardSession = false;
    bool regularExpression = false;
    bool preserveCase = false;
    bool allInstancesInLine = true;
    bool firstInstanceOnly = false;
    bool selectViaFileDialog = true;
};

// Unescaped wildcards of the typed strings, as counted by the checks.
struct TypedWildcardCounts {
    int searchQuestion = 0;
    int searchStar = 0;
    int replaceQuestion = 0;
    int replaceStar = 0;
};

struct ValidationResult {
    PatternCheck check;
    TypedWildcardCounts counts;  // filled in a wildcard session
};

// Copies the switches both mode dialogs have (case, whole word, instances, confirm or
// global, file choice, regular expression, Preserve Case) into `options`.
void CopyRunSwitches(const RunDialogValues& values, RunPlan& options);
// The same switches of `options`, as a mode dialog shows them.
void ShowRunSwitches(const RunPlan& options, RunDialogValues& values);

// Number of occurrences of `ch` in `text` not directly preceded by a backslash.
int CountUnescaped(std::string_view text, char ch);

// Whether Begin asks about wildcards in the replace string, or the user already answered
// Yes to it (in the dialog that made the request).
enum class WildcardQuestion { Ask, AnsweredYes };

// What a regular expression excludes, said when a request asks for both.
inline constexpr std::string_view kRegexExcludesMessage =
    "A Regular Expression can't be used with ? and * as Wild Cards or a Special Char Session!";

// The checks of Begin, in order: search string present, insert column, the regular
// expression and its replace string (compiled), wildcard counts,
// the wildcard question, the switches copied into `options`, then ProcessSpecialCharacters
// in a special-character session. Fields written before a failing step stay written.
[[nodiscard]] ValidationResult ValidateBeforeRun(const RunDialogValues& values, RunPlan& options,
                                                 Prompter& prompter,
                                                 WildcardQuestion question = WildcardQuestion::Ask);

// Processes the ten tokens \t \v \f \a \b \r \n ^ $ ~ over the search string and, outside
// insert mode, the replace string. On acceptance both strings in `options` are replaced by
// their processed forms and the derived flags are set; on rejection the strings are left
// as they were.
PatternCheck ProcessSpecialCharacters(RunPlan& options);

// Turns each doubled backslash standing before one of a b f n r t v into one backslash.
void ReduceDoubledBackslashes(std::string& text);

// The one-line form shown back in the dialogs: in a line-break conversion run CR, LF and
// tab become \r \n \t; otherwise CR LF and a lone LF become $, a lone CR \r, a tab \t.
std::string DisplayForm(std::string_view text, bool conversionRun);

}  // namespace kesto
