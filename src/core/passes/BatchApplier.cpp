#include "passes/BatchApplier.h"

#include <new>

#include "literal/FastPath.h"
#include "literal/LiteralFinder.h"
#include "passes/MatchScan.h"
#include "passes/RegexScan.h"
#include "text/ByteSink.h"
#include "text/UnicodeCase.h"

namespace kesto {
namespace {

BatchApplier::Result ResultOf(ScanResult scan) {
    switch (scan) {
    case ScanResult::Completed:
        return BatchApplier::Result::Applied;
    case ScanResult::CaptureFailed:
        return BatchApplier::Result::CaptureFailed;
    case ScanResult::LineTooLong:
        return BatchApplier::Result::LineTooLong;
    case ScanResult::Aborted:
        return BatchApplier::Result::Aborted;
    case ScanResult::TooComplex:
        return BatchApplier::Result::TooComplex;
    }
    return BatchApplier::Result::Aborted;
}

}  // namespace

BatchApplier::BatchApplier(const RunPlan& options, RunControl& control, LineMatcher& matcher,
                           const CBatchSRList& pairs,
                           std::vector<std::unique_ptr<RegexPair>>* regexPairs)
    : m_options(options),
      m_control(control),
      m_matcher(matcher),
      m_pairs(pairs),
      m_regexPairs(regexPairs) {
}

BatchApplier::Result BatchApplier::Apply(std::string_view text, LineBreakType type,
                                         std::string_view path, ScanObserver& observer,
                                         ScanCounters& total) {
    m_path = path;
    m_splitsLines = false;
    switch (ApplyChain(text, type, observer, total)) {
    case ChainOutcome::Applied:
        return Result::Applied;
    case ChainOutcome::Aborted:
        return Result::Aborted;
    case ChainOutcome::NotApplied:
        break;
    }
    return ApplyPairsOneByOne(text, type, observer, total);
}

ScanResult BatchApplier::ScanPair(const CompiledPatterns& patterns, int pairNumber,
                                  LineBreakType type, ScanObserver& observer,
                                  ScanCounters& counters) {
    std::string& next = m_next;
    next.clear();
    next.reserve(m_content.size() + m_content.size() / 4);
    StringSink sink(next);
    if (m_regexPairs) {
        RegexPair& regex = *(*m_regexPairs)[static_cast<std::size_t>(pairNumber - 1)];
        if (regex.search().spansLines()) m_splitsLines = true;
        return RegexScan(m_content, type, regex, m_path, m_options, m_control, m_matcher, sink,
                         observer, counters)
            .Run();
    }
    return ScanText(m_content, patterns, m_path, m_options, m_control, m_matcher, sink, observer,
                    counters);
}

BatchApplier::Result BatchApplier::ApplyPair(const CBatchSR& pair, int pairNumber,
                                             LineBreakType type, ScanObserver& observer,
                                             ScanCounters& total) {
    m_pairNumber = pairNumber;
    // A regular-expression pair was compiled for the whole run; the others are prepared for
    // the file's line break.
    CompiledPatterns patterns;
    if (!m_regexPairs) {
        patterns = CompilePatterns(m_options, type, pair.m_strSearchWork, pair.m_strReplaceWork,
                                   pair.m_bWildCards);
        if (patterns.layout.lineBreakTranslated) m_splitsLines = true;
        if (m_options.matchCase && !pair.m_bWildCards &&
            !ContainsBytes(m_content, patterns.search.text())) {
            return Result::Applied;
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
            !captures.PairWildcards(patterns.search, patterns.replace, m_options.matchCase)) {
            return Result::Applied;
        }
    }

    ScanCounters counters;
    const Result result = ResultOf(ScanPair(patterns, pairNumber, type, observer, counters));
    if (result != Result::Applied) return result;
    total.changes += counters.changes;
    total.match.possible += counters.match.possible;
    total.match.linesWithMatch += counters.match.linesWithMatch;
    // A pair without a match leaves the content as it was (the scan wrote nothing).
    if (counters.match.possible > 0) m_content.swap(m_next);
    return Result::Applied;
}

std::unique_ptr<LiteralPairChain> BatchApplier::MakeChain(LineBreakType type,
                                                          const ScanObserver& observer) {
    std::vector<LiteralPair> literals;
    int pairNumber = 0;
    for (const CBatchSR& pair : m_pairs.pairs()) {
        ++pairNumber;
        if (pair.m_bExcluded) continue;
        // Compiled as ApplyPair compiles it.
        const CompiledPatterns patterns = CompilePatterns(m_options, type, pair.m_strSearchWork,
                                                          pair.m_strReplaceWork, pair.m_bWildCards);
        const std::optional<PlainLiteral> plain = PlainLiteralOf(patterns);
        if (!plain) return nullptr;
        // The chain folds ASCII letters only.
        if (FoldsUnicode() && !UnicodeCase::IsAscii(plain->search)) return nullptr;
        literals.push_back({std::string(plain->search), std::string(plain->replace)});
        m_lastPairNumber = pairNumber;
    }
    std::vector<PlainLiteral> plain;
    plain.reserve(literals.size());
    for (const LiteralPair& literal : literals) {
        plain.push_back({literal.search, literal.replace, type, LineBreakChar(type)});
    }
    if (!FastPath::Applies(FastPath::Way::PairChain, plain, FastPathSwitches(m_options), m_control,
                           observer.WantsChangedLines())) {
        return nullptr;
    }
    return std::make_unique<LiteralPairChain>(
        std::move(literals),
        m_options.matchCase ? LiteralPairChain::Case::Match : LiteralPairChain::Case::Ignore);
}

LiteralPairChain* BatchApplier::ChainFor(LineBreakType type, const ScanObserver& observer) {
    const auto index = static_cast<std::size_t>(type);
    if (m_regexPairs || index >= m_chains.size() ||
        !FastPath::SwitchesAllow(FastPathSwitches(m_options), m_control)) {
        return nullptr;
    }
    if (!m_chainMade[index]) {
        m_chainMade[index] = true;
        m_chains[index] = MakeChain(type, observer);
    }
    return m_chains[index].get();
}

BatchApplier::ChainOutcome BatchApplier::ApplyChain(std::string_view text, LineBreakType type,
                                                    ScanObserver& observer, ScanCounters& total) {
    LiteralPairChain* chain = ChainFor(type, observer);
    if (!chain) return ChainOutcome::NotApplied;
    // Text with the Kelvin sign or the long s goes pair by pair, where each pair's scan folds
    // them to k and s.
    if (FoldsUnicode() && UnicodeCase::HoldsFoldsOfAsciiLetters(text)) {
        return ChainOutcome::NotApplied;
    }
    m_pairNumber = m_lastPairNumber;
    ScanCounters counters;
    switch (chain->Apply(text, type, m_content, counters, m_control, observer)) {
    case LiteralPairChain::Outcome::Declined:
        return ChainOutcome::NotApplied;
    case LiteralPairChain::Outcome::Aborted:
        return ChainOutcome::Aborted;
    case LiteralPairChain::Outcome::Completed:
        break;
    }
    total = counters;
    return ChainOutcome::Applied;
}

BatchApplier::Result BatchApplier::ApplyPairsOneByOne(std::string_view text, LineBreakType type,
                                                      ScanObserver& observer, ScanCounters& total) {
    try {
        m_content.assign(text);
    } catch (const std::bad_alloc&) {
        return Result::OutOfMemory;
    }
    int pairNumber = 0;
    for (const CBatchSR& pair : m_pairs.pairs()) {
        ++pairNumber;
        if (pair.m_bExcluded) continue;
        const Result result = ApplyPair(pair, pairNumber, type, observer, total);
        if (result != Result::Applied) return result;
        m_control.EndReplaceAllThisFile();
        // Skip Rest of File ends the current pair only; Stop Now ends them all.
        m_control.EndSkipRestOfFile();
        if (m_control.stopRequested()) break;
    }
    return Result::Applied;
}

}  // namespace kesto
