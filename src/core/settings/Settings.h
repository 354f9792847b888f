// Settings: every persistent value of the application, as one log window holds it, and the
// rules that read it from and write it to the settings file.
//
// Each window sets the defaults and then reads the whole file (LoadSettings); a page or
// dialog that changes a value writes its key at once (WriteSetting). Key names and defaults
// live in the tables of SettingRow and ListRow only. The remembered-string lists all follow
// one rule, AddToRecentList.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plan/RunPlan.h"
#include "settings/IniFile.h"
#include "settings/ListRow.h"
#include "settings/SettingRow.h"
#include "text/BackupName.h"

namespace kesto {

struct Settings {
    // Section "Preferences".
    bool retainBackUp = true;
    bool deletePermanently = false;
    bool charBackUp = true;
    bool extensionBackUp = false;
    bool showNoFinds = true;
    bool startModeSingle = true;
    bool printNoFinds = true;
    char backUpChar = '~';
    std::string replaceExt = "BAK";
    bool selectFiles = true;
    bool searchSubs = false;
    bool matchCaseDefault = false;
    bool confirmEachDefault = true;
    bool autoSetSpecialChar = false;
    bool autoSetWildCard = false;
    bool suppressWildCardNotification = false;
    bool regularExpression = false;
    bool preserveCase = false;
    // A walk leaves out the backups of earlier runs (a file named as the backup of a file
    // beside it).
    bool skipBackUpFiles = true;
    // A run leaves binary files as they are.
    bool skipBinaryFiles = true;
    // A walk leaves out what .gitignore, .ignore and .git/info/exclude exclude.
    bool respectIgnoreFiles = false;
    int border = 3;
    int printLinesPerPage = 70;
    int printFontPtSize = 10;
    int expandTab = 4;
    int maxSaveStrings = 20;
    int keepRuns = 20;
    // How many threads a run uses: 1 reads, searches and writes every file on the run's own
    // thread; more add workers that read and search files ahead of it; 0 is one per core.
    int threads = 0;
    // Case-blind matching and Preserve Case with every letter of Unicode, in UTF-8 text.
    bool unicodeCase = false;
    std::string editor = "xdg-open";
    std::string lastPath;
    std::string lastBatchFilePath;
    int lastFilterIndex = 1;
    std::string lastFilter;

    // The lists, most recent first where they are recent lists.
    std::vector<std::string> findFragments;
    std::vector<std::string> fileFilters;
    std::vector<std::string> searchStrings;
    std::vector<std::string> replaceStrings;
    std::vector<std::string> batchFiles;
    std::vector<std::string> excludedExtensions;  // upper case
    std::vector<std::string> includedExtensions;  // upper case

    // How the backups of a run are named under these settings.
    BackupNaming backupNaming() const { return {charBackUp, backUpChar, replaceExt}; }
};

// Resets `settings` to the defaults and reads every key of the file into it. A missing file
// reads as all defaults. A value that the options pages would refuse (SettingChecks.h) is
// ignored and its default kept; the file is only read, never corrected.
void LoadSettings(const IniFile& file, Settings& settings);
// The same, and `options` becomes the DefaultPlan of what was read.
void LoadSettings(const IniFile& file, Settings& settings, RunPlan& options);

// The plan a new window starts from: the check-box defaults and the preferences of
// `settings`.
[[nodiscard]] RunPlan DefaultPlan(const Settings& settings);
// `plan` with the preferences of `settings` (backups kept, the files without a match shown
// and printed, the wildcard notice, tab width, binary files), for a window whose
// preferences were changed.
[[nodiscard]] RunPlan WithPreferences(RunPlan plan, const Settings& settings);

// Writes the setting of `key` from `settings` in the form the loader reads back.
bool WriteSetting(const IniFile& file, const Settings& settings, SettingKey key);

// Writes `stored` as the setting of `key`, for a value kept as the user typed it.
bool WriteSettingText(const IniFile& file, SettingKey key, std::string_view stored);

// The one rule of every remembered-string list: an equal entry (exact comparison) moves to
// the front; otherwise the entry is put in front and, when the list already held `limit`
// entries, the last is dropped. Then keys 1..n of `section` are written, named `keyPrefix`
// followed by the number. Keys above n are left as they are.
void AddToRecentList(const IniFile& file, std::vector<std::string>& list, std::string entry,
                     int limit, std::string_view section, std::string_view keyPrefix,
                     ListValueFormat format);
// The same for one of the lists of the settings, under its keys and in its format.
void AddToRecentList(const IniFile& file, std::vector<std::string>& list, std::string entry,
                     int limit, SettingList which);

// Deletes keys `keyPrefix`N for N above `keep` up to the first missing key.
void DeleteListKeysAbove(const IniFile& file, std::string_view section, std::string_view keyPrefix,
                         int keep);
// Deletes the stored entries of the list after its first `keep`.
void DeleteListKeysAbove(const IniFile& file, SettingList which, int keep);

// Where the settings file lives: kesto.INI in `programDirectory` when that directory is
// writable, else in $XDG_CONFIG_HOME/kesto (default ~/.config/kesto). A command-line name
// holding ".ini" names a file in that same directory instead.
std::string SettingsFilePath(const std::string& programDirectory,
                             std::string_view commandLineName = {});

}  // namespace kesto
