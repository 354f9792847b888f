#include "patch/DiffReader.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

namespace kesto {
namespace {

constexpr std::string_view kCreates = "Creates a file - not applied!";
constexpr std::string_view kDeletes = "Deletes the file - not applied!";
constexpr std::string_view kRenames = "Renames the file - not applied!";
constexpr std::string_view kMode = "Changes the file's mode - not applied!";
constexpr std::string_view kBinary = "Binary patch - not applied!";
constexpr std::string_view kLeaves = "Leaves the current folder - not applied!";
constexpr std::string_view kTwice = "Named more than once in the diff - not applied!";
constexpr std::string_view kNoName = "Names no file - not applied!";

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The line without its line feed and a carriage return before it: what a header says.
std::string_view HeaderText(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// A name in double quotes with C escapes, from its opening quote; `used` gets how many
// bytes it took. Nothing when it is not closed or an escape is not one.
std::optional<std::string> Unquoted(std::string_view text, std::size_t& used) {
    std::string name;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            used = i + 1;
            return name;
        }
        if (c != '\\') {
            name += c;
            continue;
        }
        if (++i >= text.size()) return std::nullopt;
        const char e = text[i];
        if (e >= '0' && e <= '7') {
            int value = 0;
            std::size_t digits = 0;
            for (; digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++digits) {
                value = value * 8 + (text[i++] - '0');
            }
            --i;
            if (digits != 3 || value > 0xff) return std::nullopt;
            name += static_cast<char>(value);
            continue;
        }
        static constexpr std::string_view kFrom = "abtnvfr\"\\";
        static constexpr std::string_view kTo = "\a\b\t\n\v\f\r\"\\";
        const std::size_t at = kFrom.find(e);
        if (at == std::string_view::npos) return std::nullopt;
        name += kTo[at];
    }
    return std::nullopt;
}

// The name a "---" or "+++" line gives (after its four bytes): quoted, or up to a tab.
std::optional<std::string> HeaderName(std::string_view text) {
    if (StartsWith(text, "\"")) {
        std::size_t used = 0;
        return Unquoted(text, used);
    }
    return std::string(text.substr(0, text.find('\t')));
}

std::string WithoutPrefix(const std::string& name, std::string_view prefix) {
    return StartsWith(name, prefix) ? name.substr(prefix.size()) : name;
}

// Why `name` may not be taken in the folder the diff is applied in; empty when it may.
std::string_view NameRefusal(const std::string& name) {
    if (name.empty()) return kNoName;
    if (name.front() == '/' || name.find('\0') != std::string::npos) return kLeaves;
    for (const auto& part : std::filesystem::path(name)) {
        if (part == "..") return kLeaves;
    }
    return {};
}

// The name of "diff --git a/NAME b/NAME", when both halves name the same file.
std::string GitLineName(std::string_view rest) {
    if (StartsWith(rest, "\"")) {
        std::size_t used = 0;
        const auto name = Unquoted(rest, used);
        return name ? WithoutPrefix(*name, "a/") : std::string();
    }
    if (rest.size() < 5 || (rest.size() - 5) % 2 != 0) return {};
    const std::size_t length = (rest.size() - 5) / 2;
    const std::string_view name = rest.substr(2, length);
    if (std::string("a/").append(name).append(" b/").append(name) != rest) return {};
    return std::string(name);
}

// The first name of "Binary files a/NAME and b/NAME differ", without its a/.
std::string BinaryLineName(std::string_view rest) {
    if (rest.ends_with(" differ")) rest.remove_suffix(7);
    const auto withoutSide = [](std::string_view name) {
        return name.substr(std::min<std::size_t>(2, name.size()));
    };
    if (rest.size() >= 5) {
        const std::size_t half = (rest.size() - 5) / 2;
        const std::string_view first = rest.substr(0, half);
        if (rest.substr(half, 5) == " and " &&
            withoutSide(first) == withoutSide(rest.substr(half + 5))) {
            return WithoutPrefix(std::string(first), "a/");
        }
    }
    return WithoutPrefix(std::string(rest.substr(0, rest.find(" and "))), "a/");
}

// Reads a number of a hunk header at `at`; false when there is none or it is too large.
bool ReadNumber(std::string_view text, std::size_t& at, std::size_t& value) {
    constexpr std::size_t kLargest = std::size_t{1} << 40;
    const std::size_t begin = at;
    value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + static_cast<std::size_t>(text[at++] - '0');
        if (value > kLargest) return false;
    }
    return at > begin;
}

// "-START[,COUNT]" or "+START[,COUNT]" at `at`.
bool ReadRange(std::string_view text, std::size_t& at, char sign, std::size_t& start,
               std::size_t& count) {
    if (at >= text.size() || text[at] != sign) return false;
    ++at;
    if (!ReadNumber(text, at, start)) return false;
    count = 1;
    if (at < text.size() && text[at] == ',') {
        ++at;
        if (!ReadNumber(text, at, count)) return false;
    }
    return true;
}

