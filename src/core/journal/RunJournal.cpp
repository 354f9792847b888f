#include "journal/RunJournal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <unordered_map>

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

}  // namespace

std::string TemporaryNamePrefix(std::string_view prefix) {
    return ".kesto-" + std::string(prefix) + "-";
}

std::string NewTemporaryPrefix() {
    unsigned char bytes[6] = {};
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        std::uint64_t mixed = QuickHash(std::to_string(now.tv_nsec) + std::to_string(::getpid()));
        for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(mixed >>= 8);
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : bytes) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    return hex;
}

RunJournal::RunJournal(UniqueFd fd, std::string id, std::string path)
    : m_fd(std::move(fd)), m_id(std::move(id)), m_path(std::move(path)) {
}

std::optional<RunJournal> RunJournal::Create(const std::string& folder, const RunDescription& run,
                                             std::string& error) {
    const std::optional<StateFolder> state = StateFolder::Open(folder, true, error);
    if (!state) return std::nullopt;
    return Create(*state, run, error);
}

std::optional<RunJournal> RunJournal::Create(const StateFolder& folder, const RunDescription& run,
                                             std::string& error) {
    const int at = folder.fd();
    timespec started{};
    ::clock_gettime(CLOCK_REALTIME, &started);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string id = IdAt(started, attempt);
        const std::string name = id + ".journal";
        const std::string path = folder.path() + "/" + name;
        // Made under a hidden name and renamed once it is locked and begins with its format
        // line: under its own name a journal that is not held always tells what its run
        // did, even when the run was killed while making it.
        const std::string making = "." + name + ".new";
        UniqueFd fd(::openat(at, making.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd.valid() && errno == EEXIST) continue;
        if (!fd.valid()) {
            error = folder.path() + "/" + making + ": " + std::strerror(errno);
            return std::nullopt;
        }
        // Held for as long as the run lives: a journal nobody holds is of a run that ended
        // or died.
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 ||
            !WriteAll(fd.get(), std::string(kFormatLine) + "\n")) {
            error = folder.path() + "/" + making + ": " + std::strerror(errno);
            ::unlinkat(at, making.c_str(), 0);
            return std::nullopt;
        }
        if (::renameat2(at, making.c_str(), at, name.c_str(), RENAME_NOREPLACE) != 0) {
            const int failure = errno;
            ::unlinkat(at, making.c_str(), 0);
            if (failure == EEXIST) continue;
            error = path + ": " + std::strerror(failure);
            return std::nullopt;
        }
        RunJournal journal(std::move(fd), id, path);
        const BackupNaming& naming = run.naming;
        const bool written =
            journal.Append(
                "run",
                {id, UtcNow(), std::to_string(::getpid()), run.kind, run.search, run.replace,
                 run.switches, run.settingsPath, naming.prependChar ? "1" : "0",
                 std::string(1, naming.backupChar), naming.replaceExtension, run.temporaryPrefix},
                false) &&
            ::fsync(at) == 0;
        if (!written) {
            error = path + ": " + std::strerror(errno);
            return std::nullopt;
        }
        return journal;
    }
    error = folder.path() + ": no free journal name";
    return std::nullopt;
}

