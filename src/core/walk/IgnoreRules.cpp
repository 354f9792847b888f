#include "walk/IgnoreRules.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

#include "text/UniqueFd.h"

namespace kesto {
namespace {

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);
constexpr std::size_t kMaxIgnoreFileSize = std::size_t{1} << 20;

// What one step of a pattern matches within a path component.
enum class Step : std::uint8_t { Literal, AnyChar, AnyRun, Set };

struct Token {
    Step step = Step::Literal;
    unsigned char ch = 0;
    std::uint32_t set = 0;  // for Step::Set: the index in the list's sets
};

// The bytes a bracket expression accepts.
class CharSet {
public:
    void Add(unsigned char ch) { m_bits[ch >> 6] |= std::uint64_t{1} << (ch & 63); }
    void AddRange(unsigned char low, unsigned char high) {
        for (unsigned value = low; value <= high; ++value) Add(static_cast<unsigned char>(value));
    }
    void Invert() {
        for (std::uint64_t& word : m_bits) word = ~word;
    }
    bool Has(unsigned char ch) const { return (m_bits[ch >> 6] >> (ch & 63)) & 1; }

private:
    std::array<std::uint64_t, 4> m_bits{};
};

// The part of a pattern between two slashes. `anyFolders` stands for "**" alone between
// slashes: zero or more whole components.
struct Segment {
    std::uint32_t firstToken = 0;
    std::uint32_t tokenCount = 0;
    bool anyFolders = false;
};

struct Pattern {
    std::uint32_t firstSegment = 0;
    std::uint32_t segmentCount = 0;
    bool negated = false;
    bool directoryOnly = false;
    // Without a slash, a pattern matches the last component at any depth.
    bool nameOnly = false;
};

enum class Verdict { NoMatch, Ignored, Included };

// A path in two pieces, the second following the first: the first is empty or ends in
// '/', so no component spans both. This lets the rules of a folder above the root see the
// path from their own folder without building that string.
class SplitPath {
public:
    SplitPath(std::string_view head, std::string_view tail) : m_head(head), m_tail(tail) {}

    std::size_t size() const { return m_head.size() + m_tail.size(); }

    // The component that starts at `at`; moves `at` past it and its slash.
    std::string_view Component(std::size_t& at) const {
        if (at < m_head.size()) return Cut(m_head, at);
        std::size_t local = at - m_head.size();
        const std::string_view component = Cut(m_tail, local);
        at = local + m_head.size();
        return component;
    }

private:
    static std::string_view Cut(std::string_view piece, std::size_t& at) {
        const std::size_t slash = piece.find('/', at);
        const std::size_t end = slash == std::string_view::npos ? piece.size() : slash;
        const std::string_view component = piece.substr(at, end - at);
        at = slash == std::string_view::npos ? piece.size() : slash + 1;
        return component;
    }

    std::string_view m_head;
    std::string_view m_tail;
};

std::string JoinPath(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    return path;
}

// Reads the regular file at `path` into `contents`; false when it cannot be read whole
// within the size limit.
bool ReadSmallFile(const std::string& path, bool followLinks, std::string& contents) {
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW);
    const UniqueFd fd(::open(path.c_str(), flags));
    if (!fd.valid()) return false;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (static_cast<std::uint64_t>(info.st_size) > kMaxIgnoreFileSize) return false;
    // One byte more than the size tells a file that grew since the fstat; it may grow up to
    // the limit.
    contents.resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == contents.size()) {
            if (filled > kMaxIgnoreFileSize) return false;
            contents.resize(std::min(2 * filled, kMaxIgnoreFileSize + 1));
        }
        const ssize_t got = ::read(fd.get(), contents.data() + filled, contents.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    contents.resize(filled);
    return true;
}

bool IsFolderEntry(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && (S_ISDIR(info.st_mode) || S_ISREG(info.st_mode));
}

bool HoldsGitEntry(const std::string& folder) {
    return IsFolderEntry(JoinPath(folder, ".git"));
}

// The first line of a small file, without its line break.
std::string FirstLine(const std::string& path) {
    std::string contents;
    if (!ReadSmallFile(path, true, contents)) return {};
    contents.resize(std::min(contents.find_first_of("\r\n"), contents.size()));
    return contents;
}

std::string ResolveAgainst(const std::string& folder, const std::string& path) {
    return !path.empty() && path.front() == '/' ? path : JoinPath(folder, path);
}

