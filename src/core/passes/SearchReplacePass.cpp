#include "passes/SearchReplacePass.h"

#include "passes/RegexScan.h"
#include "text/TextFile.h"

namespace kesto {
namespace {

constexpr std::string_view kMatchLimit = "Regular expression match limit reached!";
constexpr std::string_view kCannotPair =
    "More ? or * are Wild Cards in replace than in search string - Can't continue!";

}  // namespace

SearchReplacePass::SearchReplacePass(PassContext& context, LineMatcher& matcher,
                                     LineBreakType firstType)
    : FilePass(context), m_matcher(matcher), m_previousType(firstType) {
    Prepare(firstType);
    const RunPlan& options = context.options;
    if (options.regularExpression) {
        // The run was checked before it began; a pattern that fails here fails each file.
        RegexPair::Refusal refusal;
        m_regex = RegexPair::Compile(options.searchString, options.replaceString, options.matchCase,
                                     options.matchWholeWord, refusal, options.unicodeCase);
    }
}

void SearchReplacePass::Prepare(LineBreakType type) {
    m_patterns = CompilePatterns(m_context.options, type);
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
    const RunPlan& options = m_context.options;
    RunControl& control = m_context.control;
    if (!OpenAndRead(directory, fileName)) return false;

    const LineBreakType type = TypeOfText();
    if (type == LineBreakType::None) {
        Fail("Doesn't meet text file requirements!");
        return false;
    }
    if (type != m_previousType) Prepare(type);
    // Texts that hold line breaks are split into numbered lines in the log.
    if (m_regex ? m_regex->search().spansLines() : m_patterns.layout.spansLines) {
        m_context.log.SplitLinesAtBreaks();
    }
    if (options.regularExpression && !m_regex) {
        Fail("Invalid regular expression!");
        return false;
    }

    AheadScan* ahead = TakenScan();
    const bool scannedByWorker = ahead && ahead->state == AheadScan::State::Scanned;
    if (ahead && ahead->state == AheadScan::State::NoCandidate) {
        LeaveAlone("No match Found!");
        return true;
    }
    // A file without a candidate is only read, never renamed. Wildcard searches are not
    // tried ahead: their captures belong to the scan.
    if (options.wildcardSession) {
        if (!PairWildcardsForFile()) {
            Report(kCannotPair);
            m_context.backups.RestoreOneFile();
            m_context.prompter.ShowMessage(kCannotPair, MessageIcon::Stop);
            control.AbortWithReason(kCannotPair);
            return false;
        }
    } else if (!scannedByWorker && !HasCandidate(type)) {
        LeaveAlone("No match Found!");
        return true;
    }
    const bool scannedAhead = scannedByWorker && AheadLinesFit(*ahead);
    if (!scannedAhead && !ReadBytesLeftWithTheWorker()) return false;
    if (!(scannedAhead ? RewriteWith(ahead->content, true) : BeginRewrite())) return false;

    ScanCounters counters;
    if (scannedAhead) {
        AddAheadLines(*ahead);
        counters = ahead->counters;
    }
    switch (scannedAhead ? ScanResult::Completed : Scan(type, counters)) {
    case ScanResult::Completed:
        break;
    case ScanResult::CaptureFailed:
        Fail("Out of Memory!");
        return false;
    case ScanResult::LineTooLong:
        ShowLineTooLong(" characters\nwhich is this application's max!");
        Fail("Line to long!");
        return false;
    case ScanResult::Aborted:
        m_context.backups.RestoreOneFile();
        return false;
    case ScanResult::TooComplex:
        Fail(std::string(kMatchLimit));
        return false;
    }

    control.EndReplaceAllThisFile();
    if (counters.match.possible == 0) {
        LeaveAlone("No match Found!");
    } else if (!KeepNewFile()) {
        control.EndSkipRestOfFile();
        return false;
    } else {
        Report(std::to_string(counters.changes) + " changes made out of " +
               std::to_string(counters.match.possible) + " possible in " +
               std::to_string(counters.match.linesWithMatch) + " lines!");
        Report(" ");
    }
    control.EndSkipRestOfFile();
    return true;
}

ScanResult SearchReplacePass::Scan(LineBreakType type, ScanCounters& counters) {
    const RunPlan& options = m_context.options;
    if (m_regex) {
        return RegexScan(text(), type, *m_regex, path(), options, m_context.control, m_matcher,
                         output(), *this, counters)
            .Run();
    }
    return ScanText(text(), m_patterns, path(), options, m_context.control, m_matcher, output(),
                    *this, counters);
}

bool SearchReplacePass::HasCandidate(LineBreakType type) {
    if (m_regex) return RegexScan::FindsAny(text(), type, *m_regex);
    return HasLiteralCandidate(text(), m_patterns, m_context.options.matchCase, m_matcher);
}

void SearchReplacePass::OnProgress(int percent) {
    ShowProgress(percent);
}

void SearchReplacePass::OnChangedLine(int lineNumber, const std::string& before,
                                      const std::string& after) {
    m_context.sink().On(
        LineChanged{lineNumber, before, after, ReportedTabSpaces(m_context.options)});
}

}  // namespace kesto
