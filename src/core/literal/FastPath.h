// FastPath: whether literal pairs may skip the line-by-line scan through the matcher.
//
// Two fast ways exist: the plain literal scan (one pair) and the pair chain (the pairs of a
// batch in one walk). Both give the bytes and counters of the line-by-line scan, and both
// hold only where that is known: every match replaced and no question (the run neither
// ending nor skipping the file), nobody wanting each changed line, and literals that never
// reach across a line; the plain scan also needs Match Case on. This is the one place that
// says so.
#pragma once

#include <cstddef>
#include <span>

#include "literal/PlainLiteralScan.h"
#include "run/RunControl.h"

namespace kesto {

class FastPath {
public:
    enum class Way {
        PlainScan,  // one pair
        PairChain,  // a batch's pairs in their order
    };

    // The switches of the run a fast way must honour.
    struct Switches {
        bool matchCase = false;
        bool preserveCase = false;
        bool regularExpression = false;
        bool firstInstanceOnly = false;
    };

    // The pair chain pays only from this many pairs on; fewer go one by one.
    static constexpr std::size_t kFewestChainedPairs = 12;

    // Whether `literals` may go `way` under the run's switches, for a caller that does or
    // does not want the changed lines.
    static bool Applies(Way way, std::span<const PlainLiteral> literals, const Switches& switches,
                        const RunControl& control, bool wantsChangedLines);

    // The part of Applies that may change while a run goes (Stop Now, Skip Rest of File,
    // the confirm answers): asked again before each file.
    static bool SwitchesAllow(const Switches& switches, const RunControl& control);

private:
    static bool StaysInItsLine(const PlainLiteral& literal);
    static bool FitsTheChain(const PlainLiteral& literal);
};

}  // namespace kesto
