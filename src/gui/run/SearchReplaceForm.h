// SearchReplaceForm: the values and the enabled state of every control of the
// search/replace dialog, and what each click, focus change and button does to them.
//
// The dialog's widgets only show this form and report the user's actions to it; every
// rule of the dialog lives here, where it can be tested without a window. It opens with the
// values of the window's last run and keeps its own conversion choice; Begin checks the
// request as the run will, remembers the strings and hands the request over.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "pattern/PatternSyntax.h"
#include "plan/RunPlan.h"
#include "session/RunRequest.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"

namespace kesto {

class SearchReplaceForm {
public:
    enum Control {
        SearchField,
        ReplaceField,
        SearchExpand,
        ReplaceExpand,
        MatchWholeWord,
        MatchCase,
        Confirm,
        Global,
        Insert,
        SpecialCharSession,
        WildCards,
        RegularExpression,
        PreserveCase,
        AllInLine,
        FirstOnly,
        Begin,
        SelectFiles,
        Override,
        SpecialChar,
        BatchMode,
        Convert,
        SpecialList,
        Preview,  // enabled as Begin is
        kControlCount
    };

    // The questions a picked remembered search string raises.
    struct PickQuestions {
        bool askSpecialCharSession = false;
        bool askWildCards = false;
    };

    SearchReplaceForm(const RunPlan& options, Settings& settings, const IniFile& ini);

    // The dialog's opening: from the last run's values with `showPreviousValues`, else
    // from the preferences. `lastSpecialCharSession`: whether the last Begin had it on.
    void Open(bool showPreviousValues, bool lastSpecialCharSession, int filesOnList);

    RunDialogValues values;
    bool enabled(Control control) const { return m_enabled[control == Preview ? Begin : control]; }
    bool specialListShown() const { return m_enabled[SpecialList]; }
    bool replaceIsTarget() const { return m_replaceIsTarget; }
    const std::string& searchLabel() const { return m_searchLabel; }
    const std::string& replaceLabel() const { return m_replaceLabel; }
    const std::string& searchArrow() const { return m_searchArrow; }
    const std::string& replaceArrow() const { return m_replaceArrow; }
    const std::vector<std::string>& specialEntries() const { return m_specialEntries; }
    const std::string& fileCountText() const { return m_fileCountText; }
    bool conversionOn() const { return m_conversion.has_value(); }
    // What the control's tooltip says now: why it is off, or what it does; empty for none.
    std::string toolTip(Control control) const;

    // --- The switches ---
    void ClickAllInLine();
    void ClickFirstOnly();
    void ClickGlobal();
    void ClickConfirm();
    // Match Case, Match Whole Word or Preserve Case: no other control depends on them.
    void ClickCriterion();
    void ClickViaFileDialog(int filesOnList);
    void ClickByDirectory();
    // Returns the field that gets the focus.
    FocusField ClickInsert();
    void ClickWildCards();
    void ClickSpecialCharSession();
    void ClickRegularExpression();

    // --- Where special characters go ---
    void FocusSearchField();
    void FocusReplaceField();
    void PressSpecialChar();
    void PickSpecialEntry(std::size_t index);
    void CloseSpecialList();

    // The text of the extended string entry for one field, after OK.
    void ApplyExtendedEntry(FocusField field, const std::string& text);
    // A remembered search string was picked: switches on what the preferences allow and
    // says which questions remain; a Yes to them is SetSpecialCharSessionOn / SetWildCardsOn.
    PickQuestions PickRememberedSearch(const std::string& text);
    void SetSpecialCharSessionOn();
    void SetWildCardsOn();

    // After the conversion dialog returned with OK (its choice is in RunPlan).
    void ApplyConversionChoice();
    // After the file selection dialog closed.
    void AfterSelectFiles(int filesOnList);

    // Batch Mode: the request carries the switches both dialogs share.
    void SwitchToBatchMode();
    // The checks of Begin (or Preview, with `preview`); on acceptance the strings are
    // remembered and the request holds the run. The wildcard question is asked through
    // `prompter`.
    PatternCheck BeginRun(Prompter& prompter, bool preview = false);
    // What Begin or Batch Mode hands the session.
    const RunRequest& request() const { return m_request; }
    // The line-break conversion the dialog shows: the conversion dialog writes its choice
    // here.
    std::optional<ConversionDirection>& conversion() { return m_conversion; }
    // Whether Special Char Session was on at the last accepted Begin.
    bool specialCharSessionAtBegin() const { return m_specialCharSessionAtBegin; }

private:
    void SetInsertLabels(bool insert);
    void SetSixSwitchesEnabled(bool on);
    void SetPatternSwitchesEnabled(bool on);
    void SetSessionControlsEnabled(bool on);
    void ExcludeSessionsFromRegex();
    void RememberPatternSwitches();
    void SetInsertModeValues();
    void EnterInsertMode();
    void LeaveInsertMode();
    void RefreshSpecialEntries();
    void SetSpecialButtonsEnabled(bool on);

    // The window's plan, as its last run left it.
    const RunPlan& m_window;
    Settings& m_settings;
    const IniFile& m_ini;
    std::optional<ConversionDirection> m_conversion;
    std::array<bool, kControlCount> m_enabled{};
    bool m_replaceIsTarget = false;
    std::string m_searchLabel = "&Search String";
    std::string m_replaceLabel = "&Replace String";
    std::string m_searchArrow = "->>";
    std::string m_replaceArrow;
    std::vector<std::string> m_specialEntries;
    std::string m_fileCountText = "0 files on Search File list!";
    RunDialogValues m_savedForConversion;
    bool m_conversionShown = false;  // the controls show a chosen conversion
    bool m_specialCharSessionAtBegin = false;
    RunRequest m_request;
};

}  // namespace kesto
