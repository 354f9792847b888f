// SettingRow: one scalar setting as the settings file stores it. The rows form the one table
// that both the loader and every writer go by, so a key is named in a single place and a
// value is written in the form the loader reads back.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "settings/SettingChecks.h"

namespace kesto {

struct Settings;

inline constexpr std::string_view kPreferencesSection = "Preferences";

// Every scalar setting, in the order of the table.
enum class SettingKey {
    RetainBackUp,
    DeletePermanently,
    CharBackUp,
    ExtensionBackUp,
    ShowNoFinds,
    StartModeSingle,
    PrintNoFinds,
    BackUpChar,
    ReplaceExt,
    SelectFiles,
    SearchSubs,
    MatchCaseDefault,
    ConfirmEachDefault,
    AutoSetSpecialChar,
    AutoSetWildCard,
    SuppressWildCardNotification,
    Border,
    PrintLinesPerPage,
    PrintFontPtSize,
    ExpandTab,
    MaxSaveStrings,
    Editor,
    LastPath,
    LastBatchFilePath,
    LastFilterIndex,
    LastFilter,
    KeepRuns,
    RegularExpression,
    PreserveCase,
    SkipBackUpFiles,
    SkipBinaryFiles,
    RespectIgnoreFiles,
    Threads,
    UnicodeCase,
};

// What a stored value must be to be taken. The options pages refuse the same values with
// the same checks (SettingChecks.h), so an edited file cannot bring in what they keep out.
enum class SettingCheck {
    None,
    UsableText,        // IsUsableText
    BackupCharacter,   // BackupCharacterProblem finds none
    ReplaceExtension,  // ReplaceExtensionProblem finds none
    InRange,           // the leading number lies in the row's range
};

struct SettingRow {
    // A flag is stored as "1" or "0" and read as on when it begins with 1; a number is read
    // from its leading decimal digits.
    using Field =
        std::variant<bool Settings::*, char Settings::*, int Settings::*, std::string Settings::*>;

    SettingKey key;
    std::string_view section;
    std::string_view name;
    Field field;
    // As the file would hold it: the value of a missing, empty or refused key.
    std::string_view defaultValue;
    SettingCheck check = SettingCheck::None;
    NumberRange range{0, 0};  // for SettingCheck::InRange

    bool Accepts(std::string_view stored) const;
    // The field's value in the form it is written.
    std::string Format(const Settings& settings) const;
    // Sets the field from a stored value that Accepts.
    void Assign(std::string_view stored, Settings& settings) const;
};

std::span<const SettingRow> SettingRows();
const SettingRow& RowOf(SettingKey key);

// The decimal number at the start of the text, 0 when there is none.
int LeadingDecimal(std::string_view text);

}  // namespace kesto
