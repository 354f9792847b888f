#include "plan/RunPlan.h"

#include "run/RunControl.h"
#include "run/SessionState.h"

#include <gtest/gtest.h>

namespace kesto {
namespace {

// A new window, before any settings are read: Confirm each Replace and All Instances in
// Line on, Match Case off, backups kept, files from the file dialog, single mode, and no
// run started; a new run's control has no flag raised.
TEST(RunPlanTest, NewWindowStartsWithTheDocumentedDefaults) {
    const RunPlan options;
    EXPECT_TRUE(options.confirmEachReplace);
    EXPECT_FALSE(options.globalReplace);
    EXPECT_TRUE(options.allInstancesInLine);
    EXPECT_FALSE(options.firstInstanceOnly);
    EXPECT_FALSE(options.matchCase);
    EXPECT_FALSE(options.matchWholeWord);
    EXPECT_TRUE(options.retainBackups);
    EXPECT_TRUE(options.showNoFinds);
    EXPECT_TRUE(options.printNoFinds);
    EXPECT_TRUE(options.selectViaFileDialog);
    EXPECT_FALSE(options.batchMode);
    EXPECT_FALSE(options.searchSubdirectories);
    EXPECT_TRUE(options.searchString.empty());
    EXPECT_TRUE(options.replaceString.empty());
    EXPECT_GT(options.expandTabSpaces, 0);

    const RunControl control;
    const SessionState state;
    const bool runControl[] = {control.abortRequested(), control.stopRequested(),
                               control.skipRestOfFile(), control.replaceAllThisFile(),
                               control.replaceThisOne(), control.userEditedLine(),
                               state.sessionRunning,     state.runStarted};
    for (bool flag : runControl) EXPECT_FALSE(flag);
    // The two exclusive pairs hold exactly one each.
    EXPECT_NE(options.confirmEachReplace, options.globalReplace);
    EXPECT_NE(options.firstInstanceOnly, options.allInstancesInLine);
}

// The conversion is one value: each direction set is the direction read back, and none
// clears every flag.
TEST(RunPlanTest, AConversionSetIsTheConversionReadBack) {
    using T = LineBreakType;
    const ConversionDirection directions[] = {{T::Dos, T::Unix}, {T::Dos, T::Mac},
                                              {T::Unix, T::Dos}, {T::Unix, T::Mac},
                                              {T::Mac, T::Dos},  {T::Mac, T::Unix}};
    RunPlan plan;
    for (const ConversionDirection& direction : directions) {
        plan.SetConversion(direction);
        EXPECT_EQ(plan.conversion(), direction);
        EXPECT_EQ(plan.kind(), RunPlan::Kind::Convert);
    }
    plan.SetConversion(std::nullopt);
    EXPECT_TRUE(plan == RunPlan());
}

}  // namespace
}  // namespace kesto
