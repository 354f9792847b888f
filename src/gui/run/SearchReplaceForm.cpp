#include "gui/run/SearchReplaceForm.h"

#include <algorithm>

#include "gui/run/PreserveCaseTip.h"
#include "session/PlanRun.h"

namespace kesto {

namespace {

const std::vector<std::string> kSpecialEntries = {
    "\\t - Horiz. Tab",      "\\v - Vert. Tab",       "\\f - Form Feed",       "\\a - Bell",
    "\\b - Back Space",      "$ - End-of-Line",       "\\r - Carriage Return", "\\n - New Line",
    "^ - Beginning-of-Line", "~ - Strip EOL W-Spaces"};
constexpr std::size_t kSearchOnlyEntries = 2;  // ^ and ~ stand last
constexpr int kRecentStringLimitFloor = 1;

const char* const kRegexWildCardsTip =
    "A regular expression has its own wild cards: . * + ? and the rest";
const char* const kRegexSpecialCharsTip =
    "A regular expression has its own special characters: \\t \\n ^ $ and the rest";
const char* const kRegexTurnsSessionsOffTip =
    "Checking it turns off ? and * are Wild Cards and Special Char Session";
const char* const kRegexTip =
    "The search string is a regular expression; $1 or ${name} in the replace string puts in "
    "what a group matched";
const char* const kPreviewTip = "Run as Begin would, into a log window, changing no file";

bool AllDigits(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The ten special characters, raw or in their typed escape form.
bool HoldsSpecialCharacters(const std::string& text) {
    if (text.find_first_of("\t\v\f\a\b$\r\n^~") != std::string::npos) return true;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '\\' && std::string_view("tvfabrn").find(text[i + 1]) != std::string::npos) {
            return true;
        }
    }
    return false;
}

struct ConversionStrings {
    const char* search;
    const char* replace;
};

ConversionStrings StringsFor(const ConversionDirection& direction) {
    using T = LineBreakType;
    const auto is = [&](T source, T target) {
        return direction == ConversionDirection{source, target};
    };
    if (is(T::Dos, T::Mac)) return {"\\r\\n", "\\r"};
    if (is(T::Dos, T::Unix)) return {"\\r\\n", "\\n"};
    if (is(T::Mac, T::Dos)) return {"\\r", "\\r\\n"};
    if (is(T::Mac, T::Unix)) return {"\\r", "\\n"};
    if (is(T::Unix, T::Dos)) return {"\\n", "\\r\\n"};
    return {"\\n", "\\r"};
}

}  // namespace

SearchReplaceForm::SearchReplaceForm(const RunPlan& options, Settings& settings, const IniFile& ini)
    : m_window(options), m_settings(settings), m_ini(ini) {
    m_enabled.fill(true);
    m_enabled[SpecialList] = false;
    m_enabled[Begin] = false;
}

// --- Opening ---

void SearchReplaceForm::Open(bool showPreviousValues, bool lastSpecialCharSession,
                             int filesOnList) {
    values = RunDialogValues{};
    values.selectViaFileDialog = m_window.selectViaFileDialog;
    if (showPreviousValues) {
        m_conversion = m_window.conversion();
        values.searchText = m_window.searchString;
        values.replaceText = m_window.replaceString;
        values.wildcardSession = m_window.wildcardSession;
        values.specialCharSession = lastSpecialCharSession;
        values.insertAtColumn = m_window.insertAtColumn;
        if (values.insertAtColumn) {
            values.replaceText = std::to_string(m_window.insertColumn);
            EnterInsertMode();
        } else {
            ShowRunSwitches(m_window, values);
        }
        if (values.specialCharSession) {
            values.searchText = DisplayForm(values.searchText, m_window.convertLineBreaks);
            if (!values.insertAtColumn) {
                values.replaceText = DisplayForm(values.replaceText, m_window.convertLineBreaks);
            }
        }
    } else {
        values.matchCase = m_settings.matchCaseDefault;
        values.confirmEachReplace = m_settings.confirmEachDefault;
        values.globalReplace = !m_settings.confirmEachDefault;
        values.regularExpression = m_settings.regularExpression;
        values.preserveCase = m_settings.preserveCase;
        // A new window starts without a conversion.
        m_conversion.reset();
    }
    if (values.regularExpression) ExcludeSessionsFromRegex();
    m_enabled[SelectFiles] = values.selectViaFileDialog;
    m_enabled[Begin] = !values.selectViaFileDialog || filesOnList > 0;
    if (filesOnList > 0) AfterSelectFiles(filesOnList);
    if (m_conversion) ApplyConversionChoice();
    RefreshSpecialEntries();
    FocusSearchField();
}

// --- Radio pairs and switches ---

