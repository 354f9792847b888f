#include "session/BatchPreparation.h"

#include "pattern/CompiledPattern.h"
#include "pattern/PatternSyntax.h"

namespace kesto {
namespace {

// \r and \n (a backslash and the letter) and real line breaks (CR LF as one) become $.
// A doubled backslash is kept as it is, so \\n stays for the reduction to make literal.
bool LineBreaksToDollar(std::string& text) {
    std::string out;
    out.reserve(text.size());
    bool changed = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c == '\\' && next == '\\') {
            out += "\\\\";
            ++i;
        } else if (c == '\\' && (next == 'r' || next == 'n')) {
            out += '$';
            ++i;
            changed = true;
        } else if (c == '\r' || c == '\n') {
            out += '$';
            if (c == '\r' && next == '\n') ++i;
            changed = true;
        } else {
            out += c;
        }
    }
    text.swap(out);
    return changed;
}

}  // namespace

BatchPreparation PrepareBatchPairs(CBatchSRList& pairs, RunPlan& options) {
    BatchPreparation result;
    if (options.regularExpression) {
        // The pairs are patterns and replace strings as written: their escapes are the
        // regular expression's own.
        for (CBatchSR& pair : pairs.pairs()) {
            pair.m_strSearchWork = pair.m_strSearch;
            pair.m_strReplaceWork = pair.m_strReplace;
            pair.m_bSpecialChars = false;
            pair.m_bAnchorEnd = false;
            pair.m_bWildCards = false;
            pair.m_bExcluded = false;
            result.sizeChange += static_cast<long long>(pair.m_strSearch.size()) -
                                 static_cast<long long>(pair.m_strReplace.size());
        }
        options.specialCharSession = false;
        options.wildcardSession = false;
        return result;
    }
    bool anySpecial = false;
    bool anyWildcards = false;
    for (CBatchSR& pair : pairs.pairs()) {
        std::string search = pair.m_strSearch;
        std::string replace = pair.m_strReplace;
        const bool searchChanged = LineBreaksToDollar(search);
        const bool replaceChanged = LineBreaksToDollar(replace);
        pair.m_bSpecialChars = searchChanged || replaceChanged;
        pair.m_bAnchorEnd =
            search.size() > 1 && search.back() == '$' && search[search.size() - 2] != '\\';

        CompiledPattern markedSearch;
        pair.m_bWildCards = MarkWildcards(search, markedSearch);
        pair.m_bExcluded = false;
        if (pair.m_bWildCards) {
            CompiledPattern markedReplace;
            MarkWildcards(replace, markedReplace);
            pair.m_bExcluded = markedReplace.StarCount() > markedSearch.StarCount() ||
                               markedReplace.QuestionCount() > markedSearch.QuestionCount();
            if (pair.m_bExcluded) ++result.excludedPairs;
        }
        ReduceDoubledBackslashes(search);
        ReduceDoubledBackslashes(replace);
        result.sizeChange +=
            static_cast<long long>(search.size()) - static_cast<long long>(replace.size());
        pair.m_strSearchWork = std::move(search);
        pair.m_strReplaceWork = std::move(replace);
        anySpecial = anySpecial || pair.m_bSpecialChars;
        anyWildcards = anyWildcards || pair.m_bWildCards;
    }
    if (anySpecial) options.specialCharSession = true;
    if (anyWildcards) options.wildcardSession = true;
    return result;
}

}  // namespace kesto
