// IniFile: one settings file of [sections] and key=value lines, read and written one key
// at a time.
//
// There is no cache: every read opens the file and every write replaces it, so a change
// made by one window reaches the windows opened later. Sections and keys match without
// regard to ASCII case. A value read back loses the blanks at its ends unless it was
// written inside double quotes, which the reader strips. A write replaces the file
// atomically (a temporary file beside it, then a rename) and keeps every other line of it
// byte for byte, including lines this reader does not understand.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kesto {

class IniFile {
public:
    explicit IniFile(std::string path) : m_path(std::move(path)) {}

    const std::string& path() const { return m_path; }

    // The value of the key, or nothing when the file, the section or the key is missing.
    std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;

    // Sets the key, creating the file and the section as needed; with no value the key is
    // deleted. Returns false when the file could not be written, or when the key or value
    // holds a line break (it would turn into lines of its own).
    bool WriteString(std::string_view section, std::string_view key,
                     std::optional<std::string_view> value) const;

private:
    std::string m_path;
};

}  // namespace kesto
