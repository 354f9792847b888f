#include "files/RunJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

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
std::string IdNow(int attempt) {
    std::string id = UtcNow("%Y%m%d-%H%M%S") + "-" + std::to_string(::getpid());
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
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string id = IdNow(attempt);
        const std::string path = folder + "/" + id + ".journal";
        UniqueFd fd(
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd.valid() && errno == EEXIST) continue;
        if (!fd.valid()) {
            error = path + ": " + std::strerror(errno);
            return std::nullopt;
        }
        RunJournal journal(std::move(fd), id, path);
        const bool written =
            WriteAll(journal.m_fd.get(), std::string(kFormatLine) + "\n") &&
            journal.Append("run",
                           {id, UtcNow(), std::to_string(::getpid()), run.kind, run.search,
                            run.replace, run.switches, run.settingsPath},
                           true) &&
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

bool RunJournal::Append(std::string_view type, const std::vector<std::string_view>& fields,
                        bool toDisk) {
    if (m_failed) return false;
    std::string line(type);
    for (const std::string_view field : fields) {
        line += '\t';
        AppendEscaped(line, field);
    }
    line += "\t#" + Checksum(line) + "\n";
    m_failed = !WriteAll(m_fd.get(), line) || (toDisk && ::fdatasync(m_fd.get()) != 0);
    return !m_failed;
}

bool RunJournal::AboutToReplace(const std::string& path, const std::string& backupPath,
                                const ContentHash& before, const ContentHash& after) {
    return Append("about", {path, backupPath, before.Hex(), after.Hex()}, true);
}

bool RunJournal::Replaced(const std::string& path) {
    return Append("replaced", {path}, false);
}

bool RunJournal::BackupFate(const std::string& path, std::string_view fate) {
    return Append("backup", {path, fate}, false);
}

bool RunJournal::End(bool aborted) {
    return Append("end", {aborted ? "aborted" : "finished", UtcNow()}, true);
}

std::optional<JournalContents> ReadRunJournal(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string_view rest = text;
    const std::string first = std::string(RunJournal::kFormatLine) + "\n";
    if (rest.substr(0, first.size()) != first) return std::nullopt;
    rest.remove_prefix(first.size());

    JournalContents contents;
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
        } else if (type == "about" && f.size() == 5 && described) {
            const auto before = ContentHash::FromHex(f[3]);
            const auto after = ContentHash::FromHex(f[4]);
            if (before && after) {
                contents.files.push_back(
                    {f[1], f[2], *before, *after, JournalEntry::State::AboutToReplace, {}});
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
    }
    if (!described && contents.damage.empty()) contents.damage = "line 2: missing";
    return contents;
}

}  // namespace kesto
