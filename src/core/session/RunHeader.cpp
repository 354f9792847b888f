#include "session/RunHeader.h"

#include <algorithm>
#include <vector>

#include "log/LoggedPath.h"

namespace kesto {
namespace {

std::string Selected(std::string_view what, bool on) {
    return std::string(what) + (on ? " -> Selected" : " -> NOT Selected");
}

// The pieces of a prepared pattern between its line breaks (a run of CR and LF is one cut).
std::vector<std::string> PiecesBetweenLineBreaks(std::string_view text) {
    std::vector<std::string> pieces;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", begin), text.size());
        if (end > begin) pieces.emplace_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return pieces;
}

std::string_view ConversionTitle(const ConversionDirection& direction) {
    using T = LineBreakType;
    if (direction.source == T::Mac) {
        return direction.target == T::Dos ? "Converting Line Break Format: Mac to DOS"
                                          : "Converting Line Break Format: Mac to UNIX";
    }
    if (direction.source == T::Unix) {
        return direction.target == T::Dos ? "Converting Line Break Format: UNIX to DOS"
                                          : "Converting Line Break Format: UNIX to Mac";
    }
    return direction.target == T::Unix ? "Converting Line Break Format: DOS to UNIX"
                                       : "Converting Line Break Format: DOS to Mac";
}

}  // namespace

void RunHeader::Begin(const RunPlan& plan, const Settings& settings, bool preview) {
    m_plan = &plan;
    m_settings = &settings;
    m_preview = preview;
    m_count = 0;
}

void RunHeader::AddLine(const std::string& text) {
    m_log.AddPlainLogLine(text);
    ++m_count;
}

void RunHeader::AddTitle(const std::string& text) {
    AddLine(text);
    if (m_preview) AddLine(std::string(20, ' ') + std::string(kPreviewLine));
}

bool RunHeader::AddSingleRun(const CompiledPatterns& patterns, bool splitLines) {
    const RunPlan& plan = *m_plan;
    AddTitle(std::string(40, ' ') + "** Search/Replace String for Windows **");
    if (const auto conversion = plan.conversion()) {
        AddLine(std::string(40, ' ') + std::string(ConversionTitle(*conversion)));
        return true;
    }
    AddString("Search String -> ", plan.searchString, patterns.search, 17, splitLines);
    AddString("Replace String -> ", plan.replaceString, patterns.replace, 18, splitLines);
    if (plan.wildcardSession &&
        patterns.replace.QuestionCount() > patterns.search.QuestionCount()) {
        AddLine(
            "There are more ? Wild Cards in replace than in search string - Can't "
            "continue!");
        return false;
    }
    const std::string indent(20, ' ');
    AddMatchSwitches(indent);
    if (plan.wildcardSession) AddLine(indent + "? and * are Wild Cards -> Selected");
    AddSearchModeLines(indent);
    AddLine(" ");
    return true;
}

void RunHeader::AddString(std::string_view label, const std::string& plain,
                          const CompiledPattern& prepared, std::size_t continuation,
                          bool splitLines) {
    const std::string indent(20, ' ');
    if (!splitLines) {
        AddLine(indent + std::string(label) + plain);
        return;
    }
    const std::vector<std::string> pieces = PiecesBetweenLineBreaks(prepared.text());
    // A string made only of line breaks has no piece: it is shown as typed.
    if (pieces.empty() && !plain.empty()) AddLine(indent + std::string(label) + plain);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        AddLine(indent + (i == 0 ? std::string(label) : std::string(continuation, ' ')) +
                pieces[i]);
    }
}

void RunHeader::AddBatchRun(const std::string& batchFile) {
    const std::string indent(10, ' ');
    AddTitle(std::string(20, ' ') + "** Batch Search/Replace String **");
    AddLine(indent + "Batch File -> " + LoggedPath(batchFile));
    AddMatchSwitches(indent);
    AddSearchModeLines(indent);
}

void RunHeader::AddDiffRun(const std::string& diffName) {
    AddTitle(std::string(20, ' ') + "** Apply Diff **");
    AddLine(std::string(10, ' ') + "Diff -> " + LoggedPath(diffName));
    AddLine(" ");
}

void RunHeader::EndBatchRun(int excludedPairs) {
    const std::string indent(10, ' ');
    if (m_plan->wildcardSession) {
        AddLine(indent + "? and * are Wild Cards -> Detected therefore Selected");
        if (excludedPairs > 0) {
            AddLine(indent + std::to_string(excludedPairs) +
                    " SR pairs excluded due to more ? or * are Wild Cards in replace than "
                    "in search string!");
        }
    }
    AddLine(" ");
}

void RunHeader::AddMatchSwitches(const std::string& indent) {
    AddLine(indent + Selected("Whole Word Option", m_plan->matchWholeWord));
    AddLine(indent + Selected("Match Case Option", m_plan->matchCase));
}

void RunHeader::AddSearchModeLines(const std::string& indent) {
    const RunPlan& plan = *m_plan;
    if (plan.regularExpression) AddLine(indent + "Regular Expression -> Selected");
    if (plan.preserveCase) AddLine(indent + "Preserve Case -> Selected");
    if (plan.unicodeCase) AddLine(indent + "Unicode Case -> Selected");
    if (!plan.skipBinaryFiles) AddLine(indent + "Binary Files -> Searched");
    const bool walked = !plan.selectViaFileDialog;
    if (walked && !m_settings->skipBackUpFiles) {
        AddLine(indent + "Back Up Files of Earlier Runs -> Searched");
    }
    if (walked && m_settings->respectIgnoreFiles) {
        AddLine(indent + "Respect Ignore Files -> Selected");
    }
}

}  // namespace kesto