void SearchReplaceForm::ClickAllInLine() {
    CloseSpecialList();
    values.allInstancesInLine = true;
    values.firstInstanceOnly = false;
}

void SearchReplaceForm::ClickFirstOnly() {
    CloseSpecialList();
    values.firstInstanceOnly = true;
    values.allInstancesInLine = false;
}

void SearchReplaceForm::ClickGlobal() {
    CloseSpecialList();
    values.globalReplace = true;
    values.confirmEachReplace = false;
}

void SearchReplaceForm::ClickConfirm() {
    CloseSpecialList();
    values.confirmEachReplace = !values.insertAtColumn;
    values.globalReplace = values.insertAtColumn;
}

void SearchReplaceForm::ClickCriterion() {
    CloseSpecialList();
}

void SearchReplaceForm::ClickViaFileDialog(int filesOnList) {
    CloseSpecialList();
    values.selectViaFileDialog = true;
    m_enabled[SelectFiles] = true;
    m_enabled[Begin] = filesOnList > 0;
}

void SearchReplaceForm::ClickByDirectory() {
    CloseSpecialList();
    values.selectViaFileDialog = false;
    m_enabled[SelectFiles] = false;
    m_enabled[Begin] = true;
}

void SearchReplaceForm::SetInsertLabels(bool insert) {
    m_searchLabel = insert ? "Insert String" : "&Search String";
    m_replaceLabel = insert ? "At Column" : "&Replace String";
}

void SearchReplaceForm::SetSixSwitchesEnabled(bool on) {
    for (Control control : {MatchCase, FirstOnly, Global, Confirm, MatchWholeWord, AllInLine}) {
        m_enabled[control] = on;
    }
}

// An insert, a strip or a line-break conversion has no pattern for the two to act on; a
// regular expression turned off that way frees the sessions it held.
void SearchReplaceForm::SetPatternSwitchesEnabled(bool on) {
    m_enabled[RegularExpression] = on;
    m_enabled[PreserveCase] = on;
    if (on) return;
    if (values.regularExpression) SetSessionControlsEnabled(true);
    values.regularExpression = false;
    values.preserveCase = false;
}

void SearchReplaceForm::SetSessionControlsEnabled(bool on) {
    for (Control control : {WildCards, SpecialCharSession, SpecialChar}) m_enabled[control] = on;
}

// A regular expression has its own wild cards and special characters: the two sessions and
// the list that writes a session's codes give way to it.
void SearchReplaceForm::ExcludeSessionsFromRegex() {
    if (values.wildcardSession) {
        values.wildcardSession = false;
        ClickWildCards();
    }
    if (values.specialCharSession) {
        values.specialCharSession = false;
        ClickSpecialCharSession();
    }
    SetSessionControlsEnabled(false);
}

void SearchReplaceForm::SetInsertModeValues() {
    values.firstInstanceOnly = true;
    values.globalReplace = true;
    values.matchCase = true;
    values.confirmEachReplace = false;
    values.matchWholeWord = false;
    values.allInstancesInLine = false;
}

void SearchReplaceForm::EnterInsertMode() {
    SetInsertLabels(true);
    SetSixSwitchesEnabled(false);
    SetPatternSwitchesEnabled(false);
    m_enabled[WildCards] = false;
    values.wildcardSession = false;
    m_enabled[BatchMode] = false;
    SetInsertModeValues();
}

void SearchReplaceForm::LeaveInsertMode() {
    SetInsertLabels(false);
    SetSixSwitchesEnabled(true);
    SetPatternSwitchesEnabled(true);
    m_enabled[WildCards] = true;
    m_enabled[BatchMode] = true;
    values.firstInstanceOnly = false;
    values.globalReplace = false;
    values.matchCase = false;
    values.confirmEachReplace = true;
    values.matchWholeWord = false;
    values.allInstancesInLine = true;
    m_enabled[SpecialChar] = true;
}

FocusField SearchReplaceForm::ClickInsert() {
    CloseSpecialList();
    if (!values.insertAtColumn) {
        LeaveInsertMode();
        RefreshSpecialEntries();
        return FocusField::Search;
    }
    EnterInsertMode();
    RefreshSpecialEntries();
    if (!values.replaceText.empty() && !AllDigits(values.replaceText)) {
        values.replaceText = "1";
        return FocusField::Replace;
    }
    return FocusField::Search;
}

void SearchReplaceForm::ClickWildCards() {
    CloseSpecialList();
    m_enabled[Insert] = !values.wildcardSession;
    m_enabled[MatchWholeWord] = !values.wildcardSession;
    if (values.wildcardSession) values.matchWholeWord = false;
}

