#include "settings/Settings.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "settings/SettingChecks.h"
#include "text/AsciiCase.h"

namespace kesto {
namespace {

constexpr std::string_view kEmptyMarkUtf8 = "\xC2\xA7";

// The stored value of the row's key; a missing or empty key counts as none.
std::optional<std::string> StoredValue(const IniFile& file, const SettingRow& row) {
    auto value = file.ReadString(row.section, row.name);
    if (!value || value->empty()) return std::nullopt;
    return value;
}

// A value the row refuses, like a missing one, leaves the row's default.
void ReadRow(const IniFile& file, const SettingRow& row, Settings& settings) {
    const auto stored = StoredValue(file, row);
    row.Assign(stored && row.Accepts(*stored) ? *stored : row.defaultValue, settings);
}

// Without a stored font size, the size whose lines fill a page of the stored line count.
int FontSizeForLines(int printLinesPerPage) {
    if (printLinesPerPage > 80) return 8;
    if (printLinesPerPage > 70) return 9;
    if (printLinesPerPage < 58) return 12;
    return 10;
}

// The rules by which one setting depends on another.
void ApplyRulesBetweenSettings(const IniFile& file, Settings& s) {
    if (!s.showNoFinds) s.printNoFinds = false;
    if (!StoredValue(file, RowOf(SettingKey::PrintFontPtSize))) {
        s.printFontPtSize = FontSizeForLines(s.printLinesPerPage);
    }
}

// A stored limit of 0 or less keeps the default limit but loads no recent strings.
bool LoadsRecentStrings(const IniFile& file) {
    const auto stored = StoredValue(file, RowOf(SettingKey::MaxSaveStrings));
    return !stored || LeadingDecimal(*stored) > 0;
}

// Reads the list's keys from its first on until the first missing or empty key, at most
// `most` entries (all when negative); an entry that `accept` refuses is passed over.
std::vector<std::string> ReadList(const IniFile& file, SettingList which, int most,
                                  bool (*accept)(std::string_view) = nullptr) {
    const ListRow& row = RowOf(which);
    std::vector<std::string> list;
    for (int position = 0; most < 0 || static_cast<int>(list.size()) < most; ++position) {
        auto value = file.ReadString(row.section, row.KeyAt(position));
        if (!value || value->empty()) break;
        if (accept && !accept(*value)) continue;
        list.push_back(std::move(*value));
    }
    return list;
}

bool StartsWithEmptyMark(std::string_view value) {
    return (!value.empty() && value.front() == kListEmptyMark) || value.starts_with(kEmptyMarkUtf8);
}

void ToUpperAscii(std::vector<std::string>& list) {
    for (std::string& entry : list) {
        for (char& c : entry) {
            if (IsAsciiLower(c)) c = SwapCase(c);
        }
    }
}

void ReadLists(const IniFile& file, bool loadRecentStrings, Settings& s) {
    s.findFragments = ReadList(file, SettingList::FindFragments, 30);
    s.fileFilters = ReadList(file, SettingList::FileFilters, 100);
    if (s.fileFilters.empty()) s.fileFilters = {"All Files | *.*", "Text | *.txt"};
    if (loadRecentStrings) {
        s.searchStrings = ReadList(file, SettingList::SearchStrings, s.maxSaveStrings);
        s.replaceStrings = ReadList(file, SettingList::ReplaceStrings, s.maxSaveStrings);
        for (std::string& entry : s.replaceStrings) {
            if (StartsWithEmptyMark(entry)) entry.clear();
        }
        s.batchFiles = ReadList(file, SettingList::BatchFiles, s.maxSaveStrings, IsUsableText);
    }
    s.excludedExtensions = ReadList(file, SettingList::Excluded, -1);
    s.includedExtensions = ReadList(file, SettingList::Included, -1);
    ToUpperAscii(s.excludedExtensions);
    ToUpperAscii(s.includedExtensions);
}

// A setting of the plan, with its member there.
struct PlannedSetting {
    bool Settings::*setting;
    bool RunPlan::*planned;
};
// What a new window's dialogs start with.
constexpr std::array<PlannedSetting, 4> kCheckBoxDefaults = {{
    {&Settings::matchCaseDefault, &RunPlan::matchCase},
    {&Settings::confirmEachDefault, &RunPlan::confirmEachReplace},
    {&Settings::selectFiles, &RunPlan::selectViaFileDialog},
    {&Settings::searchSubs, &RunPlan::searchSubdirectories},
}};
// What every run of the window takes from the preferences.
constexpr std::array<PlannedSetting, 6> kPreferences = {{
    {&Settings::retainBackUp, &RunPlan::retainBackups},
    {&Settings::showNoFinds, &RunPlan::showNoFinds},
    {&Settings::printNoFinds, &RunPlan::printNoFinds},
    {&Settings::suppressWildCardNotification, &RunPlan::suppressWildcardNotice},
    {&Settings::skipBinaryFiles, &RunPlan::skipBinaryFiles},
    {&Settings::unicodeCase, &RunPlan::unicodeCase},
}};

// An equal entry moves to the front; a new one goes in front, dropping the last entry when
// the list is full.
void PutInFront(std::vector<std::string>& list, std::string entry, int limit) {
    const auto found = std::find(list.begin(), list.end(), entry);
    if (found != list.end()) {
        list.erase(found);
    } else if (limit > 0 && static_cast<int>(list.size()) >= limit) {
        list.resize(static_cast<std::size_t>(limit) - 1);
    }
    list.insert(list.begin(), std::move(entry));
}

void WriteListKeys(const IniFile& file, std::string_view section, std::string_view keyPrefix,
                   int firstNumber, const std::vector<std::string>& list, ListValueFormat format) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        file.WriteString(section,
                         std::string(keyPrefix) + std::to_string(firstNumber + static_cast<int>(i)),
                         FormatListValue(list[i], format));
    }
}

