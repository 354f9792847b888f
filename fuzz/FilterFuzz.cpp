// File filters: splitting and matching random filters and names. A filter holding *.*
// accepts every name.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzHosts.h"
#include "run/ProgressReporter.h"
#include "run/StatusHost.h"
#include "walk/FileWalk.h"

namespace {

class NoStatus : public kesto::StatusHost {
public:
    void SetStatusPanes(std::string_view, std::string_view, std::string_view) override {}
    bool PumpMessages() override { return false; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kesto;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find('\0');
    if (cut == std::string::npos) return 0;
    const std::string filter = input.substr(0, cut);
    const std::string name = input.substr(cut + 1);

    SessionState state;
    NoStatus status;
    RunControl control;
    ProgressReporter progress(state, control, status);
    FileWalk walk(control, progress);
    std::vector<std::string> sessionList;
    walk.SplitFileFilter(filter, sessionList);
    (void)walk.MatchesFileFilter(name);
    walk.SplitFileFilter(filter + ";*.*", sessionList);
    if (!walk.MatchesFileFilter(name)) std::abort();
    return 0;
}