void SearchReplaceForm::ClickSpecialCharSession() {
    if (values.specialCharSession) {
        m_enabled[MatchWholeWord] = false;
        values.matchWholeWord = false;
        return;
    }
    m_enabled[MatchWholeWord] = true;
    SetSixSwitchesEnabled(true);
    SetPatternSwitchesEnabled(!values.insertAtColumn);
    for (Control control : {WildCards, Insert, ReplaceField, SearchExpand, ReplaceExpand}) {
        m_enabled[control] = true;
    }
}

void SearchReplaceForm::ClickRegularExpression() {
    CloseSpecialList();
    if (values.regularExpression) {
        ExcludeSessionsFromRegex();
        return;
    }
    // Regular Expression is only offered where the sessions are free to be chosen.
    SetSessionControlsEnabled(true);
}

void SearchReplaceForm::SetSpecialCharSessionOn() {
    values.specialCharSession = true;
    ClickSpecialCharSession();
}

void SearchReplaceForm::SetWildCardsOn() {
    values.wildcardSession = true;
    ClickWildCards();
}

// --- The special character list ---

void SearchReplaceForm::RefreshSpecialEntries() {
    m_specialEntries = kSpecialEntries;
    if (m_replaceIsTarget || values.insertAtColumn) {
        m_specialEntries.resize(kSpecialEntries.size() - kSearchOnlyEntries);
    }
}

void SearchReplaceForm::SetSpecialButtonsEnabled(bool on) {
    m_enabled[SpecialChar] = on;
    m_enabled[Override] = on;
    m_enabled[Convert] = on;
    // Insert mode keeps Batch Mode off whatever else is enabled again.
    m_enabled[BatchMode] = on && !values.insertAtColumn;
}

void SearchReplaceForm::FocusSearchField() {
    m_searchArrow = "->>";
    m_replaceArrow.clear();
    m_replaceIsTarget = false;
}

void SearchReplaceForm::FocusReplaceField() {
    m_searchArrow.clear();
    m_replaceArrow = "->>";
    m_replaceIsTarget = true;
    if (values.insertAtColumn) {
        if (m_enabled[SpecialList]) {
            m_enabled[SpecialList] = false;
            m_enabled[Override] = true;
            m_enabled[Convert] = true;
        }
        m_enabled[SpecialChar] = false;
    }
}

void SearchReplaceForm::PressSpecialChar() {
    RefreshSpecialEntries();
    SetSpecialButtonsEnabled(false);
    m_enabled[SpecialList] = true;
}

void SearchReplaceForm::CloseSpecialList() {
    if (!m_enabled[SpecialList]) return;
    m_enabled[SpecialList] = false;
    SetSpecialButtonsEnabled(true);
}

void SearchReplaceForm::PickSpecialEntry(std::size_t index) {
    if (index >= m_specialEntries.size()) return;
    m_enabled[SpecialList] = false;
    const std::string& entry = m_specialEntries[index];
    const std::string code = entry.front() == '\\' ? entry.substr(0, 2) : entry.substr(0, 1);
    (m_replaceIsTarget ? values.replaceText : values.searchText) += code;
    m_enabled[MatchWholeWord] = false;
    values.matchWholeWord = false;
    values.specialCharSession = true;
    if (code == "~") {
        values.firstInstanceOnly = false;
        values.globalReplace = true;
        values.matchCase = false;
        values.confirmEachReplace = false;
        values.allInstancesInLine = true;
        values.replaceText.clear();
        SetSixSwitchesEnabled(false);
        SetPatternSwitchesEnabled(false);
        m_enabled[WildCards] = false;
        values.wildcardSession = false;
        for (Control control : {Insert, ReplaceField, SearchExpand, ReplaceExpand}) {
            m_enabled[control] = false;
        }
    }
    SetSpecialButtonsEnabled(true);
}

// --- Strings ---

void SearchReplaceForm::ApplyExtendedEntry(FocusField field, const std::string& text) {
    std::string shown = text;
    if (values.regularExpression) {
        // A regular expression names line breaks and tabs with escapes of its own.
        shown = DisplayForm(text, true);
    } else if (text.find_first_of("\n\t") != std::string::npos) {
        SetSpecialCharSessionOn();
        shown = DisplayForm(text, conversionOn());
    }
    (field == FocusField::Replace ? values.replaceText : values.searchText) = shown;
}

SearchReplaceForm::PickQuestions SearchReplaceForm::PickRememberedSearch(const std::string& text) {
    PickQuestions questions;
    // A regular expression's $, ^, ? and * are its own: no session is called for.
    if (values.regularExpression) return questions;
    if (HoldsSpecialCharacters(text)) {
        if (m_settings.autoSetSpecialChar) {
            SetSpecialCharSessionOn();
        } else {
            questions.askSpecialCharSession = !values.specialCharSession;
        }
    }
    if (text.find_first_of("?*") != std::string::npos) {
        if (m_settings.autoSetWildCard) {
            SetWildCardsOn();
        } else {
            questions.askWildCards = !values.wildcardSession;
        }
    }
    return questions;
}