// The info/exclude file of the work tree whose top is `top`. A `.git` file names the
// repository elsewhere ("gitdir: ..."); a linked work tree shares info/ with the main
// repository, named by its "commondir" file.
std::string ExcludeFileOf(const std::string& top) {
    std::string gitDir = JoinPath(top, ".git");
    struct stat info {};
    if (::stat(gitDir.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        constexpr std::string_view kGitDirLine = "gitdir: ";
        const std::string line = FirstLine(gitDir);
        if (!line.starts_with(kGitDirLine)) return {};
        gitDir = ResolveAgainst(top, line.substr(kGitDirLine.size()));
        const std::string common = FirstLine(JoinPath(gitDir, "commondir"));
        if (!common.empty()) gitDir = ResolveAgainst(gitDir, common);
    }
    return JoinPath(gitDir, "info/exclude");
}

std::string ParentOf(const std::string& absolutePath) {
    const std::size_t slash = absolutePath.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : absolutePath.substr(0, slash);
}

// The folders from the top of the git work tree that holds `folder` (an absolute path
// without links) down to the folder just above it, top first. Empty when no folder above
// holds `.git` on the same file system, as git does not look across file systems.
std::vector<std::string> EnclosingWorkTree(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return {};
    const dev_t device = info.st_dev;
    std::vector<std::string> above;
    for (std::string current = folder; current != "/";) {
        current = ParentOf(current);
        if (::stat(current.c_str(), &info) != 0 || info.st_dev != device) return {};
        above.push_back(current);
        if (HoldsGitEntry(current)) return {above.rbegin(), above.rend()};
    }
    return {};
}

std::string RealPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                               &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

bool IsUpper(unsigned ch) {
    return ch >= 'A' && ch <= 'Z';
}
bool IsLower(unsigned ch) {
    return ch >= 'a' && ch <= 'z';
}
bool IsDigit(unsigned ch) {
    return ch >= '0' && ch <= '9';
}
bool IsAlpha(unsigned ch) {
    return IsUpper(ch) || IsLower(ch);
}
bool IsAlnum(unsigned ch) {
    return IsAlpha(ch) || IsDigit(ch);
}
bool IsBlank(unsigned ch) {
    return ch == ' ' || ch == '\t';
}
bool IsCntrl(unsigned ch) {
    return ch < ' ' || ch == 127;
}
bool IsGraph(unsigned ch) {
    return ch > ' ' && ch < 127;
}
bool IsPrint(unsigned ch) {
    return ch == ' ' || IsGraph(ch);
}
bool IsPunct(unsigned ch) {
    return IsGraph(ch) && !IsAlnum(ch);
}
bool IsSpace(unsigned ch) {
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}
bool IsXdigit(unsigned ch) {
    return IsDigit(ch) || ((ch | 0x20) >= 'a' && (ch | 0x20) <= 'f');
}

struct CharClass {
    std::string_view name;
    bool (*has)(unsigned ch);
};

// The classes of the C locale: names are matched byte by byte, whatever the user's locale.
constexpr CharClass kCharClasses[] = {
    {"alnum", IsAlnum}, {"alpha", IsAlpha}, {"blank", IsBlank}, {"cntrl", IsCntrl},
    {"digit", IsDigit}, {"graph", IsGraph}, {"lower", IsLower}, {"print", IsPrint},
    {"punct", IsPunct}, {"space", IsSpace}, {"upper", IsUpper}, {"xdigit", IsXdigit},
};

// Adds the members of the class `name` to `set`; false when there is no such class.
bool AddClass(std::string_view name, CharSet& set) {
    for (const CharClass& charClass : kCharClasses) {
        if (charClass.name != name) continue;
        for (unsigned ch = 0; ch < 128; ++ch) {
            if (charClass.has(ch)) set.Add(static_cast<unsigned char>(ch));
        }
        return true;
    }
    return false;
}

// Reads the bracket expression that opens at text[at] into `set`; moves `at` past its
// closing ']'. False when it never closes or names an unknown class: git then matches
// nothing with the whole pattern.
//
// ']' right after the opening (or after its '!' or '^') is a member; a backslash takes the
// next byte as a member; "a-z" is a range unless the '-' comes first, last, or right after
// another range; "[:" opens a class only when a ":]" closes it.
bool ParseBracket(std::string_view text, std::size_t& at, CharSet& set) {
    std::size_t i = at + 1;
    const bool negated = i < text.size() && (text[i] == '!' || text[i] == '^');
    if (negated) ++i;
    int previous = -1;  // the last single member, which a following '-' may start a range from
    for (bool first = true;; first = false) {
        if (i >= text.size()) return false;
        const auto ch = static_cast<unsigned char>(text[i]);
        if (ch == ']' && !first) break;
        if (ch == '\\') {
            if (i + 1 >= text.size()) return false;
            const auto member = static_cast<unsigned char>(text[i + 1]);
            set.Add(member);
            previous = member;
            i += 2;
        } else if (ch == '-' && previous >= 0 && i + 1 < text.size() && text[i + 1] != ']') {
            i += 1;
            if (text[i] == '\\' && ++i >= text.size()) return false;
            set.AddRange(static_cast<unsigned char>(previous), static_cast<unsigned char>(text[i]));
            previous = -1;
            i += 1;
        } else if (ch == '[' && i + 1 < text.size() && text[i + 1] == ':') {
            const std::size_t nameStart = i + 2;
            const std::size_t close = text.find(']', nameStart);
            if (close == std::string_view::npos) return false;
            if (close > nameStart && text[close - 1] == ':') {
                if (!AddClass(text.substr(nameStart, close - 1 - nameStart), set)) return false;
                previous = -1;
                i = close + 1;
            } else {
                set.Add(ch);
                previous = ch;
                i += 1;
            }
        } else {
            set.Add(ch);
            previous = ch;
            i += 1;
        }
    }
    if (negated) set.Invert();
    at = i + 1;
    return true;
}

// One line of an ignore file as git reads it: up to a NUL byte, without the CR of a CR LF
// line break, without trailing spaces unless the last one is escaped by a backslash.
std::string_view CleanLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = line.substr(0, line.find('\0'));
    std::size_t end = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ' ') continue;
        // A backslash keeps the byte after it, a space too; one at the very end keeps the
        // line as it is.
        if (line[i] == '\\' && ++i >= line.size()) return line;
        end = i + 1;
    }
    return line.substr(0, end);
}

