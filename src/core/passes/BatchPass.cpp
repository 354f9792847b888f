#include "passes/BatchPass.h"

#include <chrono>
#include <new>

#include "literal/FastPath.h"
#include "passes/RegexScan.h"

namespace kesto {

BatchPass::BatchPass(PassContext& context, LineMatcher& matcher, CBatchSRList& pairs,
                     std::vector<std::unique_ptr<RegexPair>>* regexPairs)
    : FilePass(context), m_matcher(matcher), m_pairs(pairs), m_regexPairs(regexPairs) {
}

ScanResult BatchPass::ScanPair(const CompiledPatterns& patterns, int pairNumber, LineBreakType type,
                               std::string_view content, ScanCounters& counters) {
    const SessionOptions& options = m_context.options;
    std::string& next = m_next;
    next.clear();
    next.reserve(content.size() + content.size() / 4);
    StringSink sink(next);
    if (m_regexPairs) {
        RegexPair& regex = *(*m_regexPairs)[static_cast<std::size_t>(pairNumber - 1)];
        if (regex.search().spansLines()) m_context.log.SplitLinesAtBreaks();
        return RegexScan(content, type, regex, path(), options, m_context.control, m_matcher, sink,
                         *this, counters)
            .Run();
    }
    return ScanText(content, patterns, path(), options, m_context.control, m_matcher, sink, *this,
                    counters);
}

void BatchPass::OnProgress(int percent) {
    m_context.progress.ShowBatchProgress(m_context.backups.shortDisplayName(), percent,
                                         m_pairNumber);
}

BatchPass::PairOutcome BatchPass::ApplyPair(const CBatchSR& pair, int pairNumber,
                                            LineBreakType type, std::string& content,
                                            ScanCounters& total) {
    const SessionOptions& options = m_context.options;
    m_pairNumber = pairNumber;
    // A regular-expression pair was compiled for the whole run; the others are prepared for
    // the file's line break.
    CompiledPatterns patterns;
    if (!m_regexPairs) {
        patterns = CompilePatterns(options, type, pair.m_strSearchWork, pair.m_strReplaceWork,
                                   pair.m_bWildCards);
        if (patterns.layout.lineBreakTranslated) m_context.log.SplitLinesAtBreaks();
        if (options.matchCase && !pair.m_bWildCards &&
            !ContainsBytes(content, patterns.search.text())) {
            return PairOutcome::Skipped;
        }
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

    ScanCounters counters;
    switch (ScanPair(patterns, pairNumber, type, content, counters)) {
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
    case ScanResult::TooComplex:
        Fail("Regular expression match limit reached!");
        return PairOutcome::Failed;
    }
    total.changes += counters.changes;
    total.match.possible += counters.match.possible;
    total.match.linesWithMatch += counters.match.linesWithMatch;
    // A pair without a match leaves the content as it was (the scan wrote nothing).
    if (counters.match.possible > 0) content.swap(m_next);
    return PairOutcome::Applied;
}

std::unique_ptr<LiteralPairChain> BatchPass::MakeChain(LineBreakType type) {
    const SessionOptions& options = m_context.options;
    std::vector<LiteralPair> literals;
    int pairNumber = 0;
    for (const CBatchSR& pair : m_pairs.pairs()) {
        ++pairNumber;
        if (pair.m_bExcluded) continue;
        // Compiled as ApplyPair compiles it.
        const CompiledPatterns patterns = CompilePatterns(options, type, pair.m_strSearchWork,
                                                          pair.m_strReplaceWork, pair.m_bWildCards);
        const std::optional<PlainLiteral> plain = PlainLiteralOf(patterns);
        if (!plain) return nullptr;
        literals.push_back({std::string(plain->search), std::string(plain->replace)});
        m_lastPairNumber = pairNumber;
    }
    std::vector<PlainLiteral> plain;
    for (const LiteralPair& literal : literals) {
        plain.push_back({literal.search, literal.replace, type, LineBreakChar(type)});
    }
    if (!FastPath::Applies(FastPath::Way::PairChain, plain, options, m_context.control,
                           WantsChangedLines())) {
        return nullptr;
    }
    return std::make_unique<LiteralPairChain>(
        std::move(literals),
        options.matchCase ? LiteralPairChain::Case::Match : LiteralPairChain::Case::Ignore);
}

LiteralPairChain* BatchPass::ChainFor(LineBreakType type) {
    const auto index = static_cast<std::size_t>(type);
    if (index >= m_chains.size() ||
        !FastPath::SwitchesAllow(m_context.options, m_context.control)) {
        return nullptr;
    }
    if (!m_chainMade[index]) {
        m_chainMade[index] = true;
        m_chains[index] = MakeChain(type);
    }
    return m_chains[index].get();
}

BatchPass::ChainOutcome BatchPass::ApplyChain(LineBreakType type, ScanCounters& total) {
    LiteralPairChain* chain = ChainFor(type);
    if (!chain) return ChainOutcome::NotApplied;
    m_pairNumber = m_lastPairNumber;
    ScanCounters counters;
    switch (chain->Apply(text(), type, m_content, counters, m_context.control, *this)) {
    case LiteralPairChain::Outcome::Declined:
        return ChainOutcome::NotApplied;
    case LiteralPairChain::Outcome::Aborted:
        m_context.backups.RestoreOneFile();
        return ChainOutcome::Failed;
    case LiteralPairChain::Outcome::Completed:
        break;
    }
    total = counters;
    return ChainOutcome::Applied;
}

bool BatchPass::ApplyPairsOneByOne(LineBreakType type, ScanCounters& total) {
    RunControl& control = m_context.control;
    std::string& content = m_content;
    try {
        content.assign(text());
    } catch (const std::bad_alloc&) {
        m_context.prompter.ShowMessage(
            "Failed to allocate necessary memory to process " + path() + "!", MessageIcon::Stop);
        Fail("Out of Memory, couldn't process!");
        return false;
    }
    int pairNumber = 0;
    for (const CBatchSR& pair : m_pairs.pairs()) {
        ++pairNumber;
        if (pair.m_bExcluded) continue;
        if (ApplyPair(pair, pairNumber, type, content, total) == PairOutcome::Failed) return false;
        control.EndReplaceAllThisFile();
        // Skip Rest of File ends the current pair only; Stop Now ends them all.
        control.EndSkipRestOfFile();
        if (control.stopRequested()) break;
    }
    return true;
}

bool BatchPass::ProcessBatchFile(const std::string& directory, const std::string& fileName) {
    RunControl& control = m_context.control;
    if (!OpenAndRead(directory, fileName)) return false;
    const auto started = std::chrono::steady_clock::now();
    const LineBreakType type = DetectLineBreakType(text());
    if (type == LineBreakType::None) {
        Fail("Doesn't meet text file requirements!");
        return false;
    }
    const std::size_t startSize = text().size();

    ScanCounters total;
    switch (ApplyChain(type, total)) {
    case ChainOutcome::Applied:
        break;
    case ChainOutcome::Failed:
        return false;
    case ChainOutcome::NotApplied:
        if (!ApplyPairsOneByOne(type, total)) return false;
        break;
    }

    if (total.match.possible == 0) {
        Fail("No matches Found!");
        control.EndSkipRestOfFile();
        return true;
    }
    const std::string& content = m_content;
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
    control.EndSkipRestOfFile();
    return true;
}

}  // namespace kesto