std::optional<RunJournal> RunJournal::Hold(const StateFolder& folder, const std::string& name,
                                           std::string& error) {
    const std::string path = folder.path() + "/" + name;
    UniqueFd fd(::openat(folder.fd(), name.c_str(),
                         O_RDWR | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (const std::string refusal = StateFolder::JournalRefusal(st); !refusal.empty()) {
        error = path + ": " + refusal;
        return std::nullopt;
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        error =
            errno == EWOULDBLOCK ? "in use by another process" : path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string id = name;
    if (id.ends_with(".journal")) id.resize(id.size() - 8);
    return RunJournal(std::move(fd), std::move(id), path);
}

std::optional<JournalContents> RunJournal::Read() const {
    return ReadRunJournalFrom(m_fd.get());
}

bool RunJournal::CutAfter(std::size_t trustedSize) {
    return ::ftruncate(m_fd.get(), static_cast<off_t>(trustedSize)) == 0;
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
        lines += Record("may",
                        {file.path, file.backupPath, std::to_string(file.folder.device),
                         std::to_string(file.folder.inode), std::to_string(s.device),
                         std::to_string(s.inode), std::to_string(s.size),
                         std::to_string(s.modifiedSeconds), std::to_string(s.modifiedNanoseconds)});
    }
    return Write(lines, true);
}

bool RunJournal::AboutToReplace(const std::string& path, const std::string& backupPath,
                                const FolderIdentity& folder, const ContentHash& before,
                                const ContentHash& after, bool toDisk) {
    return Append("about",
                  {path, backupPath, std::to_string(folder.device), std::to_string(folder.inode),
                   before.Hex(), after.Hex()},
                  toDisk);
}

bool RunJournal::ChangesSettled(std::string_view removal) {
    return Append("settled", {removal}, true);
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

namespace {

constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

bool InUse(const UniqueFd& fd) {
    return fd.valid() && ::flock(fd.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

bool EndsWithEndRecord(const UniqueFd& fd) {
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

// A run's backup naming as its record gives it; nothing when it could not be a run's.
std::optional<BackupNaming> NamingOf(const std::string& prepend, const std::string& character,
                                     const std::string& extension) {
    if ((prepend != "0" && prepend != "1") || character.size() != 1 || character[0] == '/' ||
        character[0] == '\0' ||
        extension.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
        return std::nullopt;
    }
    return BackupNaming{prepend == "1", character[0], extension};
}

bool IsTemporaryPrefix(std::string_view prefix) {
    return prefix.empty() || (prefix.size() == 12 &&
                              prefix.find_first_not_of("0123456789abcdef") == std::string::npos);
}

// Why a record names what its run could not have touched; empty when it is sound.
std::string DamageOf(const JournalEntry& entry, const RunDescription& run) {
    const std::string_view name = FileNameOf(entry.path);
    if (!entry.path.starts_with('/') || name.empty() || name == "." || name == "..") {
        return "not the path of a file";
    }
    if (entry.backupPath != BackupName(entry.path, run.naming)) {
        return "its backup is not the run's backup beside it";
    }
    // A file that is its own backup name is never taken by a run.
    if (SamePathIgnoringCase(entry.backupPath, entry.path)) return "it is its own backup";
    if (entry.folder.device == 0 && entry.folder.inode == 0) return "no folder recorded";
    return {};
}

}  // namespace

bool RunJournalInUse(int folder, const std::string& name) {
    return InUse(UniqueFd(::openat(folder, name.c_str(), kReadFlags)));
}

bool RunJournalInUse(const std::string& path) {
    return InUse(UniqueFd(::open(path.c_str(), kReadFlags)));
}

bool RunJournalEnded(int folder, const std::string& name) {
    return EndsWithEndRecord(UniqueFd(::openat(folder, name.c_str(), kReadFlags)));
}

bool RunJournalEnded(const std::string& path) {
    return EndsWithEndRecord(UniqueFd(::open(path.c_str(), kReadFlags)));
}

std::optional<JournalContents> ReadRunJournal(int folder, const std::string& name) {
    const UniqueFd fd(::openat(folder, name.c_str(), kReadFlags));
    if (!fd.valid()) return std::nullopt;
    return ReadRunJournalFrom(fd.get());
}

std::optional<JournalContents> ReadRunJournal(const std::string& path) {
    const UniqueFd fd(::open(path.c_str(), kReadFlags));
    if (!fd.valid()) return std::nullopt;
    return ReadRunJournalFrom(fd.get());
}

std::optional<JournalContents> ReadRunJournalFrom(int fd) {
    // Only a regular file of a sane size is read: a pipe or a device put in its place
    // must not block or fill the memory.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxJournalSize) {
        return std::nullopt;
    }
    if (const std::string refusal = StateFolder::JournalRefusal(st); !refusal.empty()) {
        JournalContents foreign;
        foreign.damage = "not a journal of your own: " + refusal;
        return foreign;
    }
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n =
            ::pread(fd, text.data() + got, text.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    std::string_view rest = text;
    const auto startsWithLine = [&rest](std::string_view line) {
        return rest.starts_with(line) && rest.substr(line.size()).starts_with('\n');
    };
    int format = 0;
    if (startsWithLine(RunJournal::kFormatLine)) {
        format = 2;
        rest.remove_prefix(RunJournal::kFormatLine.size() + 1);
    } else if (startsWithLine(RunJournal::kFirstFormatLine)) {
        format = 1;
        rest.remove_prefix(RunJournal::kFirstFormatLine.size() + 1);
    } else {
        return std::nullopt;
    }
    const std::size_t runFields = format == 1 ? 9 : 13;
    const std::size_t mayFields = format == 1 ? 8 : 10;
    const std::size_t aboutFields = format == 1 ? 5 : 7;

    JournalContents contents;
    contents.trustedSize = text.size() - rest.size();
    // The last entry of each path: a file is named again when a later group finds it changed.
    std::unordered_map<std::string, std::size_t> latest;
    const auto entryOf = [&](const std::string& file) -> JournalEntry* {
        const auto found = latest.find(file);
        return found == latest.end() ? nullptr : &contents.files[found->second];
    };
    const auto newEntry = [&](const std::string& file) -> JournalEntry& {
        latest[file] = contents.files.size();
        JournalEntry& entry = contents.files.emplace_back();
        entry.path = file;
        return entry;
    };
    const auto folderOf = [](const std::vector<std::string>& f, std::size_t first) {
        FolderIdentity folder;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        if (!ParseNumber(f[first], device) || !ParseNumber(f[first + 1], inode)) {
            return std::optional<FolderIdentity>();
        }
        folder.device = static_cast<dev_t>(device);
        folder.inode = static_cast<ino_t>(inode);
        return std::optional<FolderIdentity>(folder);
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
        if (type == "run" && f.size() == runFields && !described) {
            contents.id = f[1];
            contents.startTime = f[2];
            std::from_chars(f[3].data(), f[3].data() + f[3].size(), contents.pid);
            contents.run = {f[4], f[5], f[6], f[7], f[8], {}, {}};
            understood = true;
            if (format > 1) {
                const std::optional<BackupNaming> naming = NamingOf(f[9], f[10], f[11]);
                understood = naming && IsTemporaryPrefix(f[12]);
                if (naming) contents.run.naming = *naming;
                contents.run.temporaryPrefix = f[12];
            }
            described = understood;
        } else if (type == "may" && f.size() == mayFields && described) {
            const std::size_t stampAt = mayFields - 5;
            const auto stamp = StampOf(f, stampAt);
            const auto folder =
                format == 1 ? std::optional<FolderIdentity>(FolderIdentity{}) : folderOf(f, 3);
            if (stamp && folder) {
                JournalEntry* entry = entryOf(f[1]);
                if (!entry || entry->state != JournalEntry::State::Intended) {
                    entry = &newEntry(f[1]);
                    entry->state = JournalEntry::State::Intended;
                }
                entry->backupPath = f[2];
                entry->folder = *folder;
                entry->original = *stamp;
                understood = true;
            }
        } else if (type == "about" && f.size() == aboutFields && described) {
            const auto before = ContentHash::FromHex(f[aboutFields - 2]);
            const auto after = ContentHash::FromHex(f[aboutFields - 1]);
            const auto folder =
                format == 1 ? std::optional<FolderIdentity>(FolderIdentity{}) : folderOf(f, 3);
            if (before && after && folder) {
                JournalEntry* entry = entryOf(f[1]);
                if (!entry || entry->state != JournalEntry::State::Intended)
                    entry = &newEntry(f[1]);
                entry->backupPath = f[2];
                entry->folder = *folder;
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
        } else if (type == "settled" && f.size() == 2 && described && contents.settled.empty() &&
                   (f[1] == "delete" || f[1] == "trash")) {
            contents.settled = f[1];
            understood = true;
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
    for (JournalEntry& entry : contents.files) {
        entry.damage = format == 1 ? "written by an earlier version of Kesto, which did not "
                                     "record the file's folder"
                                   : DamageOf(entry, contents.run);
    }
    return contents;
}

}  // namespace kesto