// Git compares the literal start of a pattern with a slash (up to its first '*', '?', '['
// or backslash) on its own and matches the rest as a pattern of its own. A run of stars
// right after that start then counts as starting a pattern: "mid**/end" matches
// "midX/Y/end", and "midend" too, where "mid*/end" would match neither. The ways such a
// run matches, as patterns of the usual rules; none when the pattern has no such run.
std::vector<std::string> WaysOfStarsAfterLiteralStart(std::string_view text) {
    const std::size_t stars = text.find_first_of("*?[\\");
    if (stars == std::string_view::npos || stars == 0 || text[stars - 1] == '/') return {};
    std::size_t end = stars;
    while (end < text.size() && text[end] == '*') ++end;
    if (end - stars < 2) return {};
    const std::string start(text.substr(0, stars));
    const std::string_view rest = text.substr(end);
    // The run takes anything, slashes included.
    if (rest.empty()) return {start + "*", start + "*/**"};
    if (rest.starts_with("\\/")) return {start + "*/**" + std::string(rest)};
    // Followed by a slash, the run may also take nothing, slash and all.
    if (rest.front() == '/') {
        return {start + "*/**" + std::string(rest), start + std::string(rest.substr(1))};
    }
    return {};
}

}  // namespace

// The compiled lines of one ignore file. Tokens, sets and segments of all its patterns
// share three arrays, so a file costs a few allocations however long it is.
struct IgnoreRules::PatternList {
    std::vector<Token> tokens;
    std::vector<CharSet> sets;
    std::vector<Segment> segments;
    std::vector<Pattern> patterns;

    void AddLine(std::string_view line);
    Verdict Decide(const SplitPath& path, std::string_view name, bool isDirectory) const;

private:
    void AddPattern(Pattern pattern, std::string_view text);
    bool Compile(std::string_view text, bool nameOnly);
    void CloseSegment(std::uint32_t firstToken, std::size_t starBytes, bool onlyStars,
                      bool nameOnly);
    void RequireComponentAtEnd(std::size_t firstSegment);
    bool MatchesPath(const Pattern& pattern, const SplitPath& path) const;
    bool MatchesComponent(const Segment& segment, std::string_view component) const;
    static bool SameEnds(const Token& first, const Token& last, std::string_view component);
    bool MatchesByte(const Token& token, unsigned char ch) const;
};

