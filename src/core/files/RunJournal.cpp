#include "files/RunJournal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "text/WriteAll.h"

namespace kesto {
namespace {

// The time now in UTC, as `format` (strftime) writes it.
std::string UtcNow(const char* format = "%Y-%m-%dT%H:%M:%SZ") {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, format, &utc);
    return text;
}

// The id names the journal's file: when the run started, and which process ran it.
// Seconds and milliseconds come from one reading of the clock, and every attempt of one
// journal shares it: a retry must not take a later millisecond that an id made next
// could undercut.
std::string IdAt(const timespec& moment, int attempt) {
    std::tm utc{};
    ::gmtime_r(&moment.tv_sec, &utc);
    char seconds[32];
    std::strftime(seconds, sizeof seconds, "%Y%m%d-%H%M%S", &utc);
    char millis[24];
    std::snprintf(millis, sizeof millis, ".%03ld", moment.tv_nsec / 1'000'000);
    std::string id = std::string(seconds) + millis + "-" + std::to_string(::getpid());
    if (attempt > 0) id += "-" + std::to_string(attempt);
    return id;
}

void AppendEscaped(std::string& out, std::string_view field) {
    for (const char c : field) {
        switch (c) {
        case '\t':
            out += "%09";
            break;
        case '\n':
            out += "%0A";
            break;
        case '\r':
            out += "%0D";
            break;
        case '%':
            out += "%25";
            break;
        default:
            out += c;
        }
    }
}

std::optional<std::string> Unescaped(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out += field[i];
            continue;
        }
        const std::string_view code = field.substr(i + 1, 2);
        if (code == "09") {
            out += '\t';
        } else if (code == "0A") {
            out += '\n';
        } else if (code == "0D") {
            out += '\r';
        } else if (code == "25") {
            out += '%';
        } else {
            return std::nullopt;
        }
        i += 2;
    }
    return out;
}

std::string Checksum(std::string_view line) {
    const std::uint64_t sum = QuickHash(line);
    std::string hex;
    for (int shift = 60; shift >= 0; shift -= 4) hex += "0123456789abcdef"[(sum >> shift) & 15];
    return hex;
}

// The fields of one checked line (without its line feed); nothing when it is damaged.
std::optional<std::vector<std::string>> Fields(std::string_view line) {
    const std::size_t mark = line.rfind("\t#");
    if (mark == std::string_view::npos || line.substr(mark + 2) != Checksum(line.substr(0, mark))) {
        return std::nullopt;
    }
    std::vector<std::string> fields;
    std::string_view rest = line.substr(0, mark);
    for (;;) {
        const std::size_t tab = rest.find('\t');
        const auto field = Unescaped(rest.substr(0, tab));
        if (!field) return std::nullopt;
        fields.push_back(*field);
        if (tab == std::string_view::npos) break;
        rest.remove_prefix(tab + 1);
    }
    return fields;
}

// One record: its type and fields, escaped, with the checksum and the line feed.
std::string Record(std::string_view type, const std::vector<std::string_view>& fields) {
    std::string line(type);
    for (const std::string_view field : fields) {
        line += '\t';
        AppendEscaped(line, field);
    }
    line += "\t#" + Checksum(line) + "\n";
    return line;
}

template <typename Number>
bool ParseNumber(const std::string& text, Number& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end && !text.empty();
}

std::optional<FileStamp> StampOf(const std::vector<std::string>& f, std::size_t first) {
    FileStamp stamp;
    if (!ParseNumber(f[first], stamp.device) || !ParseNumber(f[first + 1], stamp.inode) ||
        !ParseNumber(f[first + 2], stamp.size) ||
        !ParseNumber(f[first + 3], stamp.modifiedSeconds) ||
        !ParseNumber(f[first + 4], stamp.modifiedNanoseconds)) {
        return std::nullopt;
    }
    return stamp;
}

bool SyncFolder(const std::string& folder) {
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.valid() && ::fsync(fd.get()) == 0;
}

}  // namespace

RunJournal::RunJournal(UniqueFd fd, std::string id, std::string path)
    : m_fd(std::move(fd)), m_id(std::move(id)), m_path(std::move(path)) {
}

