#include "settings/Settings.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "settings/SettingChecks.h"
#include "text/AsciiCase.h"

namespace kesto {
namespace {

constexpr char kEmptyMark = '\xA7';  // § in the single-byte code page
constexpr std::string_view kEmptyMarkUtf8 = "\xC2\xA7";

class PreferenceReader {
public:
    explicit PreferenceReader(const IniFile& file) : m_file(file) {}

    // A missing or empty key keeps the default.
    std::optional<std::string> Value(std::string_view key) const {
        auto value = m_file.ReadString(kPreferencesSection, key);
        if (!value || value->empty()) return std::nullopt;
        return value;
    }
    void Flag(std::string_view key, bool& flag) const {
        if (auto value = Value(key)) flag = value->front() == '1';
    }
    // A path or command; one the system would cut short keeps the default.
    void Text(std::string_view key, std::string& text) const {
        if (auto value = Value(key); value && IsUsableText(*value)) text = *value;
    }
    void Number(std::string_view key, int& number) const {
        if (auto value = Value(key)) number = LeadingDecimal(*value);
    }
    // A number the options page would refuse keeps the default.
    void NumberIn(std::string_view key, const NumberRange& range, int& number) const {
        if (auto value = Value(key); value && range.Holds(LeadingDecimal(*value))) {
            number = LeadingDecimal(*value);
        }
    }