void IgnoreRules::PatternList::AddLine(std::string_view line) {
    if (line.empty() || line.front() == '#') return;
    line = CleanLine(line);
    if (line.empty()) return;
    Pattern pattern;
    pattern.negated = line.front() == '!';
    if (pattern.negated) line.remove_prefix(1);
    pattern.directoryOnly = !line.empty() && line.back() == '/';
    if (pattern.directoryOnly) line.remove_suffix(1);
    pattern.nameOnly = line.find('/') == std::string_view::npos;
    // A leading slash only anchors the pattern, which any slash before the end does.
    if (!pattern.nameOnly && line.front() == '/') line.remove_prefix(1);
    AddPattern(pattern, line);
}

void IgnoreRules::PatternList::AddPattern(Pattern pattern, std::string_view text) {
    if (!pattern.nameOnly) {
        const std::vector<std::string> ways = WaysOfStarsAfterLiteralStart(text);
        for (const std::string& way : ways) AddPattern(pattern, way);
        if (!ways.empty()) return;
    }
    const std::size_t tokenCount = tokens.size();
    const std::size_t setCount = sets.size();
    const std::size_t segmentCount = segments.size();
    pattern.firstSegment = static_cast<std::uint32_t>(segmentCount);
    if (!Compile(text, pattern.nameOnly)) {
        // Git matches nothing with a pattern it cannot read; neither does this list.
        tokens.resize(tokenCount);
        sets.resize(setCount);
        segments.resize(segmentCount);
        return;
    }
    RequireComponentAtEnd(segmentCount);
    pattern.segmentCount = static_cast<std::uint32_t>(segments.size() - segmentCount);
    patterns.push_back(pattern);
}

bool IgnoreRules::PatternList::Compile(std::string_view text, bool nameOnly) {
    auto segmentStart = static_cast<std::uint32_t>(tokens.size());
    std::size_t starBytes = 0;
    bool onlyStars = true;
    const auto add = [this, &onlyStars](Step step, unsigned char ch, std::size_t set) {
        tokens.push_back({step, ch, static_cast<std::uint32_t>(set)});
        onlyStars = false;
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto ch = static_cast<unsigned char>(text[i]);
        // An escaped slash still separates components: it can match nothing but a slash.
        const bool separator =
            ch == '/' || (ch == '\\' && i + 1 < text.size() && text[i + 1] == '/');
        if (separator) {
            CloseSegment(segmentStart, starBytes, onlyStars, nameOnly);
            segmentStart = static_cast<std::uint32_t>(tokens.size());
            starBytes = 0;
            onlyStars = true;
            i += ch == '/' ? 1 : 2;
        } else if (ch == '*') {
            if (tokens.size() == segmentStart || tokens.back().step != Step::AnyRun) {
                tokens.push_back({Step::AnyRun, 0, 0});
            }
            ++starBytes;
            ++i;
        } else if (ch == '?') {
            add(Step::AnyChar, 0, 0);
            ++i;
        } else if (ch == '[') {
            CharSet set;
            if (!ParseBracket(text, i, set)) return false;
            sets.push_back(set);
            add(Step::Set, 0, sets.size() - 1);
        } else if (ch == '\\') {
            if (i + 1 >= text.size()) return false;
            add(Step::Literal, static_cast<unsigned char>(text[i + 1]), 0);
            i += 2;
        } else {
            add(Step::Literal, ch, 0);
            ++i;
        }
    }
    CloseSegment(segmentStart, starBytes, onlyStars, nameOnly);
    return true;
}

void IgnoreRules::PatternList::CloseSegment(std::uint32_t firstToken, std::size_t starBytes,
                                            bool onlyStars, bool nameOnly) {
    const auto tokenCount = static_cast<std::uint32_t>(tokens.size() - firstToken);
    const bool anyFolders = !nameOnly && onlyStars && starBytes >= 2;
    segments.push_back({firstToken, anyFolders ? 0 : tokenCount, anyFolders});
}

// A "**" that ends a pattern needs at least one component: "abc/**" matches what is inside
// abc, not abc itself. It becomes "*/**".
void IgnoreRules::PatternList::RequireComponentAtEnd(std::size_t firstSegment) {
    if (segments.size() == firstSegment || !segments.back().anyFolders) return;
    const auto token = static_cast<std::uint32_t>(tokens.size());
    tokens.push_back({Step::AnyRun, 0, 0});
    segments.back() = {token, 1, false};
    segments.push_back({token, 0, true});
}