std::optional<RunJournal> RunJournal::Create(const std::string& folder, const RunDescription& run,
                                             std::string& error) {
    std::string made;
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/') continue;
        made = folder.substr(0, at);
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
            error = made + ": " + std::strerror(errno);
            return std::nullopt;
        }
    }
    timespec started{};
    ::clock_gettime(CLOCK_REALTIME, &started);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string id = IdAt(started, attempt);
        const std::string path = folder + "/" + id + ".journal";
        // Made under a hidden name and renamed once it is locked and begins with its format
        // line: under its own name a journal that is not held always tells what its run
        // did, even when the run was killed while making it.
        const std::string making = folder + "/." + id + ".journal.new";
        UniqueFd fd(
            ::open(making.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd.valid() && errno == EEXIST) continue;
        if (!fd.valid()) {
            error = making + ": " + std::strerror(errno);
            return std::nullopt;
        }
        // Held for as long as the run lives: a journal nobody holds is of a run that ended
        // or died.
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 ||
            !WriteAll(fd.get(), std::string(kFormatLine) + "\n")) {
            error = making + ": " + std::strerror(errno);
            ::unlink(making.c_str());
            return std::nullopt;
        }
        if (::renameat2(AT_FDCWD, making.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
            const int failure = errno;
            ::unlink(making.c_str());
            if (failure == EEXIST) continue;
            error = path + ": " + std::strerror(failure);
            return std::nullopt;
        }
        RunJournal journal(std::move(fd), id, path);
        const bool written =
            journal.Append("run",
                           {id, UtcNow(), std::to_string(::getpid()), run.kind, run.search,
                            run.replace, run.switches, run.settingsPath},
                           false) &&
            SyncFolder(folder);
        if (!written) {
            error = path + ": " + std::strerror(errno);
            return std::nullopt;
        }
        return journal;
    }
    error = folder + ": no free journal name";
    return std::nullopt;
}

std::optional<RunJournal> RunJournal::Reopen(const std::string& path, std::size_t trustedSize,
                                             std::string& error) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid() || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 ||
        ::ftruncate(fd.get(), static_cast<off_t>(trustedSize)) != 0) {
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string id = path.substr(path.rfind('/') + 1);
    if (id.ends_with(".journal")) id.resize(id.size() - 8);
    return RunJournal(std::move(fd), std::move(id), path);
}

bool RunJournal::Write(std::string_view lines, bool toDisk) {
    if (m_failed) return false;
    m_pending += lines;
    // Records nothing waits for are gathered, so that a run of many files does not pay a
    // system call for each of them.
    if (!toDisk && m_pending.size() < kPendingLimit) return true;
    m_failed = !WriteAll(m_fd.get(), m_pending) || (toDisk && ::fdatasync(m_fd.get()) != 0);
    m_pending.clear();
    return !m_failed;
}

bool RunJournal::Append(std::string_view type, const std::vector<std::string_view>& fields,
                        bool toDisk) {
    return Write(Record(type, fields), toDisk);
}

bool RunJournal::MayReplace(const std::vector<IntendedFile>& files) {
    std::string lines;
    for (const IntendedFile& file : files) {
        const FileStamp& s = file.original;
        lines += Record(
            "may", {file.path, file.backupPath, std::to_string(s.device), std::to_string(s.inode),
                    std::to_string(s.size), std::to_string(s.modifiedSeconds),
                    std::to_string(s.modifiedNanoseconds)});
    }
    return Write(lines, true);
}

bool RunJournal::AboutToReplace(const std::string& path, const std::string& backupPath,
                                const ContentHash& before, const ContentHash& after, bool toDisk) {
    return Append("about", {path, backupPath, before.Hex(), after.Hex()}, toDisk);
}

bool RunJournal::Replaced(const std::string& path) {
    return Append("replaced", {path}, false);
}

bool RunJournal::BackupFate(const std::string& path, std::string_view fate) {
    return Append("backup", {path, fate}, false);
}

bool RunJournal::End(bool aborted) {
    return Append("end", {aborted ? "aborted" : "finished", UtcNow()}, false) && WritePending();
}

bool RunJournal::WritePending() {
    if (m_failed) return false;
    m_failed = !WriteAll(m_fd.get(), m_pending);
    m_pending.clear();
    return !m_failed;
}

