#include "pattern/LineMatcher.h"

#include <algorithm>
#include <cstring>

#include "pattern/ConfirmAnswer.h"
#include "text/AsciiCase.h"
#include "text/CaseShape.h"
#include "text/LineDisplay.h"
#include "text/UnicodeCase.h"

namespace kesto {
namespace {

constexpr std::string_view kTooManyStarsMessage =
    "Too many wild card matches in replace string\n**  Must Stop  **";
constexpr std::string_view kStarOutOfMemoryMessage = "Out of  memory!\n**  Must Stop  **";
constexpr std::size_t kNone = std::string_view::npos;

std::size_t FindByte(std::string_view text, char byte, std::size_t from) {
    if (from >= text.size()) return kNone;
    const void* found =
        std::memchr(text.data() + from, static_cast<unsigned char>(byte), text.size() - from);
    return found ? static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) : kNone;
}

// The next place at or after `from` where a literal first pattern byte occurs, in either
// case without Match Case. Both cases are looked for in windows that double in size, so
// that a case which does not occur at all costs no more than the distance to the next
// occurrence of the other: a whole scan stays linear in the text.
std::size_t NextCandidate(std::string_view text, std::size_t from, char byte, char otherCase) {
    std::size_t window = 256;
    for (std::size_t start = from; start < text.size(); start += window, window *= 2) {
        const std::size_t end = std::min(text.size(), start + window);
        const char* base = text.data();
        const void* hit = std::memchr(base + start, static_cast<unsigned char>(byte), end - start);
        const std::size_t limit =
            hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - base) : end;
        const void* other =
            otherCase == byte
                ? nullptr
                : std::memchr(base + start, static_cast<unsigned char>(otherCase), limit - start);
        if (other) return static_cast<std::size_t>(static_cast<const char*>(other) - base);
        if (hit) return limit;
    }
    return kNone;
}

// The next place at or after `from` where any of `bytes` occurs; windows that double in
// size keep the scan linear, as in NextCandidate.
std::size_t NextOfAny(std::string_view text, std::size_t from, std::string_view bytes) {
    std::size_t window = 256;
    for (std::size_t start = from; start < text.size(); start += window, window *= 2) {
        const char* base = text.data();
        std::size_t limit = std::min(text.size(), start + window);
        bool found = false;
        for (const char byte : bytes) {
            const void* hit =
                std::memchr(base + start, static_cast<unsigned char>(byte), limit - start);
            if (!hit) continue;
            limit = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
            found = true;
        }
        if (found) return limit;
    }
    return kNone;
}

// Whether the literal character of `search` at `k` matches `text` at `at`; on a match both
// move past it. Under Unicode folding a character and its fold may differ in length (the
// Kelvin sign and k), and bytes that are no UTF-8 compare as themselves.
bool LiteralMatches(std::string_view text, std::size_t& at, const CompiledPattern& search,
                    std::size_t& k, CaseRule rule) {
    if (at >= text.size()) return false;
    const char t = text[at];
    const char p = search.byte(k);
    const bool bothAscii = static_cast<unsigned char>(t | p) < 0x80;
    if (rule != CaseRule::Unicode || bothAscii) {
        if (!ByteMatches(t, p, rule == CaseRule::Exact)) return false;
        ++at;
        ++k;
        return true;
    }
    const UnicodeCase::Char inPattern = UnicodeCase::Decode(search.text(), k);
    const UnicodeCase::Char inText = UnicodeCase::Decode(text, at);
    if (inPattern.length == 0 || inText.length == 0) {
        if (t != p) return false;
        ++at;
        ++k;
        return true;
    }
    if (UnicodeCase::Fold(inPattern.code) != UnicodeCase::Fold(inText.code)) return false;
    at += inText.length;
    k += inPattern.length;
    return true;
}

