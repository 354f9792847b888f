// UnifiedDiff: the difference of two versions of a file as a unified diff ("diff -u" with
// three lines of context) that `git apply` and `patch -p1` turn back into the second
// version byte for byte.
//
// Lines are what the patch tools take them to be: ended by a line feed, a carriage return
// being part of the line. The line sequences are compared by Myers' O(ND) algorithm after
// the common head and tail are set aside and the lines found in only one of the versions
// are taken out of the search (they cannot be common): the changes of a run are short and
// many lines are changed into lines the old version does not hold, so what remains for the
// search is small. Past a fixed cost the rest of a region is given as removed and added,
// which is a longer diff but still an exact one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// A hunk without its context: lines [oldBegin, oldBegin + oldCount) of the old version
// became lines [newBegin, newBegin + newCount) of the new one (0-based).
struct LineChange {
    std::size_t oldBegin = 0;
    std::size_t oldCount = 0;
    std::size_t newBegin = 0;
    std::size_t newCount = 0;
};

// Positions [begin, end) within one version of a line.
struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool operator==(const Span&) const = default;
};

// What differs between two versions of one line: the parts of each that the other does not
// have.
struct ChangedParts {
    std::vector<Span> before;
    std::vector<Span> after;
};

class UnifiedDiff {
public:
    // The changes that turn `before` into `after`, in order; none when they are equal.
    static std::vector<LineChange> Changes(std::string_view before, std::string_view after);

    // Appends to `out` the diff of the file `path` (the a/ and b/ names), nothing when the
    // versions are equal.
    static void Append(std::string& out, std::string_view path, std::string_view before,
                       std::string_view after);
    // The two parts of that: the "---" and "+++" lines (a name with a space ends in a tab,
    // as patch needs it), and the hunks.
    static void AppendHeader(std::string& out, std::string_view path);
    static void AppendHunks(std::string& out, std::string_view before, std::string_view after);
    // The line diff writes for a change of bytes that are no text: "Binary files a/PATH and
    // b/PATH differ". Patch tools apply nothing for it.
    static void AppendBinaryChange(std::string& out, std::string_view path);

    // `path` as a diff names it: relative to `folder` when it lies below it (a relative
    // `path` is taken as relative to `folder`), else whole.
    static std::string RelativeName(const std::string& path, const std::string& folder);

    // The changed parts of a line, by characters (any unit the caller numbers); past a few
    // dozen differences, the one stretch between the common start and the common end.
    static ChangedParts ChangedPartsOf(const std::vector<std::uint32_t>& before,
                                       const std::vector<std::uint32_t>& after);

    // The name as the header lines give it: `prefix` and `path`, in double quotes with C
    // escapes when it holds a control byte, a double quote or a backslash.
    static std::string HeaderName(std::string_view prefix, std::string_view path);

    static constexpr std::size_t kContextLines = 3;
};

}  // namespace kesto