bool ReadHunkHeader(std::string_view line, PatchHunk& hunk) {
    const std::string_view text = HeaderText(line);
    std::size_t at = 3;  // past "@@ "
    if (!ReadRange(text, at, '-', hunk.oldStart, hunk.oldCount)) return false;
    if (at >= text.size() || text[at++] != ' ') return false;
    if (!ReadRange(text, at, '+', hunk.newStart, hunk.newCount)) return false;
    if (text.substr(at, 3) != " @@") return false;
    if (hunk.oldCount == 0 && hunk.newCount == 0) return false;
    return (hunk.oldCount == 0 || hunk.oldStart > 0) && (hunk.newCount == 0 || hunk.newStart > 0);
}

class Reader {
public:
    Reader(std::shared_ptr<const std::string> diff, const std::string& folder)
        : m_source(std::move(diff)), m_diff(*m_source), m_folder(folder) {}

    DiffReading Read() {
        while (NextLine()) {
            if (!Take()) break;
        }
        if (!m_reading.damage.empty()) {
            m_reading.files.clear();
            return std::move(m_reading);
        }
        Finish();
        return std::move(m_reading);
    }

private:
    bool NextLine() {
        if (m_at >= m_diff.size()) return false;
        const std::size_t feed = m_diff.find('\n', m_at);
        const std::size_t end = feed == std::string_view::npos ? m_diff.size() : feed + 1;
        m_line = m_diff.substr(m_at, end - m_at);
        m_at = end;
        ++m_lineNumber;
        return true;
    }

    std::string_view PeekLine() const {
        const std::size_t feed = m_diff.find('\n', m_at);
        return m_diff.substr(
            m_at, feed == std::string_view::npos ? std::string_view::npos : feed + 1 - m_at);
    }

    bool Damaged(std::string_view what) {
        m_reading.damage = "The diff is damaged at line " + std::to_string(m_lineNumber) + ": " +
                           std::string(what);
        return false;
    }

    FilePatch& StartFile(std::string name) {
        m_reading.files.push_back(FilePatch{m_folder, std::move(name), {}, {}, m_source});
        m_namesRead = false;
        return m_reading.files.back();
    }

    void Refuse(std::string_view reason) {
        if (!m_reading.files.empty() && m_reading.files.back().refusal.empty()) {
            m_reading.files.back().refusal = reason;
        }
    }

    // One line outside the hunks; false when the diff is damaged there.
    bool Take() {
        const std::string_view text = HeaderText(m_line);
        if (StartsWith(m_line, "diff --git ")) {
            StartFile(GitLineName(text.substr(11)));
            m_inGitHeader = true;
            m_afterHunk = false;
            return true;
        }
        if (StartsWith(m_line, "--- ") && StartsWith(PeekLine(), "+++ ")) return TakeNames();
        if (StartsWith(m_line, "@@ ")) return TakeHunk();
        if (m_inGitHeader) TakeGitHeader(text);
        if (StartsWith(m_line, "Binary files ")) {
            if (!m_inGitHeader) StartFile(BinaryLineName(text.substr(13)));
            Refuse(kBinary);
        }
        // A line right after a hunk that a hunk would hold is one its header did not count.
        const bool signature = text == "-- ";
        if (m_afterHunk && !signature && !m_line.empty() &&
            (m_line[0] == ' ' || m_line[0] == '+' || m_line[0] == '-')) {
            return Damaged("a line of a hunk that its header does not count");
        }
        m_afterHunk = false;
        return true;
    }

    void TakeGitHeader(std::string_view text) {
        if (StartsWith(text, "new file mode ")) Refuse(kCreates);
        if (StartsWith(text, "deleted file mode ")) Refuse(kDeletes);
        if (StartsWith(text, "rename ") || StartsWith(text, "copy ")) Refuse(kRenames);
        if (StartsWith(text, "old mode ") || StartsWith(text, "new mode ")) Refuse(kMode);
        if (text == "GIT binary patch") Refuse(kBinary);
    }

    bool TakeNames() {
        const auto oldName = HeaderName(HeaderText(m_line).substr(4));
        NextLine();
        const auto newName = HeaderName(HeaderText(m_line).substr(4));
        if (!oldName || !newName) return Damaged("a name in quotes that does not end");
        if (!m_inGitHeader || m_namesRead || m_reading.files.empty() ||
            !m_reading.files.back().hunks.empty()) {
            StartFile({});
        }
        m_inGitHeader = false;
        m_namesRead = true;
        m_afterHunk = false;
        FilePatch& file = m_reading.files.back();
        const bool created = *oldName == "/dev/null";
        const bool deleted = *newName == "/dev/null";
        const std::string before = WithoutPrefix(*oldName, "a/");
        const std::string after = WithoutPrefix(*newName, "b/");
        file.name = created ? after : before;
        if (created) Refuse(kCreates);
        if (deleted) Refuse(kDeletes);
        if (!created && !deleted && before != after) Refuse(kRenames);
        return true;
    }