// Whether the pattern positions [first, last), none of them a star, match at `at`.
bool SegmentMatches(std::string_view text, std::size_t at, const CompiledPattern& search,
                    std::size_t first, std::size_t last, char lineBreakChar, CaseRule rule) {
    if (rule != CaseRule::Unicode && at + (last - first) > text.size()) return false;
    for (std::size_t k = first; k < last;) {
        if (search.IsLiteral(k)) {
            if (!LiteralMatches(text, at, search, k, rule)) return false;
            continue;
        }
        if (at >= text.size() || text[at] == lineBreakChar) return false;
        ++at;
        ++k;
    }
    return true;
}

// The end of the run a star takes from `pos`: the next white space (takesWord), or the
// first place where the segment after the star matches; `none` when the line break comes
// first. Answers from the cache when an earlier search of the same text covered `pos`.
std::size_t StarRunEnd(std::string_view text, std::size_t pos, const CompiledPattern& search,
                       std::size_t starIndex, std::size_t segmentEnd, bool takesWord,
                       char lineBreakChar, CaseRule rule, bool& none, StarSearchCache* cache) {
    if (cache && cache->valid && cache->text == text.data() && cache->textSize == text.size() &&
        cache->starIndex == starIndex && cache->from <= pos && pos <= cache->found) {
        none = cache->none;
        return cache->found;
    }
    none = false;
    std::size_t at = pos;
    if (takesWord) {
        while (at < text.size() && !IsWhiteSpace(text[at])) ++at;
    } else {
        for (;; ++at) {
            if (at >= text.size()) {
                none = true;
                break;
            }
            if (SegmentMatches(text, at, search, starIndex + 1, segmentEnd, lineBreakChar, rule)) {
                break;
            }
            if (text[at] == lineBreakChar) {
                none = true;
                break;
            }
        }
    }
    if (cache) *cache = {text.data(), text.size(), starIndex, pos, at, none, true};
    return at;
}

}  // namespace

bool MatchStar(std::string_view text, std::size_t pos, const CompiledPattern& search,
               std::size_t starIndex, char lineBreakChar, CaseRule rule, std::size_t& length,
               StarSearchCache* cache) {
    pos = std::min(pos, text.size());
    const std::size_t next = starIndex + 1;
    const bool takesWord =
        next >= search.size() || !search.IsLiteral(next) || IsWhiteSpace(search.byte(next));
    std::size_t segmentEnd = next;
    while (segmentEnd < search.size() && search.symbol(segmentEnd) != PatternSymbol::AnyRun) {
        ++segmentEnd;
    }
    bool none = false;
    const std::size_t end = StarRunEnd(text, pos, search, starIndex, segmentEnd, takesWord,
                                       lineBreakChar, rule, none, cache);
    if (none) return false;
    length = end - pos;
    return true;
}

LineMatcher::LineMatcher(const RunPlan& options, RunControl& control, Prompter& prompter,
                         ReplaceConfirmer& confirmer)
    : m_options(options), m_control(control), m_prompter(prompter), m_confirmer(confirmer) {
}

MatchResult LineMatcher::MatchAt(std::string_view text, std::size_t pos,
                                 const CompiledPatterns& patterns, std::size_t& length) {
    m_starCache.valid = false;
    return TryAt(text, pos, patterns, length);
}

MatchResult LineMatcher::TryAt(std::string_view text, std::size_t pos,
                               const CompiledPatterns& patterns, std::size_t& length) {
    m_captures.ReleaseCaptures();
    const CompiledPattern& search = patterns.search;
    const char lineBreakChar = patterns.layout.lineBreakChar;
    const CaseRule rule = caseRule();
    const bool keepStars = patterns.replace.StarCount() > 0;

    std::size_t at = pos;
    for (std::size_t i = 0; i < search.size();) {
        switch (search.symbol(i)) {
        case PatternSymbol::Literal:
            if (!LiteralMatches(text, at, search, i, rule)) return MatchResult::NoMatch;
            break;
        case PatternSymbol::AnyChar:
            if (at >= text.size() || text[at] == lineBreakChar) return MatchResult::NoMatch;
            m_captures.CaptureQuestion(text[at]);
            ++at;
            ++i;
            break;
        case PatternSymbol::AnyRun: {
            std::size_t run = 0;
            if (!MatchStar(text, at, search, i, lineBreakChar, rule, run, &m_starCache)) {
                return MatchResult::NoMatch;
            }
            if (keepStars) {
                const auto stored = m_captures.CaptureStar(text.substr(at, run));
                if (stored != WildcardCaptures::StarCapture::Stored) return StopForCapture(stored);
            }
            at += run;
            ++i;
            break;
        }
        }
    }
    length = at - pos;
    return MatchResult::Match;
}

