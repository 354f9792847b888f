// The pattern checks, compilation and the line matcher on random strings and lines.
// Input: one byte of switches, then the search string, a NUL, the replace string, a NUL,
// and the line. Replacing a plain literal by itself must leave the line as it was. With
// Unicode case (switch 64) a line that is valid UTF-8 folds every letter; switch 128 is
// Preserve Case.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzHosts.h"
#include "pattern/LineMatcher.h"
#include "pattern/PatternPreparation.h"
#include "pattern/PatternSyntax.h"

namespace {

using namespace kesto;

std::string ReplaceInLine(const RunDialogValues& values, bool unicodeCase, std::string line,
                          bool& matched) {
    fuzz::SilentHosts hosts;
    RunPlan options;
    options.suppressWildcardNotice = true;
    options.unicodeCase = unicodeCase;
    matched = false;
    if (!ValidateBeforeRun(values, options, hosts).check.accepted) return line;
    if (options.stripEolWhiteSpace || options.insertAtColumn) return line;
    const CompiledPatterns patterns = CompilePatterns(options, LineBreakType::Unix);
    RunControl control;
    control.StartRun(options.confirmEachReplace, options.globalReplace);
    LineMatcher matcher(options, control, hosts, hosts);
    matcher.ChooseCaseRule(line, patterns);
    if ((patterns.search.QuestionCount() > patterns.replace.QuestionCount() ||
         patterns.search.StarCount() > patterns.replace.StarCount()) &&
        !matcher.captures().PairWildcards(patterns.search, patterns.replace, options.matchCase)) {
        return line;
    }
    MatchSpan match;
    const MatchResult found = matcher.FindNext(line, 0, patterns, match);
    // The scan with its shortcuts finds what trying every offset in turn finds.
    if (!patterns.layout.anchorLineStart && found != MatchResult::MustStop) {
        MatchSpan plain;
        bool plainFound = false;
        for (std::size_t at = 0; at < line.size() && !plainFound; ++at) {
            std::size_t length = 0;
            if (matcher.MatchAt(line, at, patterns, length) == MatchResult::Match) {
                plain = {at, length};
                plainFound = true;
            }
        }
        if (plainFound != (found == MatchResult::Match)) std::abort();
        if (plainFound && (plain.start != match.start || plain.length != match.length))
            std::abort();
        if (plainFound) matcher.MatchAt(line, match.start, patterns, match.length);
    }
    if (found != MatchResult::Match) return line;
    matched = true;
    MatchCounters counters;
    matcher.MatchLine(line, patterns, "fuzz", 1, counters, match.start, match.end());
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 8192) return 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t firstNul = input.find('\0');
    if (firstNul == std::string::npos) return 0;
    const std::size_t secondNul = input.find('\0', firstNul + 1);
    if (secondNul == std::string::npos) return 0;

    RunDialogValues values;
    const uint8_t switches = data[0];
    values.matchCase = switches & 1;
    values.matchWholeWord = switches & 2;
    values.firstInstanceOnly = switches & 4;
    values.allInstancesInLine = !values.firstInstanceOnly;
    values.specialCharSession = switches & 8;
    values.wildcardSession = switches & 16;
    values.preserveCase = switches & 128;
    values.confirmEachReplace = false;
    values.globalReplace = true;
    values.searchText = input.substr(0, firstNul);
    values.replaceText = input.substr(firstNul + 1, secondNul - firstNul - 1);
    const std::string line = input.substr(secondNul + 1);

    std::string text = values.searchText;
    ReduceDoubledBackslashes(text);
    (void)DisplayForm(values.replaceText, switches & 32);

    bool matched = false;
    const bool unicodeCase = switches & 64;
    ReplaceInLine(values, unicodeCase, line, matched);

    const bool plainLiteral = values.matchCase && !values.matchWholeWord && !values.preserveCase &&
                              !values.specialCharSession && !values.wildcardSession;
    if (plainLiteral) {
        values.replaceText = values.searchText;
        if (ReplaceInLine(values, unicodeCase, line, matched) != line) std::abort();
    }
    return 0;
}
