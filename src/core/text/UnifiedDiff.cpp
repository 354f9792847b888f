#include "text/UnifiedDiff.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <unordered_map>

namespace kesto {
namespace {

using Lines = std::vector<std::string_view>;
using Ids = std::vector<std::uint32_t>;

// The search keeps (D + 1)^2 numbers of 8 bytes for D differences: 32 MB at this cost.
constexpr std::size_t kMaxEditCost = 2000;
// Within a line, for the highlight of what changed.
constexpr std::size_t kMaxLineEditCost = 64;

// Into `lines`, which a caller keeps from file to file so that its room is there already.
void SplitLines(std::string_view text, Lines& lines) {
    lines.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t feed = text.find('\n', start);
        const std::size_t end = feed == std::string_view::npos ? text.size() : feed + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
}

// The lines of the two versions of the file at hand. A preview splits every file it would
// change, and the room of the last one is kept for the next.
struct SplitVersions {
    Lines before;
    Lines after;
};

SplitVersions& SplitBoth(std::string_view before, std::string_view after) {
    thread_local SplitVersions versions;
    SplitLines(before, versions.before);
    SplitLines(after, versions.after);
    return versions;
}

// Positions of the elements Myers' search pairs up; nothing when it would cost more than
// `maxCost` differences.
std::optional<std::vector<std::pair<std::size_t, std::size_t>>> CommonPositions(
    const Ids& a, const Ids& b, std::size_t maxCost) {
    const auto n = static_cast<std::ptrdiff_t>(a.size());
    const auto m = static_cast<std::ptrdiff_t>(b.size());
    const auto cap =
        static_cast<std::ptrdiff_t>(std::min<std::size_t>(a.size() + b.size(), maxCost));
    std::vector<std::ptrdiff_t> v(static_cast<std::size_t>(2 * cap + 3), 0);
    const std::ptrdiff_t offset = cap + 1;
    const auto at = [&](std::ptrdiff_t k) -> std::ptrdiff_t& {
        return v[static_cast<std::size_t>(k + offset)];
    };
    // trace[d] holds the furthest x of every diagonal -d..d after step d.
    std::vector<std::vector<std::ptrdiff_t>> trace;
    std::ptrdiff_t found = -1;
    for (std::ptrdiff_t d = 0; d <= cap && found < 0; ++d) {
        for (std::ptrdiff_t k = -d; k <= d; k += 2) {
            std::ptrdiff_t x =
                (k == -d || (k != d && at(k - 1) < at(k + 1))) ? at(k + 1) : at(k - 1) + 1;
            std::ptrdiff_t y = x - k;
            while (x < n && y < m &&
                   a[static_cast<std::size_t>(x)] == b[static_cast<std::size_t>(y)]) {
                ++x;
                ++y;
            }
            at(k) = x;
            if (x >= n && y >= m) found = d;
        }
        trace.emplace_back(v.begin() + (offset - d), v.begin() + (offset + d + 1));
    }
    if (found < 0) return std::nullopt;
    std::vector<std::pair<std::size_t, std::size_t>> pairs;

    std::ptrdiff_t x = n;
    std::ptrdiff_t y = m;
    const auto snakeBackTo = [&](std::ptrdiff_t startX) {
        while (x > startX) {
            --x;
            --y;
            pairs.emplace_back(static_cast<std::size_t>(x), static_cast<std::size_t>(y));
        }
    };
    for (std::ptrdiff_t d = found; d > 0; --d) {
        const std::vector<std::ptrdiff_t>& before = trace[static_cast<std::size_t>(d - 1)];
        const auto prev = [&](std::ptrdiff_t k) {
            return before[static_cast<std::size_t>(k + d - 1)];
        };
        const std::ptrdiff_t k = x - y;
        const bool down = k == -d || (k != d && prev(k - 1) < prev(k + 1));
        const std::ptrdiff_t prevK = down ? k + 1 : k - 1;
        const std::ptrdiff_t prevX = prev(prevK);
        snakeBackTo(down ? prevX : prevX + 1);
        x = prevX;
        y = prevX - prevK;
    }
    snakeBackTo(0);
    std::reverse(pairs.begin(), pairs.end());
    return pairs;
}

// Runs rewrite most lines in place: a few lines become as many others. Such blocks are
// taken line for line from the start on, without the search, up to the first place where
// the versions shift against each other (lines added or removed); returns that place, the
// same in both.
std::size_t InPlaceChanges(const Lines& oldLines, const Lines& newLines,
                           std::vector<LineChange>& changes) {
    constexpr std::size_t kLongestBlock = 8;
    const std::size_t common = std::min(oldLines.size(), newLines.size());
    std::size_t at = 0;
    while (at < common) {
        if (oldLines[at] == newLines[at]) {
            ++at;
            continue;
        }
        std::size_t length = 1;
        while (length <= kLongestBlock && at + length < common &&
               oldLines[at + length] != newLines[at + length]) {
            ++length;
        }
        const bool bothEnd = at + length == oldLines.size() && at + length == newLines.size();
        if (length > kLongestBlock || (at + length == common && !bothEnd)) break;
        changes.push_back({at, length, at, length});
        at += length;
    }
    return at;
}

void AppendRange(std::string& out, std::size_t begin, std::size_t count) {
    // An empty range names the line before it.
    out += std::to_string(count == 0 ? begin : begin + 1);
    if (count != 1) {
        out += ',';
        out += std::to_string(count);
    }
}

void AppendLine(std::string& out, char mark, std::string_view line) {
    out += mark;
    out += line;
    if (line.empty() || line.back() != '\n') out += "\n\\ No newline at end of file\n";
}

}  // namespace

static std::vector<LineChange> ChangesOfLines(const Lines& oldLines, const Lines& newLines);
static void AppendHunksOf(std::string& out, const Lines& oldLines, const Lines& newLines,
                          const std::vector<LineChange>& changes);

std::vector<LineChange> UnifiedDiff::Changes(std::string_view before, std::string_view after) {
    const SplitVersions& lines = SplitBoth(before, after);
    return ChangesOfLines(lines.before, lines.after);
}

static std::vector<LineChange> ChangesOfLines(const Lines& oldLines, const Lines& newLines) {
    std::vector<LineChange> changes;
    const std::size_t head = InPlaceChanges(oldLines, newLines, changes);
    std::size_t tail = 0;
    while (tail < oldLines.size() - head && tail < newLines.size() - head &&
           oldLines[oldLines.size() - 1 - tail] == newLines[newLines.size() - 1 - tail]) {
        ++tail;
    }
    const std::size_t oldEnd = oldLines.size() - tail;
    const std::size_t newEnd = newLines.size() - tail;

    // Each distinct line of the middle gets a number; a line of one version that the other
    // does not hold is left out of the search.
    std::unordered_map<std::string_view, std::uint32_t> numbers;
    std::vector<std::uint8_t> sides;  // bit 1: in the old middle, bit 2: in the new one
    const auto numberOf = [&](std::string_view line, std::uint8_t side) {
        const auto [it, added] =
            numbers.try_emplace(line, static_cast<std::uint32_t>(sides.size()));
        if (added) sides.push_back(0);
        sides[it->second] |= side;
        return it->second;
    };
    Ids oldIds;
    Ids newIds;
    for (std::size_t i = head; i < oldEnd; ++i) oldIds.push_back(numberOf(oldLines[i], 1));
    for (std::size_t i = head; i < newEnd; ++i) newIds.push_back(numberOf(newLines[i], 2));
    Ids a;
    Ids b;
    std::vector<std::size_t> aAt;
    std::vector<std::size_t> bAt;
    for (std::size_t i = 0; i < oldIds.size(); ++i) {
        if (sides[oldIds[i]] == 3) {
            a.push_back(oldIds[i]);
            aAt.push_back(head + i);
        }
    }
    for (std::size_t i = 0; i < newIds.size(); ++i) {
        if (sides[newIds[i]] == 3) {
            b.push_back(newIds[i]);
            bAt.push_back(head + i);
        }
    }

    std::size_t oldAt = head;
    std::size_t newAt = head;
    const auto changeUpTo = [&](std::size_t oldNext, std::size_t newNext) {
        if (oldNext > oldAt || newNext > newAt) {
            changes.push_back({oldAt, oldNext - oldAt, newAt, newNext - newAt});
        }
        oldAt = oldNext + 1;
        newAt = newNext + 1;
    };
    // Past the cost limit every line of the middle counts as changed.
    const auto common = CommonPositions(a, b, kMaxEditCost);
    for (const auto& [x, y] : common.value_or(std::vector<std::pair<std::size_t, std::size_t>>{})) {
        changeUpTo(aAt[x], bAt[y]);
    }
    if (oldEnd > oldAt || newEnd > newAt) {
        changes.push_back({oldAt, oldEnd - oldAt, newAt, newEnd - newAt});
    }
    return changes;
}

void UnifiedDiff::Append(std::string& out, std::string_view path, std::string_view before,
                         std::string_view after) {
    const SplitVersions& lines = SplitBoth(before, after);
    const std::vector<LineChange> changes = ChangesOfLines(lines.before, lines.after);
    if (changes.empty()) return;
    AppendHeader(out, path);
    AppendHunksOf(out, lines.before, lines.after, changes);
}

void UnifiedDiff::AppendHeader(std::string& out, std::string_view path) {
    // patch takes a space for the end of a name unless a tab follows it, as git writes it.
    const std::string_view end =
        path.find(' ') != std::string_view::npos && HeaderName("", path).front() != '"' ? "\t\n"
                                                                                        : "\n";
    out += "--- " + HeaderName("a/", path) + std::string(end);
    out += "+++ " + HeaderName("b/", path) + std::string(end);
}

void UnifiedDiff::AppendBinaryChange(std::string& out, std::string_view path) {
    out +=
        "Binary files " + HeaderName("a/", path) + " and " + HeaderName("b/", path) + " differ\n";
}

std::string UnifiedDiff::RelativeName(const std::string& path, const std::string& folder) {
    std::string whole = (std::filesystem::path(folder) / path).lexically_normal().string();
    const std::string below = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    if (!below.empty() && whole.size() > below.size() &&
        whole.compare(0, below.size(), below) == 0) {
        return whole.substr(below.size());
    }
    return whole;
}

ChangedParts UnifiedDiff::ChangedPartsOf(const std::vector<std::uint32_t>& before,
                                         const std::vector<std::uint32_t>& after) {
    ChangedParts parts;
    std::size_t head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
    std::size_t tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
        ++tail;
    }
    const Ids a(before.begin() + static_cast<std::ptrdiff_t>(head),
                before.end() - static_cast<std::ptrdiff_t>(tail));
    const Ids b(after.begin() + static_cast<std::ptrdiff_t>(head),
                after.end() - static_cast<std::ptrdiff_t>(tail));
    const auto common = CommonPositions(a, b, kMaxLineEditCost);
    if (!common) {
        if (!a.empty()) parts.before.push_back({head, head + a.size()});
        if (!b.empty()) parts.after.push_back({head, head + b.size()});
        return parts;
    }
    const auto add = [](std::vector<Span>& spans, std::size_t from, std::size_t to) {
        if (from >= to) return;
        if (!spans.empty() && spans.back().end == from) {
            spans.back().end = to;
        } else {
            spans.push_back({from, to});
        }
    };
    std::size_t x = 0;
    std::size_t y = 0;
    for (const auto& [cx, cy] : *common) {
        add(parts.before, head + x, head + cx);
        add(parts.after, head + y, head + cy);
        x = cx + 1;
        y = cy + 1;
    }
    add(parts.before, head + x, head + a.size());
    add(parts.after, head + y, head + b.size());
    return parts;
}