bool RunJournalInUse(const std::string& path) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    return fd.valid() && ::flock(fd.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

bool RunJournalEnded(const std::string& path) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    char tail[4096];
    const off_t from = std::max<off_t>(0, st.st_size - static_cast<off_t>(sizeof tail));
    const ssize_t got = ::pread(fd.get(), tail, sizeof tail, from);
    if (got <= 0) return false;
    std::string_view text(tail, static_cast<std::size_t>(got));
    if (!text.ends_with('\n')) return false;
    text.remove_suffix(1);
    const std::size_t start = text.rfind('\n');
    if (start == std::string_view::npos) return false;
    const auto fields = Fields(text.substr(start + 1));
    return fields && fields->size() == 3 && (*fields)[0] == "end";
}

std::optional<JournalContents> ReadRunJournal(const std::string& path) {
    // Only a regular file of a sane size is read: a pipe or a device put in its place
    // must not block or fill the memory.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > kMaxJournalSize) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd.get(), text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    std::string_view rest = text;
    const std::string first = std::string(RunJournal::kFormatLine) + "\n";
    if (rest.substr(0, first.size()) != first) return std::nullopt;
    rest.remove_prefix(first.size());

    JournalContents contents;
    contents.trustedSize = first.size();
    const auto entryOf = [&contents](const std::string& file) -> JournalEntry* {
        for (auto it = contents.files.rbegin(); it != contents.files.rend(); ++it) {
            if (it->path == file) return &*it;
        }
        return nullptr;
    };
    bool described = false;
    for (int number = 2; !rest.empty(); ++number) {
        const std::size_t feed = rest.find('\n');
        const std::string where = "line " + std::to_string(number);
        if (feed == std::string_view::npos) {
            contents.damage = where + ": incomplete";
            break;
        }
        const auto fields = Fields(rest.substr(0, feed));
        rest.remove_prefix(feed + 1);
        if (!fields) {
            contents.damage = where + ": damaged";
            break;
        }
        const std::vector<std::string>& f = *fields;
        const std::string& type = f[0];
        bool understood = false;
        if (type == "run" && f.size() == 9 && !described) {
            contents.id = f[1];
            contents.startTime = f[2];
            std::from_chars(f[3].data(), f[3].data() + f[3].size(), contents.pid);
            contents.run = {f[4], f[5], f[6], f[7], f[8]};
            described = understood = true;
        } else if (type == "may" && f.size() == 8 && described) {
            if (const auto stamp = StampOf(f, 3)) {
                JournalEntry* entry = entryOf(f[1]);
                if (!entry || entry->state != JournalEntry::State::Intended) {
                    entry = &contents.files.emplace_back();
                    entry->path = f[1];
                    entry->state = JournalEntry::State::Intended;
                }
                entry->backupPath = f[2];
                entry->original = *stamp;
                understood = true;
            }
        } else if (type == "about" && f.size() == 5 && described) {
            const auto before = ContentHash::FromHex(f[3]);
            const auto after = ContentHash::FromHex(f[4]);
            if (before && after) {
                JournalEntry* entry = entryOf(f[1]);
                if (!entry || entry->state != JournalEntry::State::Intended) {
                    entry = &contents.files.emplace_back();
                    entry->path = f[1];
                }
                entry->backupPath = f[2];
                entry->before = *before;
                entry->after = *after;
                entry->state = JournalEntry::State::AboutToReplace;
                understood = true;
            }
        } else if (type == "replaced" && f.size() == 2 && described) {
            if (JournalEntry* entry = entryOf(f[1])) {
                entry->state = JournalEntry::State::Replaced;
                understood = true;
            }
        } else if (type == "backup" && f.size() == 3 && described) {
            if (JournalEntry* entry = entryOf(f[1])) {
                entry->backupFate = f[2];
                understood = true;
            }
        } else if (type == "end" && f.size() == 3 && described && !contents.ended) {
            contents.ended = true;
            contents.aborted = f[1] == "aborted";
            contents.endTime = f[2];
            understood = true;
        }
        if (!understood) {
            contents.damage = where + ": not understood";
            break;
        }
        contents.trustedSize = text.size() - rest.size();
    }
    if (!described && contents.damage.empty()) contents.damage = "line 2: missing";
    return contents;
}

}  // namespace kesto
