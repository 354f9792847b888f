// Everything a per-file pass needs, with scripted hosts, around a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "passes/ConvertPass.h"
#include "passes/PassContext.h"
#include "passes/SearchReplacePass.h"
#include "passes/StripInsertPass.h"
#include "pattern/LineMatcher.h"
#include "pattern/PatternSyntax.h"
#include "support/RecordingStatusHost.h"
#include "support/ScriptedHosts.h"
#include "support/TempDir.h"

namespace kesto::test {

class PassTest : public ::testing::Test {
protected:
    PassTest() {
        values.confirmEachReplace = false;
        values.globalReplace = true;
        state.sessionRunning = true;
    }

    // Checks the typed strings as Begin does; the switches come from `values`.
    void Begin(std::string search, std::string replace) {
        values.searchText = std::move(search);
        values.replaceText = std::move(replace);
        const ValidationResult result = ValidateBeforeRun(values, options, prompter);
        ASSERT_TRUE(result.check.accepted) << result.check.message;
        control.StartRun(options.confirmEachReplace, options.globalReplace);
    }

    std::string File(const std::string& name) const { return dir / name; }

    // Runs a search/replace pass over the named files of the folder, in order.
    std::vector<bool> ProcessFiles(const std::vector<std::string>& names) {
        SearchReplacePass pass(context, matcher);
        std::vector<bool> results;
        for (const std::string& name : names) {
            results.push_back(pass.ProcessFile(dir.path().string(), name));
        }
        backups.EndRun();
        return results;
    }

    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        for (int i = 0; i < log.logLineCount(); ++i) lines.emplace_back(log.line(i));
        return lines;
    }

    TempDir dir;
    RunDialogValues values;
    RunPlan options;
    SessionState state;
    RunControl control;
    ScriptedPrompter prompter;
    ScriptedConfirmer confirmer;
    RecordingStatusHost status;
    ProgressReporter progress{state, control, status};
    LogStore log{control, prompter};
    BackupKeeper backups{control, log, prompter};
    PassContext context{options, control, log, progress, prompter, backups};
    LineMatcher matcher{options, control, prompter, confirmer};
};

}  // namespace kesto::test
