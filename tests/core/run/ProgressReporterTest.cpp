#include "run/ProgressReporter.h"

#include <gtest/gtest.h>

#include "support/RecordingStatusHost.h"

namespace kesto {
namespace {

using test::RecordingStatusHost;

TEST(ProgressReporterTest, EachReportFillsThePanesAndPumpsMessages) {
    SessionState state;
    RunControl control;
    RecordingStatusHost host;
    ProgressReporter progress(state, control, host);
    progress.SetFileCounts(0, 12);
    progress.ShowFileProgress("/tmp/a.txt", 40);
    progress.ShowFileProgress("/tmp/a.txt", -1);
    progress.ShowBatchProgress("/tmp/b.txt", 5, 3);
    progress.ShowFrameProgress(2, 30);
    progress.ShowFrameProgress(2, 100);
    progress.ShowFileProgress("Ready", 0);

    ASSERT_EQ(host.reports.size(), 6u);
    EXPECT_EQ(host.reports[0].what, "Searching -> /tmp/a.txt");
    EXPECT_EQ(host.reports[0].percent, "File 40 %processed");
    EXPECT_EQ(host.reports[0].count, "0 out of 12 searched");
    EXPECT_EQ(host.reports[1].percent, "");
    EXPECT_EQ(host.reports[2].what, "File -> /tmp/b.txt  SR set: 3");
    EXPECT_EQ(host.reports[3].what, "Building Display Frame 2");
    EXPECT_EQ(host.reports[3].percent, "30 %processed");
    EXPECT_EQ(host.reports[3].count, "");
    for (int i : {4, 5}) {
        EXPECT_EQ(host.reports[i].what, "Ready");
        EXPECT_EQ(host.reports[i].percent, "");
        EXPECT_EQ(host.reports[i].count, "");
    }
    EXPECT_EQ(host.pumps, 6);

    // The walk reports its counts but pumps by itself.
    progress.ShowWalkCounts(3, 10, 2, 5);
    EXPECT_EQ(host.reports.back().what, "3/10 Files Matched/Examined");
    EXPECT_EQ(host.reports.back().percent, "2 Directory's Examined");
    EXPECT_EQ(host.reports.back().count, "5 Lines");
    EXPECT_EQ(host.pumps, 6);
}

TEST(ProgressReporterTest, TheAbortGestureCountsOnlyWhileFilesAreProcessed) {
    SessionState state;
    RunControl control;
    RecordingStatusHost host;
    host.abortAtReport = 0;
    ProgressReporter progress(state, control, host);
    progress.ShowReady();
    EXPECT_FALSE(control.abortRequested());
    state.sessionRunning = true;
    progress.ShowFileProgress("f", 0);
    EXPECT_TRUE(control.abortRequested());
}

}  // namespace
}  // namespace kesto
