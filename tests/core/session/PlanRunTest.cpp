#include "session/PlanRun.h"

#include <gtest/gtest.h>

#include "session/SessionDocument.h"
#include "support/RecordingStatusHost.h"
#include "support/ScriptedHosts.h"
#include "support/ScriptedSessionHosts.h"
#include "support/TempDir.h"

namespace kesto {
namespace {

RunDialogValues Typed(std::string search, std::string replace) {
    RunDialogValues values;
    values.searchText = std::move(search);
    values.replaceText = std::move(replace);
    values.confirmEachReplace = false;
    values.globalReplace = true;
    return values;
}

RunRequest Request(RunDialogValues values) {
    RunRequest request;
    request.values = std::move(values);
    return request;
}

// What each request is planned as, and the one member that kind reads.
TEST(PlanRunTest, EachRequestIsPlannedAsTheKindItAsksFor) {
    using T = LineBreakType;
    RunDialogValues strip = Typed("~", "");
    strip.specialCharSession = true;
    RunDialogValues insert = Typed("XX", "3");
    insert.insertAtColumn = true;
    RunRequest convert = Request(Typed("\\r\\n", "\\n"));
    convert.values.specialCharSession = true;
    convert.conversion = ConversionDirection{T::Dos, T::Unix};
    RunRequest batch = Request(Typed("", ""));
    batch.batchFile = "pairs.sr";
    const struct {
        RunRequest request;
        RunPlan::Kind kind;
    } rows[] = {
        {Request(Typed("a", "b")), RunPlan::Kind::SearchReplace},
        {Request(strip), RunPlan::Kind::Strip},
        {Request(insert), RunPlan::Kind::Insert},
        {convert, RunPlan::Kind::Convert},
        {batch, RunPlan::Kind::Batch},
    };
    test::ScriptedPrompter prompter;
    for (const auto& row : rows) {
        const PlannedRun planned = PlanRun(row.request, RunPlan(), prompter);
        ASSERT_TRUE(planned.plan) << planned.refusal.message;
        EXPECT_EQ(planned.plan->kind(), row.kind) << row.request.values.searchText;
        EXPECT_EQ(planned.plan->conversion(), row.request.conversion);
    }
    const PlannedRun inserted = PlanRun(Request(insert), RunPlan(), prompter);
    EXPECT_EQ(inserted.plan->insertColumn, 3);
}

// A refused request leaves the window's plan as it was: its strings and switches are what
// the window's next dialog shows as the last run's.
TEST(PlanRunTest, ARefusedRequestChangesNothingOfTheWindowsPlan) {
    test::TempDir dir;
    test::ScriptedPrompter prompter;
    test::ScriptedConfirmer confirmer;
    test::RecordingStatusHost status;
    test::ScriptedSessionHosts hosts;
    SessionDocument document(dir / "k.INI",
                             SessionHosts{prompter, confirmer, status, hosts, hosts, hosts});
    document.options.searchString = "last run";
    document.options.matchCase = true;
    const RunPlan before = document.options;

    RunDialogValues badColumn = Typed("XX", "12a");
    badColumn.insertAtColumn = true;
    RunDialogValues badRegex = Typed("(open", "x");
    badRegex.regularExpression = true;
    RunDialogValues wildcardsAnsweredNo = Typed("a?", "b?");
    wildcardsAnsweredNo.wildcardSession = true;
    RunDialogValues tildeWithReplace = Typed("~", "x");
    tildeWithReplace.specialCharSession = true;
    const RunDialogValues refused[] = {Typed("", "x"), badColumn, badRegex, wildcardsAnsweredNo,
                                       tildeWithReplace};
    for (const RunDialogValues& values : refused) {
        prompter.answers = {false};
        RunRequest request = Request(values);
        request.files = {dir / "f.txt"};
        EXPECT_EQ(document.RunRequested(request), RunOutcome::Refused) << values.searchText;
        EXPECT_TRUE(document.options == before) << values.searchText;
        document.searchFileList.clear();
    }
}

}  // namespace
}  // namespace kesto