    // The decimal number at the start of the text, 0 when there is none.
    static int LeadingDecimal(std::string_view text) {
        std::size_t i = 0;
        bool negative = false;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
        long long value = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            value = std::min<long long>(value * 10 + (text[i] - '0'), 1'000'000'000);
        }
        return static_cast<int>(negative ? -value : value);
    }

private:
    const IniFile& m_file;
};

// Reads keys `prefix`N from `first` on until the first missing or empty key, at most `most`
// entries; an entry that `accept` refuses is passed over.
std::vector<std::string> ReadList(const IniFile& file, std::string_view section,
                                  std::string_view prefix, int first, int most,
                                  bool (*accept)(std::string_view) = nullptr) {
    std::vector<std::string> list;
    for (int n = first; most < 0 || static_cast<int>(list.size()) < most; ++n) {
        auto value = file.ReadString(section, std::string(prefix) + std::to_string(n));
        if (!value || value->empty()) break;
        if (accept && !accept(*value)) continue;
        list.push_back(std::move(*value));
    }
    return list;
}

bool StartsWithEmptyMark(std::string_view value) {
    return (!value.empty() && value.front() == kEmptyMark) || value.starts_with(kEmptyMarkUtf8);
}

std::string FormatListValue(std::string_view entry, ListValueFormat format) {
    if (format == ListValueFormat::Plain) return std::string(entry);
    if (format == ListValueFormat::QuotedEmptyAsMark && entry.empty()) {
        return std::string("\"") + kEmptyMark + "\"";
    }
    return "\"" + std::string(entry) + "\"";
}

void ToUpperAscii(std::vector<std::string>& list) {
    for (std::string& entry : list) {
        for (char& c : entry) {
            if (IsAsciiLower(c)) c = SwapCase(c);
        }
    }
}

void ReadPreferences(const PreferenceReader& read, Settings& s) {
    read.Flag("RetainBackUp", s.retainBackUp);
    read.Flag("DeletePermanently", s.deletePermanently);
    read.Flag("CharBackUp", s.charBackUp);
    read.Flag("ExtensionBackUp", s.extensionBackUp);
    read.Flag("ShowNoFinds", s.showNoFinds);
    read.Flag("StartModeSingle", s.startModeSingle);
    if (s.showNoFinds) {
        read.Flag("PrintNoFinds", s.printNoFinds);
    } else {
        s.printNoFinds = false;
    }
    // Both become part of every backup's name: what the Back Ups page refuses stays out.
    if (auto value = read.Value("BackUp Char"); value && !BackupCharacterProblem(*value)) {
        s.backUpChar = value->front();
    }
    if (auto value = read.Value("Replace Ext"); value && !ReplaceExtensionProblem(*value)) {
        s.replaceExt = *value;
    }
    // A missing "Select Files" reads as off, unlike every other flag.
    s.selectFiles = read.Value("Select Files").value_or("0").front() == '1';
    read.Flag("SearchSubs", s.searchSubs);
    read.Flag("Match Case Default", s.matchCaseDefault);
    read.Flag("Confirm Each Default", s.confirmEachDefault);
    read.Flag("AutoSetSpecialChar", s.autoSetSpecialChar);
    read.Flag("AutoSetWildCard", s.autoSetWildCard);
    read.Flag("SuppressWildCardNotification", s.suppressWildCardNotification);
    read.NumberIn("Border", kBorderRange, s.border);
    read.Number("PrintLinesPerPage", s.printLinesPerPage);
    if (read.Value("PrintFontPtSize")) {
        read.Number("PrintFontPtSize", s.printFontPtSize);
    } else if (s.printLinesPerPage > 80) {
        s.printFontPtSize = 8;
    } else if (s.printLinesPerPage > 70) {
        s.printFontPtSize = 9;
    } else if (s.printLinesPerPage < 58) {
        s.printFontPtSize = 12;
    } else {
        s.printFontPtSize = 10;
    }
    read.NumberIn("ExpandTab", kExpandTabRange, s.expandTab);
    read.Text("Editor", s.editor);
    read.Text("LastPath", s.lastPath);
    read.Text("LastBatchFilePath", s.lastBatchFilePath);
    read.NumberIn("LastFilterIndex", kLastFilterIndexRange, s.lastFilterIndex);
    read.Text("LastFilter", s.lastFilter);
}

void ReadLists(const IniFile& file, bool loadRecentStrings, Settings& s) {
    s.findFragments = ReadList(file, "Recent Find Fragments", "FindFragments", 1, 30);
    s.fileFilters = ReadList(file, "File Filters", "Filter", 1, 100);
    if (s.fileFilters.empty()) s.fileFilters = {"All Files | *.*", "Text | *.txt"};
    if (loadRecentStrings) {
        s.searchStrings = ReadList(file, "Recent Search Strings", "SearchStr", 1, s.maxSaveStrings);
        s.replaceStrings =
            ReadList(file, "Recent Replace Strings", "ReplaceStr", 1, s.maxSaveStrings);
        for (std::string& entry : s.replaceStrings) {
            if (StartsWithEmptyMark(entry)) entry.clear();
        }
        s.batchFiles =
            ReadList(file, "Recent Batch Files", "BatchFile", 1, s.maxSaveStrings, IsUsableText);
    }
    s.excludedExtensions = ReadList(file, "Excluded", "Exclude", 0, -1);
    s.includedExtensions = ReadList(file, "Included", "Include", 0, -1);
    ToUpperAscii(s.excludedExtensions);
    ToUpperAscii(s.includedExtensions);
}

void ApplyToOptions(const Settings& s, SessionOptions& options) {
    options.matchCase = s.matchCaseDefault;
    options.confirmEachReplace = s.confirmEachDefault;
    options.globalReplace = !s.confirmEachDefault;
    options.selectViaFileDialog = s.selectFiles;
    options.searchSubdirectories = s.searchSubs;
    options.batchMode = !s.startModeSingle;
    options.retainBackups = s.retainBackUp;
    options.showNoFinds = s.showNoFinds;
    options.printNoFinds = s.printNoFinds;
    options.suppressWildcardNotice = s.suppressWildCardNotification;
    options.expandTabSpaces = s.expandTab;
}

bool DirectoryIsWritable(const std::string& directory) {
    return !directory.empty() && ::access(directory.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

void LoadSettings(const IniFile& file, Settings& settings, SessionOptions& options) {
    settings = Settings();
    const PreferenceReader read(file);
    ReadPreferences(read, settings);

    // A stored limit of 0 or less keeps the default limit but loads no recent strings; one
    // above what the Preferences page takes is ignored.
    bool loadRecentStrings = true;
    if (auto value = read.Value("MaxSaveStrings")) {
        const int limit = PreferenceReader::LeadingDecimal(*value);
        if (limit <= 0) {
            loadRecentStrings = false;
        } else if (kMaxSaveStringsRange.Holds(limit)) {
            settings.maxSaveStrings = limit;
        }
    }
    ReadLists(file, loadRecentStrings, settings);
    ApplyToOptions(settings, options);
}

void AddToRecentList(const IniFile& file, std::vector<std::string>& list, std::string entry,
                     int limit, std::string_view section, std::string_view keyPrefix,
                     ListValueFormat format) {
    const auto found = std::find(list.begin(), list.end(), entry);
    if (found != list.end()) {
        list.erase(found);
    } else if (limit > 0 && static_cast<int>(list.size()) >= limit) {
        list.resize(static_cast<std::size_t>(limit) - 1);
    }
    list.insert(list.begin(), std::move(entry));
    for (std::size_t i = 0; i < list.size(); ++i) {
        file.WriteString(section, std::string(keyPrefix) + std::to_string(i + 1),
                         FormatListValue(list[i], format));
    }
}

void DeleteListKeysAbove(const IniFile& file, std::string_view section, std::string_view keyPrefix,
                         int keep) {
    for (int n = keep + 1;; ++n) {
        const std::string key = std::string(keyPrefix) + std::to_string(n);
        if (!file.ReadString(section, key)) break;
        file.WriteString(section, key, std::nullopt);
    }
}

bool WriteFlag(const IniFile& file, std::string_view section, std::string_view key, bool on) {
    return file.WriteString(section, key, on ? "1" : "0");
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
