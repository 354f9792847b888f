#include "settings/IniFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <unordered_map>
#include <vector>

#include "text/AsciiCase.h"
#include "text/UniqueFd.h"
#include "text/WriteAll.h"

namespace kesto {
namespace detail {

// One line of the file as read, with its line ending kept.
struct IniLine {
    std::string text;  // without the line ending
    std::string ending;
};

// The text of the file, parsed.
struct IniText {
    std::string content;
    std::vector<IniLine> lines;
    // Section and key, ASCII lower case, to the value of the key's first line in the file.
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>> values;
};

// The file's text as taken at one moment, and what tells whether the file still holds it.
struct IniSnapshot {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};  // the status change, which no program can set back
    // Both times lie before the moment the text was taken, so any later change shows in
    // them; only then is the text used without reading the file.
    bool settled = false;
    std::shared_ptr<const IniText> text = std::make_shared<IniText>();
};

}  // namespace detail

namespace {

using detail::IniLine;
using detail::IniSnapshot;
using detail::IniText;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::string Folded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

std::vector<IniLine> SplitLines(const std::string& all) {
    std::vector<IniLine> lines;
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

long long Nanoseconds(const timespec& time) {
    return static_cast<long long>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// The clock that stamps file times, so that a time taken now is one no later change of the
// file can be stamped before.
timespec FileClockNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}

bool SettledBefore(const timespec& stamp, const timespec& readAt) {
    // A file system that keeps whole seconds shows every time with no nanoseconds; a change
    // within the same second would keep the time, so such a text waits two seconds.
    const long long grain = stamp.tv_nsec == 0 ? 2'000'000'000 : 0;
    return Nanoseconds(stamp) + grain < Nanoseconds(readAt);
}

std::shared_ptr<const IniText> Parse(std::string content) {
    auto text = std::make_shared<IniText>();
    text->lines = SplitLines(content);
    text->content = std::move(content);
    // A section may come back further down; its first line of a key still wins.
    std::unordered_map<std::string, std::string>* keys = nullptr;
    for (const IniLine& line : text->lines) {
        if (auto name = SectionOf(line.text)) {
            keys = &text->values.try_emplace(Folded(*name)).first->second;
            continue;
        }
        if (!keys) continue;
        if (auto key = KeyOf(line.text)) keys->try_emplace(Folded(*key), ValueOf(line.text));
    }
    return text;
}

// `content` as the file of `status`, taken at `takenAt`. The parse of `known` is kept when
// it is of the same text.
std::shared_ptr<const IniSnapshot> SnapshotOf(std::string content, const struct stat& status,
                                              const timespec& takenAt,
                                              const std::shared_ptr<const IniSnapshot>& known) {
    auto snapshot = std::make_shared<IniSnapshot>();
    snapshot->device = status.st_dev;
    snapshot->inode = status.st_ino;
    snapshot->size = status.st_size;
    snapshot->modified = status.st_mtim;
    snapshot->changed = status.st_ctim;
    snapshot->settled = S_ISREG(status.st_mode) && SettledBefore(status.st_mtim, takenAt) &&
                        SettledBefore(status.st_ctim, takenAt);
    snapshot->text =
        known && known->text->content == content ? known->text : Parse(std::move(content));
    return snapshot;
}

const std::shared_ptr<const IniSnapshot>& MissingFile() {
    static const std::shared_ptr<const IniSnapshot> missing = std::make_shared<IniSnapshot>();
    return missing;
}

bool IsMissing(int error) {
    return error == ENOENT || error == ENOTDIR;
}

// The file read now: the empty text when it is missing, nothing when it cannot be read.
// While the file's times are too recent to be trusted, it is read again for every use, but
// parsed again only when its text has changed from `known`.
std::shared_ptr<const IniSnapshot> ReadSnapshot(const std::string& path,
                                                const std::shared_ptr<const IniSnapshot>& known) {
    const timespec readAt = FileClockNow();
    const UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid()) return IsMissing(errno) ? MissingFile() : nullptr;
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) return nullptr;
    std::string content;
    // Anything but a regular file reads as empty, as a folder always has.
    if (S_ISREG(status.st_mode)) {
        content.resize(static_cast<std::size_t>(status.st_size));
        std::size_t got = 0;
        for (;;) {
            if (got == content.size()) content.resize(content.size() + 4096);
            const ssize_t n = ::read(file.get(), content.data() + got, content.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return nullptr;
            if (n == 0) break;
            got += static_cast<std::size_t>(n);
        }
        content.resize(got);
    }
    return SnapshotOf(std::move(content), status, readAt, known);
}

bool RandomHex(std::string& hex) {
    unsigned char bytes[8];
    ssize_t got = -1;
    do {
        got = ::getrandom(bytes, sizeof bytes, 0);
    } while (got < 0 && errno == EINTR);
    if (got != static_cast<ssize_t>(sizeof bytes)) return false;
    static constexpr char kDigits[] = "0123456789abcdef";
    hex.clear();
    for (unsigned char byte : bytes) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return true;
}

// Puts `content` under `path` in one rename. The temporary file is new (never a file or
// link someone else put there) and readable by nobody else until it has the old file's
// mode. `written` receives the new file's status and `before` a time no later change of
// it can be stamped before.
bool WriteAtomically(const std::string& path, const std::string& content, struct stat& written,
                     timespec& before) {
    struct stat old {};
    const bool hadFile = ::stat(path.c_str(), &old) == 0;
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        std::string suffix;
        if (!RandomHex(suffix)) return false;
        temporary = path;
        temporary += ".tmp-";
        temporary += suffix;
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool ok = WriteAll(fd, content);
    if (ok && hadFile) ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = ok && ::fstat(fd, &written) == 0;
    ok = ::close(fd) == 0 && ok;
    before = FileClockNow();
    if (ok) ok = ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

}  // namespace

std::shared_ptr<const IniSnapshot> IniFile::Current() const {
    struct stat status {};
    if (::stat(m_path.c_str(), &status) != 0) {
        m_snapshot.reset();
        return IsMissing(errno) ? MissingFile() : nullptr;
    }
    if (m_snapshot && m_snapshot->settled && m_snapshot->device == status.st_dev &&
        m_snapshot->inode == status.st_ino && m_snapshot->size == status.st_size &&
        Nanoseconds(m_snapshot->modified) == Nanoseconds(status.st_mtim) &&
        Nanoseconds(m_snapshot->changed) == Nanoseconds(status.st_ctim)) {
        return m_snapshot;
    }
    m_snapshot = ReadSnapshot(m_path, m_snapshot);
    return m_snapshot;
}

std::optional<std::string> IniFile::ReadString(std::string_view section,
                                               std::string_view key) const {
    const std::shared_ptr<const IniSnapshot> snapshot = Current();
    if (!snapshot) return std::nullopt;
    const auto& values = snapshot->text->values;
    const auto inSection = values.find(Folded(section));
    if (inSection == values.end()) return std::nullopt;
    const auto value = inSection->second.find(Folded(key));
    if (value == inSection->second.end()) return std::nullopt;
    return value->second;
}

bool IniFile::WriteString(std::string_view section, std::string_view key,
                          std::optional<std::string_view> value) const {
    if (HoldsLineBreak(section) || HoldsLineBreak(key) || (value && HoldsLineBreak(*value))) {
        return false;
    }
    const std::shared_ptr<const IniSnapshot> snapshot = Current();
    // A file that is there but cannot be read is not replaced by the one line written.
    if (!snapshot) return false;
    std::vector<IniLine> lines = snapshot->text->lines;
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
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd),
                     IniLine{newLine, ending});
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
    struct stat written {};
    timespec before{};
    if (!WriteAtomically(m_path, content, written, before)) return false;
    m_snapshot = SnapshotOf(std::move(content), written, before, nullptr);
    return true;
}

}  // namespace kesto
