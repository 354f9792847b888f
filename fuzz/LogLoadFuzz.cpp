// Loading a saved log from random bytes: refused or loaded, never a crash; every loaded
// line is non-empty, holds no line feed and fits the line limit.
#include <cstdint>
#include <cstdlib>

#include "FuzzHosts.h"
#include "log/LogStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kesto;
    fuzz::SilentHosts hosts;
    const std::string& path = fuzz::ScratchPath(".log");
    fuzz::WriteScratch(path, data, size);
    RunControl control;
    LogStore log(control, hosts);
    if (log.LoadLogFile(path, nullptr) != LogStore::LoadOutcome::Loaded) {
        if (log.logLineCount() != 0) std::abort();
        return 0;
    }
    for (int i = 0; i < log.logLineCount(); ++i) {
        const std::string_view line = log.line(i);
        if (line.empty() || line.size() > LogStore::kMaxLineLength ||
            line.find('\n') != std::string_view::npos) {
            std::abort();
        }
    }
    return 0;
}