void UnifiedDiff::AppendHunks(std::string& out, std::string_view before, std::string_view after) {
    const SplitVersions& lines = SplitBoth(before, after);
    AppendHunksOf(out, lines.before, lines.after, ChangesOfLines(lines.before, lines.after));
}

static void AppendHunksOf(std::string& out, const Lines& oldLines, const Lines& newLines,
                          const std::vector<LineChange>& changes) {
    constexpr std::size_t kContextLines = UnifiedDiff::kContextLines;

    std::size_t first = 0;
    while (first < changes.size()) {
        // The changes whose context touches or overlaps form one hunk.
        std::size_t last = first;
        while (last + 1 < changes.size() &&
               changes[last + 1].oldBegin - (changes[last].oldBegin + changes[last].oldCount) <=
                   2 * kContextLines) {
            ++last;
        }
        const LineChange& from = changes[first];
        const LineChange& to = changes[last];
        const std::size_t lead = std::min(from.oldBegin, kContextLines);
        const std::size_t oldStop = to.oldBegin + to.oldCount;
        const std::size_t trail = std::min(oldLines.size() - oldStop, kContextLines);
        const std::size_t oldBegin = from.oldBegin - lead;
        const std::size_t newBegin = from.newBegin - lead;
        out += "@@ -";
        AppendRange(out, oldBegin, oldStop + trail - oldBegin);
        out += " +";
        AppendRange(out, newBegin, to.newBegin + to.newCount + trail - newBegin);
        out += " @@\n";

        std::size_t common = oldBegin;
        for (std::size_t c = first; c <= last; ++c) {
            const LineChange& change = changes[c];
            for (; common < change.oldBegin; ++common) AppendLine(out, ' ', oldLines[common]);
            for (std::size_t i = 0; i < change.oldCount; ++i) {
                AppendLine(out, '-', oldLines[change.oldBegin + i]);
            }
            for (std::size_t i = 0; i < change.newCount; ++i) {
                AppendLine(out, '+', newLines[change.newBegin + i]);
            }
            common = change.oldBegin + change.oldCount;
        }
        for (; common < oldStop + trail; ++common) AppendLine(out, ' ', oldLines[common]);
        first = last + 1;
    }
}

std::string UnifiedDiff::HeaderName(std::string_view prefix, std::string_view path) {
    const bool plain = std::none_of(path.begin(), path.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f || c == '"' || c == '\\';
    });
    if (plain) return std::string(prefix) + std::string(path);
    std::string quoted = "\"" + std::string(prefix);
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\t':
            quoted += "\\t";
            break;
        case '\n':
            quoted += "\\n";
            break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                quoted += '\\';
                quoted += static_cast<char>('0' + (byte >> 6));
                quoted += static_cast<char>('0' + ((byte >> 3) & 7));
                quoted += static_cast<char>('0' + (byte & 7));
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

}  // namespace kesto