void DeleteListKeysFrom(const IniFile& file, std::string_view section, std::string_view keyPrefix,
                        int firstNumber) {
    for (int n = firstNumber;; ++n) {
        const std::string key = std::string(keyPrefix) + std::to_string(n);
        if (!file.ReadString(section, key)) break;
        file.WriteString(section, key, std::nullopt);
    }
}

bool DirectoryIsWritable(const std::string& directory) {
    return !directory.empty() && ::access(directory.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

void LoadSettings(const IniFile& file, Settings& settings) {
    settings = Settings();
    for (const SettingRow& row : SettingRows()) ReadRow(file, row, settings);
    ApplyRulesBetweenSettings(file, settings);
    ReadLists(file, LoadsRecentStrings(file), settings);
}

void LoadSettings(const IniFile& file, Settings& settings, RunPlan& options) {
    LoadSettings(file, settings);
    options = DefaultPlan(settings);
}

RunPlan DefaultPlan(const Settings& settings) {
    RunPlan plan;
    for (const auto& [setting, planned] : kCheckBoxDefaults) plan.*planned = settings.*setting;
    plan.globalReplace = !settings.confirmEachDefault;
    plan.batchMode = !settings.startModeSingle;
    return WithPreferences(std::move(plan), settings);
}

RunPlan WithPreferences(RunPlan plan, const Settings& settings) {
    for (const auto& [setting, planned] : kPreferences) plan.*planned = settings.*setting;
    plan.expandTabSpaces = settings.expandTab;
    return plan;
}

bool WriteSetting(const IniFile& file, const Settings& settings, SettingKey key) {
    return WriteSettingText(file, key, RowOf(key).Format(settings));
}

bool WriteSettingText(const IniFile& file, SettingKey key, std::string_view stored) {
    const SettingRow& row = RowOf(key);
    return file.WriteString(row.section, row.name, stored);
}

void AddToRecentList(const IniFile& file, std::vector<std::string>& list, std::string entry,
                     int limit, std::string_view section, std::string_view keyPrefix,
                     ListValueFormat format) {
    PutInFront(list, std::move(entry), limit);
    WriteListKeys(file, section, keyPrefix, 1, list, format);
}

void AddToRecentList(const IniFile& file, std::vector<std::string>& list, std::string entry,
                     int limit, SettingList which) {
    const ListRow& row = RowOf(which);
    PutInFront(list, std::move(entry), limit);
    WriteListKeys(file, row.section, row.keyPrefix, row.firstNumber, list, row.format);
}

void DeleteListKeysAbove(const IniFile& file, std::string_view section, std::string_view keyPrefix,
                         int keep) {
    DeleteListKeysFrom(file, section, keyPrefix, keep + 1);
}

void DeleteListKeysAbove(const IniFile& file, SettingList which, int keep) {
    const ListRow& row = RowOf(which);
    DeleteListKeysFrom(file, row.section, row.keyPrefix, row.firstNumber + keep);
}

std::string SettingsFilePath(const std::string& programDirectory,
                             std::string_view commandLineName) {
    std::string directory = programDirectory;
    if (!DirectoryIsWritable(directory)) {
        const char* configHome = std::getenv("XDG_CONFIG_HOME");
        const char* home = std::getenv("HOME");
        const std::string base = configHome && *configHome ? configHome
                                 : home && *home           ? std::string(home) + "/.config"
                                                           : std::string(".config");
        directory = base + "/kesto";
        std::error_code ignored;
        std::filesystem::create_directories(directory, ignored);
    }
    std::string name = "kesto.INI";
    if (commandLineName.find(".ini") != std::string_view::npos) {
        name = std::filesystem::path(commandLineName).filename().string();
    }
    if (!directory.empty() && directory.back() != '/') directory += '/';
    return directory + name;
}

}  // namespace kesto
