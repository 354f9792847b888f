// LineMatcher: finds the compiled search pattern in text and replaces matches within one
// line, asking the user when Confirm each Replace is on.
//
// The per-file passes find the first match of a line with FindNext, cut the line out and
// hand it to MatchLine, which decides about that match and every further one in the line.
// The matcher knows nothing of files or windows: it reads the switches of RunPlan,
// turns the confirm answers into requests to the run's RunControl, asks through
// ReplaceConfirmer and reports a fatal capture problem through Prompter. One matcher serves
// a whole run; it owns the wildcard capture state.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "literal/LiteralFinder.h"
#include "literal/ScanReport.h"
#include "pattern/PatternPreparation.h"
#include "pattern/ReplaceConfirmer.h"
#include "pattern/WildcardCaptures.h"
#include "plan/RunPlan.h"
#include "run/Prompter.h"
#include "run/RunControl.h"

namespace kesto {

enum class MatchResult {
    NoMatch,
    Match,
    MustStop,  // a star capture failed: the message was shown and the run stops
};

// How the literal characters of a search compare with a text's.
enum class CaseRule {
    Exact,    // Match Case: byte for byte
    Ascii,    // A-Z and a-z match either case
    Unicode,  // every letter of UTF-8 matches what folds as it does
};

struct MatchSpan {
    std::size_t start = 0;
    std::size_t length = 0;
    std::size_t end() const { return start + length; }
};

// What the last star search found, so that the attempts at the following start positions
// of one text do not search the same stretch again (which would make a long line without
// the wanted text quadratic).
struct StarSearchCache {
    const char* text = nullptr;
    std::size_t textSize = 0;
    std::size_t starIndex = 0;
    std::size_t from = 0;   // the search started here ...
    std::size_t found = 0;  // ... and the first place it could end is here,
    bool none = false;      // or there is none up to and including `found`
    bool valid = false;
};

// Whether the star at `starIndex` of `search` can match at `pos` of `text`, and how much it
// takes. A star that ends the pattern or is followed by white space (or by ?) takes
// everything up to the next white space and never fails. Otherwise it takes the shortest
// run after which the next pattern character and those following it, up to the next star,
// match; that run never crosses `lineBreakChar`. `cache` may be null.
bool MatchStar(std::string_view text, std::size_t pos, const CompiledPattern& search,
               std::size_t starIndex, char lineBreakChar, CaseRule rule, std::size_t& length,
               StarSearchCache* cache = nullptr);

// Where the unchanged tail of a line edited in the confirm dialog begins, in `edited`: the
// lines are compared backwards from their ends. An edit that changed nothing goes on after
// the match.
std::size_t UnchangedTailStart(std::string_view shown, std::string_view edited,
                               const MatchSpan& match);

class LineMatcher {
public:
    LineMatcher(const RunPlan& options, RunControl& control, Prompter& prompter,
                ReplaceConfirmer& confirmer);

    // Chooses how letters compare and take their shape in `text`, the whole text of a file
    // about to be scanned for `patterns`: with Unicode case on and text that is valid UTF-8,
    // every letter folds where folding can find more than ASCII folding does, and Preserve
    // Case shapes every cased letter; otherwise as the run's Match Case says.
    void ChooseCaseRule(std::string_view text, const CompiledPatterns& patterns);
    CaseRule caseRule() const {
        if (m_options.matchCase) return CaseRule::Exact;
        return m_foldsUnicode ? CaseRule::Unicode : CaseRule::Ascii;
    }

    // Tries the search pattern at `pos` of `text`; the match may not run past the end of
    // `text`. Releases the captures first and captures what the wildcards take.
    MatchResult MatchAt(std::string_view text, std::size_t pos, const CompiledPatterns& patterns,
                        std::size_t& length);

    // The first match starting at or after `from`. With anchorLineStart a match must start
    // at the start of `text` or right after a line-break character.
    MatchResult FindNext(std::string_view text, std::size_t from, const CompiledPatterns& patterns,
                         MatchSpan& match);

    // Decides about the match [matchStart, matchEnd) of `line`, which FindNext found (its
    // captures are still held), and every further match of the line; rewrites `line` in
    // place. Returns the number of changes made; 0 after Abort or a failed star capture.
    int MatchLine(std::string& line, const CompiledPatterns& patterns, std::string_view fileName,
                  int lineNumber, MatchCounters& counters, std::size_t matchStart,
                  std::size_t matchEnd);

    WildcardCaptures& captures() { return m_captures; }

    // Asks the user about `match` of `line` (the line as it stands), which Replace It would
    // replace by `replacement`, through the confirm dialog and applies the answer to the
    // run's control; false after Abort. A You Edit It answer leaves the edited line in
    // `editedLine`.
    bool AskUser(const std::string& line, const MatchSpan& match, std::string_view replacement,
                 std::string_view fileName, int lineNumber, std::string& editedLine);

    // Set when a star capture failed in this run; the pass then restores the file.
    bool captureFailed() const { return m_captureFailed; }

private:
    // MatchAt without forgetting the star searches of earlier attempts on the same text.
    MatchResult TryAt(std::string_view text, std::size_t pos, const CompiledPatterns& patterns,
                      std::size_t& length);
    // FindNext with every letter folded: candidates are the places where a character that
    // folds as the pattern's first does begins.
    MatchResult FindFolded(std::string_view text, std::size_t from,
                           const CompiledPatterns& patterns, MatchSpan& match);
    // The first bytes of the characters that fold as the first character of `search`; empty
    // when the search begins with a wildcard.
    const std::string& FirstCharacterLeads(const CompiledPattern& search);
    MatchResult StopForCapture(WildcardCaptures::StarCapture failure);
    // What `match` of `line` is replaced by: the captures of its wildcards put in and the
    // case shape of the match applied; held in `storage` when it is not the typed text.
    std::string_view ReplacementFor(std::string_view line, const MatchSpan& match,
                                    const CompiledPatterns& patterns, std::string& storage) const;
    // The finder of a plain literal, kept while the literal stays the same.
    const LiteralFinder& LiteralFinderFor(const std::string& literal, bool matchCase);

    const RunPlan& m_options;
    RunControl& m_control;
    Prompter& m_prompter;
    ReplaceConfirmer& m_confirmer;
    WildcardCaptures m_captures;
    StarSearchCache m_starCache;
    bool m_captureFailed = false;
    bool m_foldsUnicode = false;   // the text in hand: letters fold with Unicode case
    bool m_shapesUnicode = false;  // ... and take their shape with it
    // The leads of each search met so far: a batch asks for its pairs' in turn.
    std::unordered_map<std::string, std::string> m_leads;
    std::string m_literal;
    bool m_literalMatchCase = true;
    std::optional<LiteralFinder> m_literalFinder;
};

}  // namespace kesto
