// Records every status report; can play the abort gesture at a chosen report.
#pragma once

#include <string>
#include <vector>

#include "run/StatusHost.h"

namespace kesto::test {

class RecordingStatusHost : public StatusHost {
public:
    struct Panes {
        std::string what;
        std::string percent;
        std::string count;
    };

    void SetStatusPanes(std::string_view what, std::string_view percent,
                        std::string_view count) override {
        reports.push_back({std::string(what), std::string(percent), std::string(count)});
    }
    bool PumpMessages() override {
        ++pumps;
        return abortAtReport >= 0 && static_cast<int>(reports.size()) >= abortAtReport;
    }
    void BeginWaitCursor() override { ++waitDepth; }
    void EndWaitCursor() override { --waitDepth; }

    std::vector<Panes> reports;
    int pumps = 0;
    int waitDepth = 0;
    int abortAtReport = -1;  // the gesture is seen from this many reports on
};

}  // namespace kesto::test
