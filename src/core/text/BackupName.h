// Backup names and the short form of a path for the status line.
#pragma once

#include <string>
#include <string_view>

namespace kesto {

struct BackupNaming {
    bool prependChar = true;  // "CharBackUp": report.txt -> report.~txt
    char backupChar = '~';
    std::string replaceExtension = "BAK";  // otherwise: report.txt -> report.BAK
};

// The backup path of `path`. The extension is the part of the file name after its last
// dot (none when the name has no dot); a dot in a directory name never counts.
std::string BackupName(std::string_view path, const BackupNaming& naming);

// Whether two paths name the same file, with ASCII letters compared without case.
bool SamePathIgnoringCase(std::string_view a, std::string_view b);

// The path as the status line shows it: itself up to 60 characters; otherwise "/..." and
// the longest tail that starts at a separator and has at most 54 characters; the file
// name alone when no such tail exists.
std::string ShortDisplayName(std::string_view path);

// The directory part (without the final separator) and the file name of a path.
std::string_view DirectoryOf(std::string_view path);
std::string_view FileNameOf(std::string_view path);
// `directory` and `name` joined by one separator.
std::string JoinPath(std::string_view directory, std::string_view name);

}  // namespace kesto
