#include "events/RunEvents.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session/SessionDocument.h"
#include "support/RecordingStatusHost.h"
#include "support/ScriptedHosts.h"
#include "support/ScriptedSessionHosts.h"
#include "support/TempDir.h"

namespace kesto {
namespace {

// Writes down every event it is given, one line each.
class RecordingSink : public RunEventSink {
public:
    explicit RecordingSink(bool wantsContent = false) : m_wantsContent(wantsContent) {}

    void On(const FileBegun& e) override { seen.push_back("begun " + std::string(e.path)); }
    void On(const FileRefused& e) override { seen.push_back("refused " + std::string(e.reason)); }
    void On(const FileLeftAlone& e) override { seen.push_back("alone " + std::string(e.reason)); }
    void On(const LineChanged& e) override {
        seen.push_back("line " + std::to_string(e.lineNumber) + " " + std::string(e.before) + ">" +
                       std::string(e.after));
    }
    void On(const ReportLine& e) override { seen.push_back("report " + std::string(e.text)); }
    void On(const FileRewritten& e) override {
        seen.push_back("rewritten " + std::string(e.before) + ">" +
                       (e.after ? std::string(*e.after) : std::string("(not kept)")));
    }
    void On(const RunStopped& e) override { seen.push_back("stopped " + std::string(e.line)); }
    bool WantsNewContent() const override { return m_wantsContent; }

    std::vector<std::string> seen;

private:
    bool m_wantsContent;
};

TEST(RunEventsTest, EverySubscriberGetsEveryEventInTheOrderTheySubscribed) {
    RunEvents events;
    RecordingSink first;
    RecordingSink second(true);
    events.Subscribe(first);
    events.Subscribe(second);
    events.Subscribe(first);  // once is enough
    EXPECT_TRUE(events.WantsNewContent());
    events.On(FileBegun{"a.txt"});
    events.On(LineChanged{3, "x", "y", 4});
    events.Unsubscribe(second);
    EXPECT_FALSE(events.WantsNewContent());
    events.On(RunStopped{"stop"});
    EXPECT_EQ(first.seen, (std::vector<std::string>{"begun a.txt", "line 3 x>y", "stopped stop"}));
    EXPECT_EQ(second.seen, (std::vector<std::string>{"begun a.txt", "line 3 x>y"}));
}

class RunEventsRunTest : public ::testing::Test {
protected:
    // The events of one run of "a" into "b" over `files`, seen by a subscriber.
    std::vector<std::string> RunOver(const std::vector<std::string>& files, bool preview,
                                     bool wantsContent, int threads) {
        SessionDocument document(dir / "k.INI",
                                 SessionHosts{prompter, confirmer, status, hosts, hosts, hosts});
        document.settings.threads = threads;
        RecordingSink sink(wantsContent);
        document.events().Subscribe(sink);
        RunRequest request;
        request.values.searchText = "a";
        request.values.replaceText = "b";
        request.values.confirmEachReplace = false;
        request.values.globalReplace = true;
        request.preview = preview;
        for (const std::string& name : files) request.files.push_back(dir / name);
        EXPECT_EQ(document.RunRequested(request), RunOutcome::Finished);
        return sink.seen;
    }

    test::TempDir dir;
    test::ScriptedPrompter prompter;
    test::ScriptedConfirmer confirmer;
    test::RecordingStatusHost status;
    test::ScriptedSessionHosts hosts;
};

// What a run reports of each file reaches a subscriber beside the log: begun, left alone or
// refused with the reason the log gives, each changed line, the file rewritten; its new
// content only in a preview, and only for a subscriber that wants it.
// A worker ahead of the run words the changed lines itself: they come as report lines.
TEST_F(RunEventsRunTest, ASubscriberSeesWhatBecameOfEachFile) {
    const struct {
        bool preview;
        bool wantsContent;
        std::string rewritten;
    } rows[] = {
        {false, true, "rewritten >(not kept)"},
        {true, false, "rewritten xa\n>(not kept)"},
        {true, true, "rewritten xa\n>xb\n"},
    };
    for (const int threads : {1, 3}) {
        for (const auto& row : rows) {
            test::WriteFile(dir / "hit.txt", "xa\n");
            test::WriteFile(dir / "miss.txt", "xy\n");
            test::WriteFile(dir / "empty.txt", "");
            const std::vector<std::string> seen = RunOver({"hit.txt", "miss.txt", "empty.txt"},
                                                          row.preview, row.wantsContent, threads);
            std::vector<std::string> expected = {"begun " + (dir / "hit.txt")};
            if (threads == 1) {
                expected.push_back("line 1 xa>xb");
            } else {
                expected.insert(expected.end(),
                                {"report ORG: 00001 xa", "report MOD: 00001 xb", "report  "});
            }
            expected.insert(expected.end(),
                            {row.rewritten, "report 1 changes made out of 1 possible in 1 lines!",
                             "report  ", "begun " + (dir / "miss.txt"), "alone No match Found!",
                             "begun " + (dir / "empty.txt"), "refused Is Empty!"});
            EXPECT_EQ(seen, expected) << threads << row.preview << row.wantsContent;
        }
    }
}

}  // namespace
}  // namespace kesto