Verdict IgnoreRules::PatternList::Decide(const SplitPath& path, std::string_view name,
                                         bool isDirectory) const {
    for (std::size_t i = patterns.size(); i-- > 0;) {
        const Pattern& pattern = patterns[i];
        if (pattern.directoryOnly && !isDirectory) continue;
        const bool matches = pattern.nameOnly
                                 ? MatchesComponent(segments[pattern.firstSegment], name)
                                 : MatchesPath(pattern, path);
        if (matches) return pattern.negated ? Verdict::Included : Verdict::Ignored;
    }
    return Verdict::NoMatch;
}

// Segments against components, where "**" stands for any run of components. Greedy with
// one point to return to, as for '*' within a component, so a pattern of many "**" costs
// segments times components, never more.
bool IgnoreRules::PatternList::MatchesPath(const Pattern& pattern, const SplitPath& path) const {
    const std::size_t end = pattern.firstSegment + pattern.segmentCount;
    std::size_t segment = pattern.firstSegment;
    std::size_t at = 0;
    std::size_t retrySegment = kNotFound;
    std::size_t retryAt = 0;
    while (at < path.size()) {
        if (segment < end && segments[segment].anyFolders) {
            // Tried first with no component; the retry below hands it one more each time.
            retrySegment = segment++;
            retryAt = at;
            continue;
        }
        std::size_t next = at;
        const std::string_view component = path.Component(next);
        if (segment < end && MatchesComponent(segments[segment], component)) {
            ++segment;
            at = next;
            continue;
        }
        if (retrySegment == kNotFound) return false;
        segment = retrySegment + 1;
        path.Component(retryAt);
        at = retryAt;
    }
    while (segment < end && segments[segment].anyFolders) ++segment;
    return segment == end;
}

// Tokens against one component: '*' runs over any bytes. The classic two-pointer match:
// on a mismatch, return to the last '*' and let it take one byte more, so the cost stays
// within tokens times bytes.
bool IgnoreRules::PatternList::MatchesComponent(const Segment& segment,
                                                std::string_view component) const {
    const Token* const steps = tokens.data() + segment.firstToken;
    const std::size_t count = segment.tokenCount;
    // Most names differ from most patterns in their first or last byte ("*.o" and "a.c").
    if (count > 0 && !SameEnds(steps[0], steps[count - 1], component)) return false;
    std::size_t step = 0;
    std::size_t at = 0;
    std::size_t retryStep = kNotFound;
    std::size_t retryAt = 0;
    while (at < component.size()) {
        if (step < count && steps[step].step == Step::AnyRun) {
            retryStep = step++;
            retryAt = at;
            continue;
        }
        if (step < count && MatchesByte(steps[step], static_cast<unsigned char>(component[at]))) {
            ++step;
            ++at;
            continue;
        }
        if (retryStep == kNotFound) return false;
        step = retryStep + 1;
        at = ++retryAt;
    }
    while (step < count && steps[step].step == Step::AnyRun) ++step;
    return step == count;
}

bool IgnoreRules::PatternList::SameEnds(const Token& first, const Token& last,
                                        std::string_view component) {
    if (first.step == Step::Literal &&
        (component.empty() || static_cast<unsigned char>(component.front()) != first.ch)) {
        return false;
    }
    return last.step != Step::Literal ||
           (!component.empty() && static_cast<unsigned char>(component.back()) == last.ch);
}

bool IgnoreRules::PatternList::MatchesByte(const Token& token, unsigned char ch) const {
    switch (token.step) {
    case Step::Literal:
        return token.ch == ch;
    case Step::AnyChar:
        return true;
    case Step::Set:
        return sets[token.set].Has(ch);
    case Step::AnyRun:
        break;
    }
    return false;
}

IgnoreRules::IgnoreRules(std::string root) : m_root(root.empty() ? "." : std::move(root)) {
}
IgnoreRules::~IgnoreRules() = default;
IgnoreRules::IgnoreRules(IgnoreRules&&) noexcept = default;
IgnoreRules& IgnoreRules::operator=(IgnoreRules&&) noexcept = default;

void IgnoreRules::LoadRoot() {
    m_folders.clear();
    m_lists.clear();
    m_folderIndex.clear();
    const bool rootIsTop = HoldsGitEntry(m_root);
    std::size_t above = kNone;
    if (!rootIsTop) LoadEnclosingWorkTree(above);
    Folder root;
    root.above = above;
    m_folderIndex.emplace(std::string(), AddFolder(std::move(root), m_root, rootIsTop));
}

