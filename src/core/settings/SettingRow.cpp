#include "settings/SettingRow.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "settings/Settings.h"

namespace kesto {
namespace {

using enum SettingKey;
using enum SettingCheck;

constexpr std::string_view kPrefs = kPreferencesSection;

// A stored limit of 0 or less means "load no recent strings" and keeps the default limit,
// so only a positive one is taken although the Preferences page accepts 0.
constexpr NumberRange kStoredMaxSaveStringsRange{1, kMaxSaveStringsRange.most};

constexpr std::array kRows = {
    SettingRow{RetainBackUp, kPrefs, "RetainBackUp", &Settings::retainBackUp, "1"},
    SettingRow{DeletePermanently, kPrefs, "DeletePermanently", &Settings::deletePermanently, "0"},
    SettingRow{CharBackUp, kPrefs, "CharBackUp", &Settings::charBackUp, "1"},
    SettingRow{ExtensionBackUp, kPrefs, "ExtensionBackUp", &Settings::extensionBackUp, "0"},
    SettingRow{ShowNoFinds, kPrefs, "ShowNoFinds", &Settings::showNoFinds, "1"},
    SettingRow{StartModeSingle, kPrefs, "StartModeSingle", &Settings::startModeSingle, "1"},
    SettingRow{PrintNoFinds, kPrefs, "PrintNoFinds", &Settings::printNoFinds, "1"},
    // Both become part of every backup's name.
    SettingRow{BackUpChar, kPrefs, "BackUp Char", &Settings::backUpChar, "~", BackupCharacter},
    SettingRow{ReplaceExt, kPrefs, "Replace Ext", &Settings::replaceExt, "BAK", ReplaceExtension},
    // A window that never read the file selects files by dialog, but a file without the key
    // means the user never chose to.
    SettingRow{SelectFiles, kPrefs, "Select Files", &Settings::selectFiles, "0"},
    SettingRow{SearchSubs, kPrefs, "SearchSubs", &Settings::searchSubs, "0"},
    SettingRow{MatchCaseDefault, kPrefs, "Match Case Default", &Settings::matchCaseDefault, "0"},
    SettingRow{ConfirmEachDefault, kPrefs, "Confirm Each Default", &Settings::confirmEachDefault,
               "1"},
    SettingRow{AutoSetSpecialChar, kPrefs, "AutoSetSpecialChar", &Settings::autoSetSpecialChar,
               "0"},
    SettingRow{AutoSetWildCard, kPrefs, "AutoSetWildCard", &Settings::autoSetWildCard, "0"},
    SettingRow{SuppressWildCardNotification, kPrefs, "SuppressWildCardNotification",
               &Settings::suppressWildCardNotification, "0"},
    SettingRow{Border, kPrefs, "Border", &Settings::border, "3", InRange, kBorderRange},
    SettingRow{PrintLinesPerPage, kPrefs, "PrintLinesPerPage", &Settings::printLinesPerPage, "70"},
    SettingRow{PrintFontPtSize, kPrefs, "PrintFontPtSize", &Settings::printFontPtSize, "10"},
    SettingRow{ExpandTab, kPrefs, "ExpandTab", &Settings::expandTab, "4", InRange, kExpandTabRange},
    SettingRow{MaxSaveStrings, kPrefs, "MaxSaveStrings", &Settings::maxSaveStrings, "20", InRange,
               kStoredMaxSaveStringsRange},
    // Paths and the editor command are handed to the system.
    SettingRow{Editor, kPrefs, "Editor", &Settings::editor, "xdg-open", UsableText},
    SettingRow{LastPath, kPrefs, "LastPath", &Settings::lastPath, "", UsableText},
    SettingRow{LastBatchFilePath, kPrefs, "LastBatchFilePath", &Settings::lastBatchFilePath, "",
               UsableText},
    SettingRow{LastFilterIndex, kPrefs, "LastFilterIndex", &Settings::lastFilterIndex, "1", InRange,
               kLastFilterIndexRange},
    SettingRow{LastFilter, kPrefs, "LastFilter", &Settings::lastFilter, "", UsableText},
    SettingRow{KeepRuns, kPrefs, "KeepRuns", &Settings::keepRuns, "20", InRange, kKeepRunsRange},
    // What the mode dialogs show when they open on their defaults: as the last Begin left it.
    SettingRow{RegularExpression, kPrefs, "RegularExpression", &Settings::regularExpression, "0"},
    SettingRow{PreserveCase, kPrefs, "PreserveCase", &Settings::preserveCase, "0"},
    // What a walk and a run leave alone.
    SettingRow{SkipBackUpFiles, kPrefs, "SkipBackUpFiles", &Settings::skipBackUpFiles, "1"},
    SettingRow{SkipBinaryFiles, kPrefs, "SkipBinaryFiles", &Settings::skipBinaryFiles, "1"},
    SettingRow{RespectIgnoreFiles, kPrefs, "RespectIgnoreFiles", &Settings::respectIgnoreFiles,
               "0"},
    SettingRow{Threads, kPrefs, "Threads", &Settings::threads, "0", InRange, kThreadsRange},
    SettingRow{UnicodeCase, kPrefs, "UnicodeCase", &Settings::unicodeCase, "0"},
};

// RowOf finds a row by its key's number.
constexpr bool RowsFollowTheKeys() {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        if (static_cast<std::size_t>(kRows[i].key) != i) return false;
    }
    return true;
}
static_assert(RowsFollowTheKeys(), "the rows must be in the order of SettingKey");
static_assert(kRows.size() == static_cast<std::size_t>(UnicodeCase) + 1, "a key has no row");

struct Formatter {
    const Settings& settings;

    std::string operator()(bool Settings::*field) const { return settings.*field ? "1" : "0"; }
    std::string operator()(char Settings::*field) const { return std::string(1, settings.*field); }
    std::string operator()(int Settings::*field) const { return std::to_string(settings.*field); }
    std::string operator()(std::string Settings::*field) const { return settings.*field; }
};

struct Assigner {
    std::string_view stored;
    Settings& settings;

    void operator()(bool Settings::*field) const {
        settings.*field = !stored.empty() && stored.front() == '1';
    }
    void operator()(char Settings::*field) const {
        if (!stored.empty()) settings.*field = stored.front();
    }
    void operator()(int Settings::*field) const { settings.*field = LeadingDecimal(stored); }
    void operator()(std::string Settings::*field) const { settings.*field = stored; }
};

}  // namespace

bool SettingRow::Accepts(std::string_view stored) const {
    switch (check) {
    case None:
        return true;
    case UsableText:
        return IsUsableText(stored);
    case BackupCharacter:
        return !BackupCharacterProblem(stored);
    case ReplaceExtension:
        return !ReplaceExtensionProblem(stored);
    case InRange:
        return range.Holds(LeadingDecimal(stored));
    }
    return false;
}

std::string SettingRow::Format(const Settings& settings) const {
    return std::visit(Formatter{settings}, field);
}

void SettingRow::Assign(std::string_view stored, Settings& settings) const {
    std::visit(Assigner{stored, settings}, field);
}

std::span<const SettingRow> SettingRows() {
    return kRows;
}

const SettingRow& RowOf(SettingKey key) {
    return kRows[static_cast<std::size_t>(key)];
}

int LeadingDecimal(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), 1'000'000'000);
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace kesto
