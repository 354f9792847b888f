#include "engine/BatchPass.h"

#include <chrono>
#include <new>

namespace kesto {

BatchPass::BatchPass(PassContext& context, LineMatcher& matcher, CBatchSRList& pairs)
    : FilePass(context), m_matcher(matcher), m_pairs(pairs) {
}

void BatchPass::OnProgress(int percent) {
    m_context.progress.ShowBatchProgress(m_context.backups.shortDisplayName(), percent,
                                         m_pairNumber);
}

BatchPass::PairOutcome BatchPass::ApplyPair(const CBatchSR& pair, int pairNumber,
                                            LineBreakType type, std::string& content,
                                            ScanCounters& total) {
    SessionOptions& options = m_context.options;
    m_pairNumber = pairNumber;
    options.wildcardSession = pair.m_bWildCards;
    const CompiledPatterns patterns =
        CompilePatterns(options, type, pair.m_strSearchWork, pair.m_strReplaceWork);
    if (options.matchCase && !options.wildcardSession &&
        !ContainsBytes(content, patterns.search.text())) {
        return PairOutcome::Skipped;
    }
    if (pair.m_bWildCards) {
        WildcardCaptures& captures = m_matcher.captures();
        captures.ReleaseCaptures();
        captures.ResetPairing();
        const bool needsPairing =
            patterns.search.QuestionCount() > patterns.replace.QuestionCount() ||
            patterns.search.StarCount() > patterns.replace.StarCount();
        if (needsPairing &&
            !captures.PairWildcards(patterns.search, patterns.replace, options.matchCase)) {
            return PairOutcome::Skipped;
        }
    }

    std::string& next = m_next;
    next.clear();
    next.reserve(content.size() + content.size() / 4);
    StringSink sink(next);
    ScanCounters counters;
    const ScanResult result =
        ScanText(content, patterns, path(), options, m_matcher, sink, *this, counters);
    switch (result) {
    case ScanResult::Completed:
        break;
    case ScanResult::CaptureFailed:
        Fail("Out of Memory!");
        return PairOutcome::Failed;
    case ScanResult::LineTooLong:
        ShowLineTooLong(" characters\nwhich is this application's max!");
        Fail("Line to long!");
        return PairOutcome::Failed;
    case ScanResult::Aborted:
        m_context.backups.RestoreOneFile();
        return PairOutcome::Failed;
    }
    total.changes += counters.changes;
    total.match.possible += counters.match.possible;
    total.match.linesWithMatch += counters.match.linesWithMatch;
    // A pair without a match leaves the content as it was (the scan wrote nothing).
    if (counters.match.possible > 0) content.swap(next);
    return PairOutcome::Applied;
}

bool BatchPass::ProcessBatchFile(const std::string& directory, const std::string& fileName) {
    SessionOptions& options = m_context.options;
    if (!OpenAndRead(directory, fileName)) return false;
    const auto started = std::chrono::steady_clock::now();
    const LineBreakType type = DetectLineBreakType(text());
    if (type == LineBreakType::None) {
        Fail("Doesn't meet text file requirements!");
        return false;
    }

    std::string& content = m_content;
    try {
        content.assign(text());
    } catch (const std::bad_alloc&) {
        m_context.prompter.ShowMessage(
            "Failed to allocate necessary memory to process " + path() + "!", MessageIcon::Stop);
        Fail("Out of Memory, couldn't process!");
        return false;
    }
    const std::size_t startSize = content.size();

    ScanCounters total;
    int pairNumber = 0;
    for (const CBatchSR& pair : m_pairs.pairs()) {
        ++pairNumber;
        if (pair.m_bExcluded) continue;
        if (ApplyPair(pair, pairNumber, type, content, total) == PairOutcome::Failed) return false;
        if (options.replaceAllThisFile) {
            options.replaceAllThisFile = false;
            options.confirmEachReplace = true;
        }
        // Skip Rest of File ends the current pair only; Stop Now ends them all.
        options.skipRestOfFile = false;
        if (options.stopRequested) break;
    }

    if (total.match.possible == 0) {
        Fail("No matches Found!");
        options.skipRestOfFile = false;
        return true;
    }
    if (!BeginRewrite()) return false;
    output().Write(content);
    if (!KeepNewFile()) return false;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    m_context.log.AddLogLine(
        "     " + std::to_string(total.changes) + " changes made -- Start Size " +
        std::to_string(startSize) + " -- End Size " + std::to_string(content.size()) +
        " -- Elapsed Time " + std::to_string(elapsed.count()) + " milliseconds");
    m_context.log.AddLogLine(" ");
    options.skipRestOfFile = false;
    return true;
}

}  // namespace kesto