    bool TakeHunk() {
        if (m_reading.files.empty() || !m_namesRead) {
            return Damaged("a hunk before the names of its file");
        }
        PatchHunk hunk;
        if (!ReadHunkHeader(m_line, hunk)) return Damaged("a hunk header that cannot be read");
        FilePatch& file = m_reading.files.back();
        if (!file.hunks.empty()) {
            const PatchHunk& last = file.hunks.back();
            const std::size_t lastEnd =
                (last.oldCount == 0 ? last.oldStart : last.oldStart - 1) + last.oldCount;
            const std::size_t first = hunk.oldCount == 0 ? hunk.oldStart : hunk.oldStart - 1;
            if (first < lastEnd) return Damaged("hunks out of order or overlapping");
        }
        std::size_t oldLeft = hunk.oldCount;
        std::size_t newLeft = hunk.newCount;
        // As many lines as the header counts, if the rest of the diff can hold them.
        hunk.lines.reserve(std::min(oldLeft + newLeft, (m_diff.size() - m_at) / 2));
        while (oldLeft > 0 || newLeft > 0) {
            if (!NextLine()) return Damaged("the diff ends inside a hunk");
            if (m_line == "\n") m_line = std::string_view(" \n");
            const char mark = m_line[0];
            if (mark == '\\') {
                if (!TakeNoNewline(hunk)) return false;
                continue;
            }
            if (mark != ' ' && mark != '-' && mark != '+') {
                return Damaged("a line in a hunk that is no context, removal or addition");
            }
            std::size_t& oldSide = mark == '+' ? newLeft : oldLeft;
            std::size_t& newSide = mark == '-' ? oldLeft : newLeft;
            if (oldSide == 0 || newSide == 0) {
                return Damaged("a hunk with more lines than its header counts");
            }
            --oldSide;
            if (mark == ' ') --newSide;
            hunk.lines.push_back({mark, m_line.substr(1)});
        }
        if (StartsWith(PeekLine(), "\\")) {
            NextLine();
            if (!TakeNoNewline(hunk)) return false;
        }
        file.hunks.push_back(std::move(hunk));
        m_afterHunk = true;
        return true;
    }

    bool TakeNoNewline(PatchHunk& hunk) {
        if (hunk.lines.empty() || hunk.lines.back().text.empty() ||
            hunk.lines.back().text.back() != '\n') {
            return Damaged("\"\\ No newline at end of file\" after no line");
        }
        hunk.lines.back().text.remove_suffix(1);
        return true;
    }

    // The names' checks, each name once, and the files without anything to do left out.
    void Finish() {
        std::map<std::string, int> times;
        for (const FilePatch& file : m_reading.files) {
            ++times[std::filesystem::path(file.name).lexically_normal().string()];
        }
        std::vector<FilePatch> files;
        for (FilePatch& file : m_reading.files) {
            if (file.refusal.empty()) file.refusal = NameRefusal(file.name);
            if (file.refusal.empty() &&
                times[std::filesystem::path(file.name).lexically_normal().string()] > 1) {
                file.refusal = kTwice;
            }
            if (file.refusal.empty() && !EndsWhereAFileEnds(file)) {
                m_reading.damage = "The diff is damaged: in " + file.name +
                                   " a line without a line feed is not the file's last";
                m_reading.files.clear();
                return;
            }
            if (file.refusal.empty() && file.hunks.empty()) continue;
            files.push_back(std::move(file));
        }
        m_reading.files = std::move(files);
    }

    // Whether only the last line of each version goes without a line feed.
    static bool EndsWhereAFileEnds(const FilePatch& file) {
        for (std::size_t h = 0; h < file.hunks.size(); ++h) {
            const PatchHunk& hunk = file.hunks[h];
            const bool lastHunk = h + 1 == file.hunks.size();
            bool oldOpen = false;
            bool newOpen = false;
            for (const PatchLine& line : hunk.lines) {
                const bool open = line.text.empty() || line.text.back() != '\n';
                if ((line.mark != '+' && oldOpen) || (line.mark != '-' && newOpen)) return false;
                if (line.mark != '+') oldOpen = open;
                if (line.mark != '-') newOpen = open;
            }
            if (!lastHunk && (oldOpen || newOpen)) return false;
        }
        return true;
    }

    std::shared_ptr<const std::string> m_source;
    std::string_view m_diff;
    const std::string& m_folder;
    DiffReading m_reading;
    std::size_t m_at = 0;
    std::string_view m_line;
    std::size_t m_lineNumber = 0;
    bool m_inGitHeader = false;
    bool m_namesRead = false;
    bool m_afterHunk = false;
};

}  // namespace

DiffReading DiffReader::Read(std::string diff, const std::string& folder) {
    return Reader(std::make_shared<const std::string>(std::move(diff)), folder).Read();
}

}  // namespace kesto