// --- The other buttons ---

void SearchReplaceForm::ApplyConversionChoice() {
    const bool chosen = conversionOn();
    const bool wasOn = m_conversionShown;
    m_conversionShown = chosen;
    if (chosen && !wasOn) {
        m_savedForConversion = values;
        SetPatternSwitchesEnabled(false);
        for (Control control : {WildCards, BatchMode, SpecialChar, SpecialCharSession, Insert}) {
            m_enabled[control] = false;
        }
        SetSixSwitchesEnabled(false);
        values.specialCharSession = true;
        values.insertAtColumn = false;
        values.firstInstanceOnly = false;
        values.globalReplace = true;
        values.matchCase = false;
        values.confirmEachReplace = false;
        values.matchWholeWord = false;
        values.allInstancesInLine = false;
        values.wildcardSession = false;
    }
    if (chosen) {
        const ConversionStrings strings = StringsFor(*m_conversion);
        values.searchText = strings.search;
        values.replaceText = strings.replace;
        for (Control control : {SearchField, ReplaceField, SearchExpand, ReplaceExpand}) {
            m_enabled[control] = false;
        }
        return;
    }
    if (wasOn) {
        values = m_savedForConversion;
        for (Control control : {SearchField, ReplaceField, SearchExpand, ReplaceExpand, WildCards,
                                BatchMode, SpecialChar, SpecialCharSession, Insert}) {
            m_enabled[control] = true;
        }
        SetSixSwitchesEnabled(true);
        SetPatternSwitchesEnabled(true);
        if (values.insertAtColumn) {
            EnterInsertMode();
            RefreshSpecialEntries();
        }
        if (values.regularExpression) ExcludeSessionsFromRegex();
    }
}

void SearchReplaceForm::AfterSelectFiles(int filesOnList) {
    m_fileCountText = std::to_string(filesOnList) + " files on the Search File list!";
    if (filesOnList >= 1 && values.selectViaFileDialog) m_enabled[Begin] = true;
}

void SearchReplaceForm::SwitchToBatchMode() {
    m_request = RunRequest{};
    m_request.values = values;
}

PatternCheck SearchReplaceForm::BeginRun(Prompter& prompter, bool preview) {
    RunRequest request;
    request.values = values;
    request.conversion = m_conversion;
    request.preview = preview;
    // Planned as the run will plan it, the wildcard question asked here; the plan itself
    // is made again when the run starts.
    const PlannedRun planned = PlanRun(request, m_window, prompter);
    if (!planned.plan) return planned.refusal;
    m_request = std::move(request);
    m_request.fromModeDialog = true;
    m_specialCharSessionAtBegin = values.specialCharSession;
    // The pattern switches are a preference of the dialog, so a preview keeps them too; an
    // insert or a conversion, which had no say in them, leaves them as they were.
    if (m_enabled[RegularExpression]) RememberPatternSwitches();
    // A preview remembers no string; its Apply is the run that counts.
    if (!values.insertAtColumn && !preview) {
        const int limit = std::max(m_settings.maxSaveStrings, kRecentStringLimitFloor);
        AddToRecentList(m_ini, m_settings.searchStrings, values.searchText, limit,
                        SettingList::SearchStrings);
        AddToRecentList(m_ini, m_settings.replaceStrings, values.replaceText, limit,
                        SettingList::ReplaceStrings);
    }
    return PatternCheck::Accept();
}

void SearchReplaceForm::RememberPatternSwitches() {
    m_settings.regularExpression = values.regularExpression;
    m_settings.preserveCase = values.preserveCase;
    WriteSetting(m_ini, m_settings, SettingKey::RegularExpression);
    WriteSetting(m_ini, m_settings, SettingKey::PreserveCase);
}

std::string SearchReplaceForm::toolTip(Control control) const {
    const bool regex = values.regularExpression;
    switch (control) {
    case WildCards:
        return regex ? kRegexWildCardsTip : "";
    case SpecialCharSession:
    case SpecialChar:
        return regex ? kRegexSpecialCharsTip : "";
    case RegularExpression:
        return m_enabled[RegularExpression] && (values.wildcardSession || values.specialCharSession)
                   ? kRegexTurnsSessionsOffTip
                   : kRegexTip;
    case PreserveCase:
        return kPreserveCaseTip;
    case Preview:
        return kPreviewTip;
    default:
        return {};
    }
}

}  // namespace kesto
