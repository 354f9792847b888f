// SettingChecks: what a setting's value must be, whoever supplies it.
//
// The options pages check what the user types and the loader checks what it reads from the
// settings file with these same functions, so a value that a page would refuse never gets
// in by an edited settings file either: the loader ignores it and keeps the default. The
// backup character and extension become part of a file name next to each changed file;
// the numbers size the display and the remembered lists.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kesto {

// The characters a backup extension may hold, and the backup character: never a path
// separator, a dot or a NUL, so the backup always stays beside its file under a name of
// its own.
inline constexpr std::string_view kBackupNameCharacters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_^$~!#%&-{}()@'`";

// The whole numbers a setting may hold, both ends included.
struct NumberRange {
    long long least;
    long long most;

    constexpr bool Holds(long long value) const { return value >= least && value <= most; }
};

inline constexpr NumberRange kExpandTabRange{1, 24};
inline constexpr NumberRange kBorderRange{1, 20};
inline constexpr NumberRange kMaxSaveStringsRange{0, 100};
// The file dialog counts its filters from 1, and at most 100 are kept.
inline constexpr NumberRange kLastFilterIndexRange{1, 100};
// How many finished runs keep their journals.
inline constexpr NumberRange kKeepRunsRange{1, 1000};
// How many threads a run uses; 0 lets the run take one per processor core.
inline constexpr NumberRange kThreadsRange{0, 64};

// The message that refuses `character` as the backup character, or nothing when it is one
// of kBackupNameCharacters, compared as given (a lower-case letter is refused).
inline std::optional<std::string> BackupCharacterProblem(std::string_view character) {
    if (character.size() != 1) return "Extension back up character may only be 1 character!";
    if (kBackupNameCharacters.find(character.front()) == std::string_view::npos) {
        return "Back up character is NOT a valid extension character!";
    }
    return std::nullopt;
}

// The message that refuses `extension` as the replacement extension, or nothing when every
// character of it, upper-cased, is one of kBackupNameCharacters.
inline std::optional<std::string> ReplaceExtensionProblem(std::string_view extension) {
    if (extension.empty()) return "Replacement Extension may NOT be left empty!";
    for (char c : extension) {
        const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (kBackupNameCharacters.find(upper) == std::string_view::npos) {
            return "\"" + std::string(1, upper) + "\" is  NOT a valid extension character!";
        }
    }
    return std::nullopt;
}

// A path or a command: a NUL would cut it short wherever it is handed to the system, so
// the name used would not be the one shown.
inline bool IsUsableText(std::string_view text) {
    return text.find('\0') == std::string_view::npos;
}

}  // namespace kesto