const LiteralFinder& LineMatcher::LiteralFinderFor(const std::string& literal, bool matchCase) {
    if (!m_literalFinder || m_literal != literal || m_literalMatchCase != matchCase) {
        m_literal = literal;
        m_literalMatchCase = matchCase;
        m_literalFinder.emplace(literal, matchCase);
    }
    return *m_literalFinder;
}

MatchResult LineMatcher::FindNext(std::string_view text, std::size_t from,
                                  const CompiledPatterns& patterns, MatchSpan& match) {
    // The star cache serves the attempts of this call only: the text may change between calls.
    m_starCache.valid = false;
    const auto tryAt = [&](std::size_t pos) {
        std::size_t length = 0;
        const MatchResult result = TryAt(text, pos, patterns, length);
        if (result == MatchResult::Match) match = {pos, length};
        return result;
    };

    if (patterns.layout.anchorLineStart) {
        const char lineBreakChar = patterns.layout.lineBreakChar;
        std::size_t pos = from;
        if (pos > 0 && pos < text.size() && text[pos - 1] != lineBreakChar) {
            pos = FindByte(text, lineBreakChar, pos);
            if (pos != kNone) ++pos;
        }
        while (pos < text.size()) {
            const MatchResult result = tryAt(pos);
            if (result != MatchResult::NoMatch) return result;
            pos = FindByte(text, lineBreakChar, pos);
            if (pos == kNone) break;
            ++pos;
        }
        return MatchResult::NoMatch;
    }

    const CompiledPattern& search = patterns.search;
    if (m_foldsUnicode && !m_options.matchCase && !search.empty()) {
        return FindFolded(text, from, patterns, match);
    }
    if (!search.HasWildcards() && !search.empty()) {
        // A plain literal: one substring search finds it.
        const std::size_t at =
            LiteralFinderFor(search.text(), m_options.matchCase).Find(text, from, text.size());
        if (at == LiteralFinder::kNone) return MatchResult::NoMatch;
        match = {at, search.size()};
        return MatchResult::Match;
    }
    const bool literalFirst = !search.empty() && search.IsLiteral(0);
    const char firstByte = literalFirst ? search.byte(0) : '\0';
    const char otherCase = m_options.matchCase ? firstByte : SwapCase(firstByte);
    for (std::size_t pos = from; pos < text.size(); ++pos) {
        if (literalFirst) {
            pos = NextCandidate(text, pos, firstByte, otherCase);
            if (pos == kNone) break;
        }
        const MatchResult result = tryAt(pos);
        if (result != MatchResult::NoMatch) return result;
    }
    return MatchResult::NoMatch;
}

MatchResult LineMatcher::FindFolded(std::string_view text, std::size_t from,
                                    const CompiledPatterns& patterns, MatchSpan& match) {
    const std::string& leads = FirstCharacterLeads(patterns.search);
    for (std::size_t pos = from; pos < text.size(); ++pos) {
        if (!leads.empty()) {
            pos = NextOfAny(text, pos, leads);
            if (pos == kNone) break;
        }
        std::size_t length = 0;
        const MatchResult result = TryAt(text, pos, patterns, length);
        if (result == MatchResult::Match) match = {pos, length};
        if (result != MatchResult::NoMatch) return result;
    }
    return MatchResult::NoMatch;
}

