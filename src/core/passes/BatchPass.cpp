#include "passes/BatchPass.h"

#include <chrono>

namespace kesto {

BatchPass::BatchPass(PassContext& context, LineMatcher& matcher, CBatchSRList& pairs,
                     std::vector<std::unique_ptr<RegexPair>>* regexPairs)
    : FilePass(context), m_applier(context.options, context.control, matcher, pairs, regexPairs) {
}

void BatchPass::OnProgress(int percent) {
    m_context.progress.ShowBatchProgress(m_context.backups.shortDisplayName(), percent,
                                         m_applier.pairNumber());
}

bool BatchPass::TakeResult(BatchApplier::Result result) {
    switch (result) {
    case BatchApplier::Result::Applied:
        return true;
    case BatchApplier::Result::OutOfMemory:
        m_context.prompter.ShowMessage(
            "Failed to allocate necessary memory to process " + path() + "!", MessageIcon::Stop);
        Fail("Out of Memory, couldn't process!");
        return false;
    case BatchApplier::Result::CaptureFailed:
        Fail("Out of Memory!");
        return false;
    case BatchApplier::Result::LineTooLong:
        ShowLineTooLong(" characters\nwhich is this application's max!");
        Fail("Line to long!");
        return false;
    case BatchApplier::Result::Aborted:
        m_context.backups.RestoreOneFile();
        return false;
    case BatchApplier::Result::TooComplex:
        Fail("Regular expression match limit reached!");
        return false;
    }
    return false;
}

bool BatchPass::ProcessBatchFile(const std::string& directory, const std::string& fileName) {
    RunControl& control = m_context.control;
    if (!OpenAndRead(directory, fileName)) return false;
    const auto started = std::chrono::steady_clock::now();
    const LineBreakType type = TypeOfText();
    if (type == LineBreakType::None) {
        Fail("Doesn't meet text file requirements!");
        return false;
    }

    ScanCounters total;
    BatchApplier::Result result = BatchApplier::Result::Applied;
    bool splitsLines = false;
    AheadScan* ahead = TakenScan();
    const bool madeAhead = ahead && ahead->state == AheadScan::State::Scanned;
    if (madeAhead) {
        total = ahead->counters;
        m_applier.content().swap(ahead->content);
        splitsLines = ahead->splitsLines;
    } else {
        result = m_applier.Apply(text(), type, path(), *this, total);
        splitsLines = m_applier.splitsLines();
    }
    if (splitsLines) m_context.log.SplitLinesAtBreaks();
    if (!TakeResult(result)) return false;

    if (total.match.possible == 0) {
        LeaveAlone("No matches Found!");
        control.EndSkipRestOfFile();
        return true;
    }
    const std::string& content = m_applier.content();
    if (!RewriteWith(content, madeAhead) || !KeepNewFile()) return false;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    Report("     " + std::to_string(total.changes) + " changes made -- Start Size " +
           std::to_string(fileSize()) + " -- End Size " + std::to_string(newFileSize()) +
           " -- Elapsed Time " + std::to_string(elapsed.count()) + " milliseconds");
    Report(" ");
    control.EndSkipRestOfFile();
    return true;
}

}  // namespace kesto
