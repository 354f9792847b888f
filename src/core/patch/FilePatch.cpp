#include "patch/FilePatch.h"

#include "text/UnifiedDiff.h"

namespace kesto {
namespace {

bool EndsLine(std::string_view text) {
    return !text.empty() && text.back() == '\n';
}

// The lines of `hunk` one version holds: those not marked `other`.
std::vector<const PatchLine*> SideOf(const PatchHunk& hunk, char other) {
    std::vector<const PatchLine*> side;
    for (const PatchLine& line : hunk.lines) {
        if (line.mark != other) side.push_back(&line);
    }
    return side;
}

// Whether the hunk's lines are taken one for one: line i of the old version became line i
// of the new one.
bool OneForOne(const PatchHunk& hunk, bool lineForLine) {
    if (!lineForLine) return false;
    std::size_t removed = 0;
    std::size_t added = 0;
    for (const PatchLine& line : hunk.lines) {
        removed += line.mark == '-';
        added += line.mark == '+';
    }
    return removed == added && removed > 0;
}

// Index of the first old line of `hunk`, counted from 0.
std::size_t FirstOldIndex(const PatchHunk& hunk) {
    return hunk.oldCount == 0 ? hunk.oldStart : hunk.oldStart - 1;
}

void AppendRange(std::string& out, std::size_t start, std::size_t count) {
    out += std::to_string(start);
    if (count != 1) {
        out += ',';
        out += std::to_string(count);
    }
}

// Calls `stretch(first, end)` for each stretch [first, end) of removed and added lines.
template <typename Stretch>
void ForEachStretch(const PatchHunk& hunk, Stretch stretch) {
    std::size_t i = 0;
    while (i < hunk.lines.size()) {
        if (hunk.lines[i].mark == ' ') {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < hunk.lines.size() && hunk.lines[end].mark != ' ') ++end;
        stretch(i, end);
        i = end;
    }
}

}  // namespace

std::string FilePatch::path() const {
    if (!name.empty() && name.front() == '/') return name;
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::optional<std::string> FilePatch::Apply(std::string_view before) const {
    std::string after;
    after.reserve(before.size() + before.size() / 16);
    std::size_t line = 0;    // lines of `before` passed
    std::size_t offset = 0;  // where line `line` begins
    bool newEndsOpen = false;
    for (const PatchHunk& hunk : hunks) {
        const std::size_t first = FirstOldIndex(hunk);
        if (first < line) return std::nullopt;
        const std::size_t from = offset;
        while (line < first) {
            if (offset >= before.size()) return std::nullopt;
            const std::size_t feed = before.find('\n', offset);
            offset = feed == std::string_view::npos ? before.size() : feed + 1;
            ++line;
        }
        if (newEndsOpen && offset > from) return std::nullopt;
        after.append(before.substr(from, offset - from));
        for (const PatchLine& patchLine : hunk.lines) {
            if (patchLine.mark != '+') {
                if (before.substr(offset, patchLine.text.size()) != patchLine.text) {
                    return std::nullopt;
                }
                offset += patchLine.text.size();
                ++line;
                if (!EndsLine(patchLine.text) && offset != before.size()) return std::nullopt;
            }
            if (patchLine.mark != '-') {
                if (newEndsOpen) return std::nullopt;
                after += patchLine.text;
                newEndsOpen = !EndsLine(patchLine.text);
            }
        }
    }
    if (newEndsOpen && offset != before.size()) return std::nullopt;
    after.append(before.substr(offset));
    return after;
}

std::vector<PatchChange> FilePatch::Changes(bool lineForLine) const {
    std::vector<PatchChange> changes;
    for (std::size_t h = 0; h < hunks.size(); ++h) {
        const PatchHunk& hunk = hunks[h];
        const std::size_t first = FirstOldIndex(hunk);
        if (OneForOne(hunk, lineForLine)) {
            const auto oldLines = SideOf(hunk, '+');
            const auto newLines = SideOf(hunk, '-');
            for (std::size_t i = 0; i < oldLines.size(); ++i) {
                if (oldLines[i]->text == newLines[i]->text) continue;
                changes.push_back({h, first + i + 1, std::string(oldLines[i]->text),
                                   std::string(newLines[i]->text)});
            }
            continue;
        }
        std::size_t oldBefore = 0;  // old lines of the hunk before the stretch
        std::size_t at = 0;
        ForEachStretch(hunk, [&](std::size_t begin, std::size_t end) {
            for (; at < begin; ++at) oldBefore += hunk.lines[at].mark != '+';
            PatchChange change{h, 0, {}, {}};
            for (std::size_t i = begin; i < end; ++i) {
                (hunk.lines[i].mark == '-' ? change.before : change.after) += hunk.lines[i].text;
            }
            change.lineNumber = first + oldBefore + (change.before.empty() ? 0 : 1);
            changes.push_back(std::move(change));
            for (; at < end; ++at) oldBefore += hunk.lines[at].mark != '+';
        });
    }
    return changes;
}

FilePatch FilePatch::Keeping(bool lineForLine, const std::function<bool(std::size_t)>& keep) const {
    FilePatch kept{folder, name, refusal, {}, source};
    std::size_t index = 0;
    // New lines less old lines of the hunks kept so far.
    std::ptrdiff_t shift = 0;
    for (const PatchHunk& hunk : hunks) {
        PatchHunk out{hunk.oldStart, hunk.oldCount, 0, 0, {}};
        bool changes = false;
        if (OneForOne(hunk, lineForLine)) {
            const auto oldLines = SideOf(hunk, '+');
            const auto newLines = SideOf(hunk, '-');
            for (std::size_t i = 0; i < oldLines.size(); ++i) {
                const bool differs = oldLines[i]->text != newLines[i]->text;
                if (differs && keep(index++)) {
                    out.lines.push_back({'-', oldLines[i]->text});
                    out.lines.push_back({'+', newLines[i]->text});
                    changes = true;
                } else {
                    out.lines.push_back({' ', oldLines[i]->text});
                }
            }
        } else {
            std::size_t at = 0;
            ForEachStretch(hunk, [&](std::size_t begin, std::size_t end) {
                for (; at < begin; ++at) out.lines.push_back(hunk.lines[at]);
                const bool taken = keep(index++);
                changes = changes || taken;
                for (; at < end; ++at) {
                    const PatchLine& line = hunk.lines[at];
                    if (taken) {
                        out.lines.push_back(line);
                    } else if (line.mark == '-') {
                        out.lines.push_back({' ', line.text});
                    }
                }
            });
            for (; at < hunk.lines.size(); ++at) out.lines.push_back(hunk.lines[at]);
        }
        if (!changes) continue;
        for (const PatchLine& line : out.lines) out.newCount += line.mark != '-';
        const auto firstNew =
            static_cast<std::size_t>(static_cast<std::ptrdiff_t>(FirstOldIndex(hunk)) + shift);
        out.newStart = out.newCount == 0 ? firstNew : firstNew + 1;
        shift +=
            static_cast<std::ptrdiff_t>(out.newCount) - static_cast<std::ptrdiff_t>(out.oldCount);
        kept.hunks.push_back(std::move(out));
    }
    return kept;
}

void FilePatch::AppendHunks(std::string& out) const {
    for (const PatchHunk& hunk : hunks) {
        out += "@@ -";
        AppendRange(out, hunk.oldStart, hunk.oldCount);
        out += " +";
        AppendRange(out, hunk.newStart, hunk.newCount);
        out += " @@\n";
        for (const PatchLine& line : hunk.lines) {
            out += line.mark;
            out += line.text;
            if (!EndsLine(line.text)) out += "\n\\ No newline at end of file\n";
        }
    }
}

void FilePatch::AppendDiff(std::string& out, const std::string& relativeTo) const {
    if (hunks.empty()) return;
    UnifiedDiff::AppendHeader(out, UnifiedDiff::RelativeName(path(), relativeTo));
    AppendHunks(out);
}

}  // namespace kesto