const std::string& LineMatcher::FirstCharacterLeads(const CompiledPattern& search) {
    // A search that begins with a wildcard is tried everywhere; its text can equal that of
    // one beginning with an escaped ? or *, so it is never looked up.
    static const std::string kEverywhere;
    if (!search.IsLiteral(0)) return kEverywhere;
    const auto [entry, added] = m_leads.try_emplace(search.text());
    std::string& leads = entry->second;
    if (!added) return leads;
    const UnicodeCase::Char first = UnicodeCase::Decode(search.text(), 0);
    if (first.length == 0) {
        leads += search.byte(0);
        return leads;
    }
    std::string encoded;
    for (const char32_t alike : UnicodeCase::FoldsAlike(first.code)) {
        encoded.clear();
        UnicodeCase::Append(alike, encoded);
        if (leads.find(encoded[0]) == std::string::npos) leads += encoded[0];
    }
    return leads;
}

void LineMatcher::ChooseCaseRule(std::string_view text, const CompiledPatterns& patterns) {
    m_foldsUnicode = false;
    m_shapesUnicode = false;
    if (!m_options.unicodeCase) return;
    const std::string& search = patterns.search.text();
    const bool asciiSearch = UnicodeCase::IsAscii(search);
    // An ASCII search finds more with Unicode folding only in text that holds the Kelvin sign
    // or the long s: every other text keeps the byte finders.
    const bool folds = !m_options.matchCase &&
                       (!asciiSearch || (UnicodeCase::HasLettersFoldedFromBeyondAscii(search) &&
                                         UnicodeCase::HoldsFoldsOfAsciiLetters(text)));
    // What a match takes from the text, and the replacement, may hold letters beyond ASCII.
    const bool shapes =
        m_options.preserveCase && (folds || !asciiSearch || patterns.search.HasWildcards() ||
                                   !UnicodeCase::IsAscii(patterns.replace.text()));
    if (!folds && !shapes) return;
    const UnicodeCase::Encoding encoding = UnicodeCase::EncodingOf(text);
    if (encoding == UnicodeCase::Encoding::NotUtf8) return;
    // In ASCII text folding every letter finds what folding ASCII letters finds, unless the
    // search holds a character beyond ASCII that folds to an ASCII letter.
    m_foldsUnicode = folds && (encoding == UnicodeCase::Encoding::Utf8 ||
                               UnicodeCase::HoldsFoldsOfAsciiLetters(search));
    m_shapesUnicode = shapes;
}

int LineMatcher::MatchLine(std::string& line, const CompiledPatterns& patterns,
                           std::string_view fileName, int lineNumber, MatchCounters& counters,
                           std::size_t matchStart, std::size_t matchEnd) {
    ++counters.possible;
    ++counters.linesWithMatch;
    int changes = 0;
    MatchSpan match{matchStart, matchEnd - matchStart};

    for (;;) {
        std::string editedLine;
        std::string replacementStorage;
        std::optional<std::string_view> replacement;
        if (m_control.confirmEachReplace()) {
            // The question shows the line as Replace It would write it.
            replacement = ReplacementFor(line, match, patterns, replacementStorage);
            if (!AskUser(line, match, *replacement, fileName, lineNumber, editedLine)) return 0;
        }

        std::size_t resume = match.end();
        const bool replaceWanted = m_control.replaceWanted();
        if (m_control.TakeEditedLine()) {
            resume = UnchangedTailStart(line, editedLine, match);
            line = std::move(editedLine);
            ++changes;
        } else if (replaceWanted) {
            if (!replacement) {
                replacement = ReplacementFor(line, match, patterns, replacementStorage);
            }
            line.replace(match.start, match.length, *replacement);
            // The inserted text is never searched again.
            resume = match.start + replacement->size();
            ++changes;
        }

        if (m_options.firstInstanceOnly || m_control.stopRequested() ||
            m_control.skipRestOfFile() || patterns.layout.anchorLineStart) {
            return changes;
        }
        // After an empty match (a lone star before white space) the next one starts past
        // the character it stood before; otherwise an insertion there would repeat forever.
        if (match.length == 0) ++resume;

        const MatchResult next = FindNext(line, resume, patterns, match);
        if (next == MatchResult::MustStop) return 0;
        if (next == MatchResult::NoMatch) return changes;
        ++counters.possible;
    }
}

