// A matcher with scripted hosts, and a helper that treats one line the way a per-file pass
// does: check the typed strings, compile them, find the first match, hand the line over.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "pattern/LineMatcher.h"
#include "pattern/PatternPreparation.h"
#include "pattern/PatternSyntax.h"
#include "support/ScriptedHosts.h"

namespace kesto::test {

struct LineOutcome {
    bool found = false;
    std::string line;
    int changes = 0;
    MatchCounters counters;
};

class MatcherTest : public ::testing::Test {
protected:
    MatcherTest() {
        values.confirmEachReplace = false;
        values.globalReplace = true;
    }

    // Runs `search` -> `replace` over `line` with the switches in `values`.
    LineOutcome Run(std::string search, std::string replace, std::string line,
                    LineBreakType type = LineBreakType::Unix) {
        values.searchText = std::move(search);
        values.replaceText = std::move(replace);
        const ValidationResult checked = ValidateBeforeRun(values, options, prompter);
        EXPECT_TRUE(checked.check.accepted) << checked.check.message;
        control.StartRun(options.confirmEachReplace, options.globalReplace);
        patterns = CompilePatterns(options, type);
        matcher.ChooseCaseRule(line, patterns);
        matcher.captures().ResetPairing();
        if (patterns.search.QuestionCount() > patterns.replace.QuestionCount() ||
            patterns.search.StarCount() > patterns.replace.StarCount()) {
            EXPECT_TRUE(matcher.captures().PairWildcards(patterns.search, patterns.replace,
                                                         options.matchCase));
        }

        LineOutcome outcome;
        MatchSpan first;
        if (matcher.FindNext(line, 0, patterns, first) == MatchResult::Match) {
            outcome.found = true;
            outcome.changes = matcher.MatchLine(line, patterns, "dir/file.txt", 7, outcome.counters,
                                                first.start, first.end());
        }
        outcome.line = std::move(line);
        return outcome;
    }

    RunDialogValues values;
    RunPlan options;
    RunControl control;
    ScriptedPrompter prompter;
    ScriptedConfirmer confirmer;
    LineMatcher matcher{options, control, prompter, confirmer};
    CompiledPatterns patterns;
};

}  // namespace kesto::test
