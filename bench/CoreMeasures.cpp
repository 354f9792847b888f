// kesto_core_measures: times parts of the core that a run of kesto-cli does not show on
// their own, in process:
//
//   kesto_core_measures walk DIR        lists, filters (*.*) and sorts every file below DIR
//   kesto_core_measures log FILE TEXT   reads a saved log, then finds TEXT from line 0
//
// Each prints one line "name: N ms" (and what it found) for make bench.
#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "log/LogFinder.h"
#include "log/LogStore.h"
#include "run/ProgressReporter.h"
#include "walk/FileWalk.h"

namespace {

class QuietHost : public kesto::StatusHost, public kesto::Prompter {
public:
    void SetStatusPanes(std::string_view, std::string_view, std::string_view) override {}
    bool PumpMessages() override { return false; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    void ShowMessage(std::string_view text, kesto::MessageIcon) override {
        std::cerr << text << "\n";
    }
    bool AskYesNo(std::string_view) override { return true; }
};

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    kesto::SessionState state;
    kesto::RunControl control;
    QuietHost host;
    kesto::ProgressReporter progress(state, control, host);
    if (args.size() == 2 && args[0] == "walk") {
        kesto::FileWalk walk(control, progress);
        std::vector<std::string> sessionSearch;
        std::vector<std::string> files;
        const auto start = std::chrono::steady_clock::now();
        walk.BuildFileList(args[1], "*.*", true, sessionSearch, files, 0);
        std::cout << "walk: " << MillisecondsSince(start) << " ms, " << files.size() << " files\n";
        return files.empty() ? 1 : 0;
    }
    if (args.size() == 3 && args[0] == "log") {
        kesto::LogStore store(control, host);
        auto start = std::chrono::steady_clock::now();
        if (store.LoadLogFile(args[1], &progress) != kesto::LogStore::LoadOutcome::Loaded) return 1;
        std::cout << "log load: " << MillisecondsSince(start) << " ms, " << store.logLineCount()
                  << " lines\n";
        start = std::chrono::steady_clock::now();
        const auto hit = kesto::LogFinder::Find(store, args[2], false, 0, [] {});
        std::cout << "log find: " << MillisecondsSince(start) << " ms, line " << (hit ? *hit : -1)
                  << "\n";
        return hit ? 0 : 1;
    }
    std::cerr << "usage: kesto_core_measures walk DIR | log FILE TEXT\n";
    return 2;
}
