#include "literal/FastPath.h"

#include <algorithm>
#include <string>

#include "literal/LiteralPairChain.h"

namespace kesto {

bool FastPath::Applies(Way way, std::span<const PlainLiteral> literals, const Switches& switches,
                       const RunControl& control, bool wantsChangedLines) {
    const std::size_t wanted = way == Way::PlainScan ? 1 : kFewestChainedPairs;
    if (literals.size() < wanted || (way == Way::PlainScan && literals.size() > 1)) return false;
    if (wantsChangedLines || !SwitchesAllow(switches, control)) return false;
    // The plain scan compares bytes as they are; the chain folds case itself.
    if (way == Way::PlainScan && !switches.matchCase) return false;
    if (!std::all_of(literals.begin(), literals.end(), StaysInItsLine)) return false;
    return way == Way::PlainScan || std::all_of(literals.begin(), literals.end(), FitsTheChain);
}

bool FastPath::SwitchesAllow(const Switches& switches, const RunControl& control) {
    // Preserve Case builds each replacement from the text it replaces.
    return !switches.preserveCase && !switches.regularExpression && control.globalReplace() &&
           !control.confirmEachReplace() && !switches.firstInstanceOnly &&
           !control.stopRequested() && !control.skipRestOfFile();
}

bool FastPath::StaysInItsLine(const PlainLiteral& literal) {
    return !literal.search.empty() && literal.search.find('\r') == std::string_view::npos &&
           literal.search.find(literal.lineBreakChar) == std::string_view::npos;
}

bool FastPath::FitsTheChain(const PlainLiteral& literal) {
    return LiteralPairChain::Admits({std::string(literal.search), std::string(literal.replace)});
}

}  // namespace kesto