std::string_view LineMatcher::ReplacementFor(std::string_view line, const MatchSpan& match,
                                             const CompiledPatterns& patterns,
                                             std::string& storage) const {
    const bool buildsReplacement = patterns.replace.HasWildcards();
    if (!buildsReplacement && !m_options.preserveCase) return patterns.replace.text();
    storage = buildsReplacement ? m_captures.BuildReplacement(patterns.replace)
                                : std::string(patterns.replace.text());
    if (m_options.preserveCase && m_shapesUnicode) {
        UnicodeCase::ApplyShape(UnicodeCase::ShapeOf(line.substr(match.start, match.length)),
                                storage);
    } else if (m_options.preserveCase) {
        ApplyShape(ShapeOf(line.substr(match.start, match.length)), storage);
    }
    return storage;
}

std::size_t UnchangedTailStart(std::string_view shown, std::string_view edited,
                               const MatchSpan& match) {
    std::size_t i = shown.size();
    std::size_t j = edited.size();
    while (i > 0 && j > 0 && shown[i - 1] == edited[j - 1]) {
        --i;
        --j;
    }
    if (i == 0 && j == 0) return match.end();
    return j;
}

bool LineMatcher::AskUser(const std::string& line, const MatchSpan& match,
                          std::string_view replacement, std::string_view fileName, int lineNumber,
                          std::string& editedLine) {
    // With control escapes in the search the tabs may be part of the match, so they are
    // shown as they are.
    const bool expandTabs = !m_options.controlEscapesInSearch;
    const int spaces = m_options.expandTabSpaces;

    ConfirmRequest request;
    request.fileName = fileName;
    request.lineNumber = FormatLineNumber(lineNumber);
    request.displayedLine = expandTabs ? ExpandTabs(line, spaces) : line;
    request.highlightStart =
        expandTabs ? DisplayColumn(line, match.start, spaces) : static_cast<int>(match.start);
    request.highlightEnd =
        expandTabs ? DisplayColumn(line, match.end(), spaces) : static_cast<int>(match.end());
    request.line = line;
    request.matchStart = match.start;
    request.matchLength = match.length;
    std::string replaced = line;
    replaced.replace(match.start, match.length, replacement);
    const std::size_t replacementEnd = match.start + replacement.size();
    request.replacedDisplayedLine = expandTabs ? ExpandTabs(replaced, spaces) : replaced;
    request.replacementStart = request.highlightStart;
    request.replacementEnd = expandTabs ? DisplayColumn(replaced, replacementEnd, spaces)
                                        : static_cast<int>(replacementEnd);

    m_control.AskingAbout(request.highlightStart, request.highlightEnd);

    ConfirmAnswer answer = m_confirmer.ConfirmReplace(request);
    ApplyConfirmAnswer(answer, m_control);
    if (m_control.userEditedLine()) editedLine = std::move(*answer.editedLine);
    return !m_control.abortRequested();
}

MatchResult LineMatcher::StopForCapture(WildcardCaptures::StarCapture failure) {
    const std::string_view reason = failure == WildcardCaptures::StarCapture::TooMany
                                        ? kTooManyStarsMessage
                                        : kStarOutOfMemoryMessage;
    m_prompter.ShowMessage(reason, MessageIcon::Stop);
    m_control.StopWithReason(reason);
    m_captureFailed = true;
    return MatchResult::MustStop;
}

}  // namespace kesto
