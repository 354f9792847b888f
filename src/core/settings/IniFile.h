// IniFile: one settings file of [sections] and key=value lines, read and written one key
// at a time.
//
// Every read sees the file as it is at that moment, so a change made by one window, or by
// another program, reaches the next read. Sections and keys match without regard to ASCII
// case. A value read back loses the blanks at its ends unless it was written inside double
// quotes, which the reader strips. A write replaces the file atomically (a temporary file
// of an unpredictable name beside it, then a rename) and keeps every other line of it byte
// for byte, including lines this reader does not understand.
//
// Reading a thousand keys must not read the file a thousand times: the parsed text, the
// last read or the last written by this process, is reused for as long as the file keeps
// its identity, size, modification and status-change times, and only once those times lie
// before the moment the text was taken (a change within the same tick of the clock would
// otherwise go unseen). One IniFile is for one thread at a time.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kesto {

namespace detail {
struct IniSnapshot;
}

class IniFile {
public:
    explicit IniFile(std::string path) : m_path(std::move(path)) {}

    const std::string& path() const { return m_path; }

    // The value of the key, or nothing when the file, the section or the key is missing.
    std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;

    // Sets the key, creating the file and the section as needed; with no value the key is
    // deleted. Returns false when the file could not be read or written, or when the key or
    // value holds a line break (it would turn into lines of its own). A failed write leaves
    // the file as it was and no temporary file behind.
    bool WriteString(std::string_view section, std::string_view key,
                     std::optional<std::string_view> value) const;

private:
    // The file as it is now: the parsed text kept from before when it still holds, the
    // empty text when the file is missing, nothing when it is there but cannot be read.
    std::shared_ptr<const detail::IniSnapshot> Current() const;

    std::string m_path;
    mutable std::shared_ptr<const detail::IniSnapshot> m_snapshot;
};

}  // namespace kesto
