#include "engine/SearchReplacePass.h"

#include <algorithm>
#include <cstring>

#include "engine/LineDisplay.h"

namespace kesto {
namespace {

constexpr int kLinesPerProgressReport = 300;
constexpr std::string_view kCannotPair =
    "More ? or * are Wild Cards in replace than in search string - Can't continue!";

// Where the line holding `offset` begins, looking back no further than `floor` (itself
// the start of a line).
std::size_t LineStartOf(std::string_view text, std::size_t offset, std::size_t floor,
                        char lineBreakChar) {
    for (std::size_t at = offset; at > floor; --at) {
        if (text[at - 1] == lineBreakChar) return at;
    }
    return floor;
}

// The first `byte` in [from, limit), or `limit` when there is none.
std::size_t FindFrom(std::string_view text, char byte, std::size_t from,
                     std::size_t limit = std::string_view::npos) {
    limit = std::min(limit, text.size());
    if (from >= limit) return limit;
    const void* hit =
        std::memchr(text.data() + from, static_cast<unsigned char>(byte), limit - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : limit;
}

}  // namespace

SearchReplacePass::SearchReplacePass(PassContext& context, LineMatcher& matcher,
                                     LineBreakType firstType)
    : FilePass(context), m_matcher(matcher), m_previousType(firstType) {
    Prepare(firstType);
}

void SearchReplacePass::Prepare(LineBreakType type) {
    m_patterns = CompilePatterns(m_context.options, type);
    // Texts that hold line breaks are split into numbered lines in the log.
    if (m_patterns.layout.spansLines) m_context.options.lineBreakInStrings = true;
    m_previousType = type;
}

bool SearchReplacePass::PairWildcardsForFile() {
    WildcardCaptures& captures = m_matcher.captures();
    captures.ReleaseCaptures();
    captures.ResetPairing();
    const CompiledPattern& search = m_patterns.search;
    const CompiledPattern& replace = m_patterns.replace;
    if (search.QuestionCount() <= replace.QuestionCount() &&
        search.StarCount() <= replace.StarCount()) {
        return true;
    }
    return captures.PairWildcards(search, replace, m_context.options.matchCase);
}

bool SearchReplacePass::ProcessFile(const std::string& directory, const std::string& fileName) {
    SessionOptions& options = m_context.options;
    if (!OpenAndRead(directory, fileName)) return false;

    const LineBreakType type = DetectLineBreakType(text());
    if (type == LineBreakType::None) {
        Fail("Doesn't meet text file requirements!");
        return false;
    }
    if (type != m_previousType) Prepare(type);

    if (options.matchCase && !options.wildcardSession &&
        text().find(m_patterns.search.text()) == std::string_view::npos) {
        Fail("No match Found!");
        return true;
    }
    if (options.wildcardSession && !PairWildcardsForFile()) {
        m_context.log.AddLogLine(kCannotPair);
        m_context.backups.RestoreOneFile();
        options.abortRequested = true;
        return false;
    }

    Counters counters;
    if (!Scan(counters)) return false;

    if (options.replaceAllThisFile) {
        options.replaceAllThisFile = false;
        options.confirmEachReplace = true;
    }
    if (counters.match.possible > 0) {
        if (KeepNewFile()) {
            m_context.log.AddLogLine(std::to_string(counters.changes) + " changes made out of " +
                                     std::to_string(counters.match.possible) + " possible in " +
                                     std::to_string(counters.match.linesWithMatch) + " lines!");
            m_context.log.AddLogLine(" ");
        }
    } else {
        Fail("No match Found!");
    }
    options.skipRestOfFile = false;
    return true;
}

bool SearchReplacePass::CountLinesUpTo(std::size_t offset, Counters& counters) {
    const std::string_view all = text();
    const char lineBreakChar = m_patterns.layout.lineBreakChar;
    for (std::size_t at = FindFrom(all, lineBreakChar, counters.countedTo, offset); at < offset;
         at = FindFrom(all, lineBreakChar, at + 1, offset)) {
        ++counters.lineNumber;
        if ((counters.lineNumber - 1) % kLinesPerProgressReport == 0) {
            ShowProgress(static_cast<int>(((at + 1) * 100 + 100) / all.size()));
            if (m_context.options.abortRequested) return false;
        }
    }
    counters.countedTo = std::max(counters.countedTo, offset);
    return true;
}

bool SearchReplacePass::Scan(Counters& counters) {
    SessionOptions& options = m_context.options;
    const std::string_view all = text();
    const PatternLayout& layout = m_patterns.layout;
    const char lineBreakChar = layout.lineBreakChar;
    const bool dos = layout.lineBreakType == LineBreakType::Dos;
    const std::string_view lineBreak = LineBreakBytes(layout.lineBreakType);

    std::size_t pos = 0;      // the scan goes on from here; always the start of a line
    std::size_t written = 0;  // the output holds the new text of everything before this
    while (pos < all.size()) {
        MatchSpan match;
        const MatchResult found = m_matcher.FindNext(all, pos, m_patterns, match);
        if (found == MatchResult::MustStop) {
            Fail("Out of Memory!");
            return false;
        }
        if (found == MatchResult::NoMatch) break;

        const std::size_t lineStart = LineStartOf(all, match.start, pos, lineBreakChar);
        std::size_t cutEnd;   // the cut-out text is [lineStart, cutEnd)
        std::size_t nextPos;  // where the next line begins
        bool keepsLineBreak = false;
        if (!layout.spansLines) {
            const std::size_t lineEnd = FindFrom(all, lineBreakChar, match.start);
            cutEnd = lineEnd;
            if (dos && lineEnd < all.size() && lineEnd > lineStart && all[lineEnd - 1] == '\r') {
                --cutEnd;
            }
            nextPos = lineEnd < all.size() ? lineEnd + 1 : lineEnd;
            keepsLineBreak = lineEnd < all.size();
            // A match that took the CR of a DOS line break does not lie within its line:
            // look for one that does.
            if (match.end() > cutEnd) {
                const MatchResult inLine =
                    m_matcher.FindNext(all.substr(0, cutEnd), match.start, m_patterns, match);
                if (inLine == MatchResult::MustStop) {
                    Fail("Out of Memory!");
                    return false;
                }
                if (inLine == MatchResult::NoMatch) {
                    pos = nextPos;
                    continue;
                }
            }
        } else {
            const std::size_t last = match.length > 0 ? match.end() - 1 : match.start;
            const bool endsOnBreak = match.length > 0 && all[last] == lineBreakChar;
            const std::size_t lineEnd =
                endsOnBreak ? last : FindFrom(all, lineBreakChar, match.end());
            cutEnd = lineEnd < all.size() ? lineEnd + 1 : lineEnd;
            nextPos = cutEnd;
        }
        if (cutEnd - lineStart > kMaxLineLength) {
            ShowLineTooLong(" characters\nwhich is this application's max!");
            Fail("Line to long!");
            return false;
        }
        if (!CountLinesUpTo(lineStart, counters)) {
            m_context.backups.RestoreOneFile();
            return false;
        }

        output().Write(all.substr(written, lineStart - written));
        const std::string before(all.substr(lineStart, cutEnd - lineStart));
        std::string line = before;
        const int changes =
            m_matcher.MatchLine(line, m_patterns, path(), counters.lineNumber, counters.match,
                                match.start - lineStart, match.end() - lineStart);
        if (m_matcher.captureFailed()) {
            Fail("Out of Memory!");
            return false;
        }
        if (options.abortRequested) {
            m_context.backups.RestoreOneFile();
            return false;
        }
        counters.changes += changes;
        if (changes > 0) {
            LogChangedLine(counters.lineNumber, before, line);
            output().Write(line);
            if (keepsLineBreak) output().Write(lineBreak);
        } else {
            // Nothing changed: the line goes out byte for byte, with its own line break.
            output().Write(all.substr(lineStart, nextPos - lineStart));
        }
        written = nextPos;
        if (!CountLinesUpTo(nextPos, counters)) {
            m_context.backups.RestoreOneFile();
            return false;
        }
        pos = nextPos;
        if (options.stopRequested || options.skipRestOfFile) break;
    }
    if (counters.match.possible > 0) output().Write(all.substr(written));
    return true;
}

void SearchReplacePass::LogChangedLine(int lineNumber, const std::string& before,
                                       const std::string& after) {
    const SessionOptions& options = m_context.options;
    const auto shown = [&](const std::string& line) {
        return options.controlEscapesInSearch ? line : ExpandTabs(line, options.expandTabSpaces);
    };
    const std::string number = FormatLineNumber(lineNumber);
    m_context.log.AddLogLine("ORG: " + number + " " + shown(before));
    m_context.log.AddLogLine("MOD: " + number + " " + shown(after));
    m_context.log.AddLogLine(" ");
}

}  // namespace kesto
