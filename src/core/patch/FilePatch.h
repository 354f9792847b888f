// FilePatch: the hunks of a unified diff for one file, applied to the file's bytes exactly:
// each hunk where its header puts it, its old lines byte for byte, or not at all.
//
// A line is what the patch tools take it to be: ended by a line feed, a carriage return
// being part of it; the last line of a file that does not end with a line feed has none
// ("\ No newline at end of file" in the diff).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// One line of a hunk: ' ' kept, '-' removed, '+' added, with its bytes (in the text of the
// diff it was read from, which its FilePatch keeps).
struct PatchLine {
    char mark = ' ';
    std::string_view text;
};

struct PatchHunk {
    // As the header gives them: the first line (1-based; with no old lines, the line after
    // which the new ones go) and the number of lines of each version.
    std::size_t oldStart = 0;
    std::size_t oldCount = 0;
    std::size_t newStart = 0;
    std::size_t newCount = 0;
    std::vector<PatchLine> lines;
};

// One change of a file as the user may keep or drop it: a stretch of removed and added
// lines, or, where a hunk's lines change one for one, one line.
struct PatchChange {
    std::size_t hunk = 0;
    // The first old line it touches (1-based; with no old line, the line after which it
    // adds), and the two versions of what it changes, line breaks included.
    std::size_t lineNumber = 0;
    std::string before;
    std::string after;
};

class FilePatch {
public:
    // The folder the diff's names are taken relative to, and the file's name as the diff
    // gives it (a/ and b/ taken off).
    std::string folder;
    std::string name;
    // Why the file may not be changed by this diff; empty when it may.
    std::string refusal;
    std::vector<PatchHunk> hunks;
    // The text of the diff the lines of the hunks are in.
    std::shared_ptr<const std::string> source;

    // The folder and the name as one path.
    std::string path() const;

    // `before` with every hunk applied; nothing when a hunk's old lines are not where its
    // header puts them, byte for byte.
    std::optional<std::string> Apply(std::string_view before) const;

    // The changes in order. With `lineForLine`, a hunk with as many new lines as old ones
    // changes line i into line i: each line that differs is a change of its own; else
    // each stretch of removed and added lines is one.
    std::vector<PatchChange> Changes(bool lineForLine) const;
    // The patch with only the changes (numbered as Changes(lineForLine) numbers them) that
    // `keep` keeps; the hunks left without a change are gone.
    FilePatch Keeping(bool lineForLine, const std::function<bool(std::size_t)>& keep) const;

    // The hunks as a unified diff writes them.
    void AppendHunks(std::string& out) const;
    // The file's whole diff: its names (relative to `relativeTo` when it lies below it) and
    // its hunks; nothing when it has none.
    void AppendDiff(std::string& out, const std::string& relativeTo) const;
};

}  // namespace kesto
