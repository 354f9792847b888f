#include "settings/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <vector>

#include "engine/AsciiCase.h"

namespace kesto {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// One line of the file as read, with its line ending kept.
struct Line {
    std::string text;  // without the line ending
    std::string ending;
};

std::vector<Line> ReadLines(const std::string& path, bool& exists) {
    std::ifstream in(path, std::ios::binary);
    exists = static_cast<bool>(in);
    std::vector<Line> lines;
    if (!in) return lines;
    std::stringstream content;
    content << in.rdbuf();
    const std::string all = content.str();
    std::size_t begin = 0;
    while (begin < all.size()) {
        const std::size_t feed = all.find('\n', begin);
        if (feed == std::string::npos) {
            lines.push_back({all.substr(begin), ""});
            break;
        }
        std::size_t end = feed;
        std::string ending = "\n";
        if (end > begin && all[end - 1] == '\r') {
            --end;
            ending = "\r\n";
        }
        lines.push_back({all.substr(begin, end - begin), ending});
        begin = feed + 1;
    }
    return lines;
}

// The section name of a "[name]" line.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// The key of a "key=value" line.
std::optional<std::string_view> KeyOf(std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(0, equals));
}

std::string ValueOf(std::string_view line) {
    std::string_view value = Trim(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

bool HoldsLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool WriteAtomically(const std::string& path, const std::string& content) {
    const std::string temporary = path + ".tmp-" + std::to_string(::getpid());
    struct stat old {};
    const bool hadFile = ::stat(path.c_str(), &old) == 0;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    std::size_t written = 0;
    while (ok && written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) written += static_cast<std::size_t>(n);
    }
    if (ok && hadFile) ::fchmod(fd, old.st_mode & 07777);
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

}  // namespace

std::optional<std::string> IniFile::ReadString(std::string_view section,
                                               std::string_view key) const {
    bool exists = false;
    const std::vector<Line> lines = ReadLines(m_path, exists);
    bool inSection = false;
    for (const Line& line : lines) {
        if (auto name = SectionOf(line.text)) {
            inSection = EqualsIgnoringAsciiCase(*name, section);
            continue;
        }
        if (!inSection) continue;
        if (auto name = KeyOf(line.text); name && EqualsIgnoringAsciiCase(*name, key))
            return ValueOf(line.text);
    }
    return std::nullopt;
}

bool IniFile::WriteString(std::string_view section, std::string_view key,
                          std::optional<std::string_view> value) const {
    if (HoldsLineBreak(section) || HoldsLineBreak(key) || (value && HoldsLineBreak(*value))) {
        return false;
    }
    bool exists = false;
    std::vector<Line> lines = ReadLines(m_path, exists);
    const std::string ending =
        !lines.empty() && lines.front().ending == "\r\n" ? "\r\n" : std::string("\n");
    const std::string newLine = value ? std::string(key) + "=" + std::string(*value) : "";

    std::optional<std::size_t> sectionAt;
    std::optional<std::size_t> keyAt;
    std::size_t sectionEnd = lines.size();  // one past the section's last key line
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto name = SectionOf(lines[i].text)) {
            if (sectionAt) break;  // the section has ended
            if (EqualsIgnoringAsciiCase(*name, section)) {
                sectionAt = i;
                sectionEnd = i + 1;
            }
            continue;
        }
        if (!sectionAt) continue;
        if (!Trim(lines[i].text).empty()) sectionEnd = i + 1;
        if (auto name = KeyOf(lines[i].text); name && EqualsIgnoringAsciiCase(*name, key) && !keyAt)
            keyAt = i;
    }

    if (keyAt) {
        if (value) {
            lines[*keyAt].text = newLine;
        } else {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*keyAt));
        }
    } else if (!value) {
        return true;  // nothing to delete
    } else if (sectionAt) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), {newLine, ending});
    } else {
        lines.push_back({"[" + std::string(section) + "]", ending});
        lines.push_back({newLine, ending});
    }
    std::string content;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        content += lines[i].text;
        // A line that came without an ending gets one when another line follows it.
        content += lines[i].ending.empty() && i + 1 < lines.size() ? ending : lines[i].ending;
    }
    return WriteAtomically(m_path, content);
}

}  // namespace kesto
