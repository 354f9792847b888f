// RegexScan: the scan of one text for a regular-expression pair, the counterpart of the
// literal and wildcard scan with the same results, counters and log.
//
// A pattern that spans no lines is matched line by line; each line with a match is one
// unit. A pattern that names a line break is matched against the whole text; a unit is
// then every line that a chain of matches touches, with their line breaks. The matches of
// a unit are taken from the text as it was, as Perl's s///g takes them, and each is asked
// about when Confirm each Replace is on; after You Edit It the matching goes on in the
// edited text.
#pragma once

#include <string>
#include <string_view>

#include "literal/ScanReport.h"
#include "passes/ScanLines.h"
#include "pattern/LineMatcher.h"
#include "plan/RunPlan.h"
#include "regex/RegexFinder.h"
#include "regex/RegexPair.h"
#include "run/RunControl.h"
#include "text/ByteSink.h"
#include "text/LineBreak.h"

namespace kesto {

class RegexScan {
public:
    RegexScan(std::string_view text, LineBreakType type, RegexPair& pair, std::string_view fileName,
              const RunPlan& options, RunControl& control, LineMatcher& asker, ByteSink& sink,
              ScanObserver& observer, ScanCounters& counters);

    // Whether the text holds a match at all (a match the limit stops counts as one, for the
    // scan to report).
    static bool FindsAny(std::string_view text, LineBreakType type, RegexPair& pair);
    // Whether `text` is matched as characters: Unicode case is on and it is valid UTF-8.
    static bool MatchesCharacters(std::string_view text, RegexPair& pair);

    // Writes nothing when the text has no match.
    ScanResult Run();

private:
    enum class UnitEnd { Done, Aborted, TooComplex };

    ScanResult RunOverLines();
    ScanResult RunOverText();
    // Decides about `match` and the matches after it in the unit [unitStart, unitEnd) of
    // `subject`; leaves the unit's new text in m_after. A unit of the whole text grows to
    // the end of the line of every later match that starts within it (`unitEnd` is
    // updated).
    UnitEnd ReplaceInUnit(std::string_view subject, std::size_t unitStart, std::size_t& unitEnd,
                          RegexSpan match, bool growsInText, int& changes);
    // The replacement of `match` of `subject`, the last match of the program, in
    // m_replacement.
    void ExpandReplacement(std::string_view subject, const RegexSpan& match);
    void AppendReplacement(std::string_view subject, const RegexSpan& match, std::string& out);
    // Writes the unit [start, next) of the text: its new text when something changed, with
    // the line break it had in [contentEnd, next).
    void WriteUnit(std::size_t start, std::size_t contentEnd, std::size_t next, int changes);
    bool EndsEarly() const;
    // What the scan ends with when a unit did not end Done.
    static ScanResult ResultOf(UnitEnd end);

    std::string_view m_text;
    RegexPair& m_pair;
    RegexFinder m_finder;
    std::string_view m_fileName;
    const RunPlan& m_options;
    RunControl& m_control;
    LineMatcher& m_asker;
    ByteSink& m_sink;
    ScanObserver& m_observer;
    ScanCounters& m_counters;
    ScanLines m_lines;
    std::size_t m_written = 0;
    std::string m_before;
    std::string m_after;
    std::string m_edited;
    std::string m_replacement;
};

}  // namespace kesto