void IgnoreRules::EnterFolder(std::string_view relativeFolder) {
    if (relativeFolder.empty() || m_folderIndex.find(relativeFolder) != m_folderIndex.end()) {
        return;
    }
    const std::size_t slash = relativeFolder.rfind('/');
    Folder folder;
    folder.above = FolderOf(slash == std::string_view::npos ? std::string_view()
                                                            : relativeFolder.substr(0, slash));
    folder.pathLength = relativeFolder.size();
    const std::string diskPath = JoinPath(m_root, relativeFolder);
    const std::size_t index = AddFolder(std::move(folder), diskPath, HoldsGitEntry(diskPath));
    m_folderIndex.emplace(std::string(relativeFolder), index);
}

bool IgnoreRules::IsIgnored(std::string_view relativePath, bool isDirectory) const {
    if (m_lists.empty() || relativePath.empty()) return false;
    const std::size_t slash = relativePath.rfind('/');
    const bool inRoot = slash == std::string_view::npos;
    const std::string_view name = inRoot ? relativePath : relativePath.substr(slash + 1);
    const std::size_t start = FolderOf(inRoot ? std::string_view() : relativePath.substr(0, slash));
    if (start == kNone) return false;
    for (std::size_t f = m_folders[start].nearestWithRules; f != kNone; f = NextWithRules(f)) {
        const Folder& folder = m_folders[f];
        const std::string_view fromFolder =
            folder.pathLength == 0 ? relativePath : relativePath.substr(folder.pathLength + 1);
        const SplitPath path(folder.pathToRoot, fromFolder);
        for (std::size_t list = folder.firstList + folder.listCount; list-- > folder.firstList;) {
            const Verdict verdict = m_lists[list].Decide(path, name, isDirectory);
            if (verdict != Verdict::NoMatch) return verdict == Verdict::Ignored;
        }
    }
    return false;
}

// Reads the folder's files (for the top of a work tree, info/exclude first) and appends
// it; returns its index.
std::size_t IgnoreRules::AddFolder(Folder folder, const std::string& diskPath, bool isWorkTreeTop) {
    folder.firstList = m_lists.size();
    if (isWorkTreeTop) {
        folder.above = kNone;
        AddList(ExcludeFileOf(diskPath), true);
    }
    AddList(JoinPath(diskPath, ".gitignore"), false);
    AddList(JoinPath(diskPath, ".ignore"), false);
    folder.listCount = m_lists.size() - folder.firstList;
    const std::size_t index = m_folders.size();
    folder.nearestWithRules =
        folder.listCount > 0
            ? index
            : (folder.above == kNone ? kNone : m_folders[folder.above].nearestWithRules);
    m_folders.push_back(std::move(folder));
    return index;
}

// Adds the folders from the top of the work tree that holds the root down to the folder
// above the root; `above` becomes the last of them.
void IgnoreRules::LoadEnclosingWorkTree(std::size_t& above) {
    const std::string root = RealPath(m_root);
    if (root.empty()) return;
    const std::vector<std::string> folders = EnclosingWorkTree(root);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const std::size_t skip = folders[i] == "/" ? 1 : folders[i].size() + 1;
        Folder folder;
        folder.above = above;
        folder.pathToRoot = root.substr(skip) + '/';
        above = AddFolder(std::move(folder), folders[i], i == 0);
    }
}

void IgnoreRules::AddList(const std::string& path, bool followLinks) {
    std::string contents;
    if (path.empty() || !ReadSmallFile(path, followLinks, contents)) return;
    std::string_view rest = contents;
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (rest.starts_with(kByteOrderMark)) rest.remove_prefix(kByteOrderMark.size());
    PatternList list;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        list.AddLine(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    if (!list.patterns.empty()) m_lists.push_back(std::move(list));
}

// The folder entered nearest to `relativeFolder`: itself, or the closest one above it.
std::size_t IgnoreRules::FolderOf(std::string_view relativeFolder) const {
    for (;;) {
        const auto found = m_folderIndex.find(relativeFolder);
        if (found != m_folderIndex.end()) return found->second;
        if (relativeFolder.empty()) return kNone;
        const std::size_t slash = relativeFolder.rfind('/');
        relativeFolder =
            slash == std::string_view::npos ? std::string_view() : relativeFolder.substr(0, slash);
    }
}

std::size_t IgnoreRules::NextWithRules(std::size_t folder) const {
    const std::size_t above = m_folders[folder].above;
    return above == kNone ? kNone : m_folders[above].nearestWithRules;
}

}  // namespace kesto
