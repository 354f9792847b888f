// Throughput of the search/replace pass on one 8 MiB file, in memory-cached conditions:
// no match (Match Case on, which the quick test answers, and off, which scans), a few
// matches, and a match on a quarter of the lines. Then the pairs of a batch run applied in
// memory to 8 MiB of words made of a few syllables, where nearly every word matches some
// pair: in one walk, and pair after pair.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "literal/LiteralPairChain.h"
#include "passes/MatchScan.h"
#include "passes/PassContext.h"
#include "passes/SearchReplacePass.h"
#include "pattern/LineMatcher.h"
#include "pattern/PatternSyntax.h"

namespace kesto {
namespace {

class SilentHosts : public Prompter, public ReplaceConfirmer, public StatusHost {
public:
    void ShowMessage(std::string_view, MessageIcon) override {}
    bool AskYesNo(std::string_view) override { return true; }
    ConfirmAnswer ConfirmReplace(const ConfirmRequest&) override {
        return {ConfirmChoice::GlobalReplace, {}};
    }
    void SetStatusPanes(std::string_view, std::string_view, std::string_view) override {}
    bool PumpMessages() override { return false; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
};

// About 8 MiB of lines of 40-120 characters of words; `plantEvery` > 0 puts the word
// "needle" into every plantEvery-th line.
std::string MakeText(int plantEvery) {
    static const char* words[] = {"alpha", "beta", "gamma", "delta", "search", "replace",
                                  "file",  "line", "text",  "word",  "kesto",  "buffer"};
    std::mt19937 random(42);
    std::string text;
    int line = 0;
    while (text.size() < 8'388'608 - 200) {
        const std::size_t target = 40 + random() % 81;
        std::string current;
        if (plantEvery > 0 && line % plantEvery == 0) current = "needle ";
        while (current.size() < target) {
            current += words[random() % 12];
            current += ' ';
        }
        text += current;
        text += "\r\n";
        ++line;
    }
    return text;
}

void RunPass(benchmark::State& state, int plantEvery, bool matchCase) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kesto-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string text = MakeText(plantEvery);
    const std::string file = (dir / "big.txt").string();
    const std::string backup = (dir / "big.~txt").string();

    SilentHosts hosts;
    RunPlan options;
    RunDialogValues values;
    values.searchText = "needle";
    values.replaceText = "pin";
    values.matchCase = matchCase;
    values.confirmEachReplace = false;
    values.globalReplace = true;
    if (!ValidateBeforeRun(values, options, hosts).check.accepted) std::abort();
    RunControl control;
    control.StartRun(options.confirmEachReplace, options.globalReplace);
    const SessionState session;
    ProgressReporter progress(session, control, hosts);
    LogStore log(control, hosts);
    BackupKeeper backups(control, log, hosts);
    PassContext context{options, control, log, progress, hosts, backups};
    LineMatcher matcher(options, control, hosts, hosts);
    SearchReplacePass pass(context, matcher);

    for (auto _ : state) {
        state.PauseTiming();
        backups.EndRun();  // each pass is a run of its own
        { std::ofstream(file, std::ios::binary | std::ios::trunc) << text; }
        log.ClearLog();
        state.ResumeTiming();
        benchmark::DoNotOptimize(pass.ProcessFile(dir.string(), "big.txt"));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
    std::filesystem::remove_all(dir);
}

void BM_NoMatchMatchCase(benchmark::State& state) {
    RunPass(state, 0, true);
}
void BM_NoMatchIgnoreCase(benchmark::State& state) {
    RunPass(state, 0, false);
}
void BM_FewMatches(benchmark::State& state) {
    RunPass(state, 20000, true);
}
void BM_QuarterOfLinesMatch(benchmark::State& state) {
    RunPass(state, 4, true);
}
void BM_QuarterOfLinesMatchIgnoreCase(benchmark::State& state) {
    RunPass(state, 4, false);
}

// Words of one to three syllables, and `count` pairs that each add an X to one of them.
struct SyllableBatch {
    std::string text;
    std::vector<LiteralPair> pairs;
};

SyllableBatch MakeSyllableBatch(std::size_t count) {
    static const char* syllables[] = {"ka",  "lo",  "mi", "ter", "son", "ra",  "vel", "dun",
                                      "pri", "ost", "ne", "ga",  "bel", "tor", "fi",  "um"};
    std::mt19937 random(7);
    std::vector<std::string> words;
    while (words.size() < 400) {
        std::string word;
        for (int i = 0, n = 1 + static_cast<int>(random() % 3); i < n; ++i) {
            word += syllables[random() % 16];
        }
        words.push_back(word);
    }
    SyllableBatch batch;
    while (batch.text.size() < 8'388'608 - 200) {
        std::string line;
        for (std::size_t length = 40 + random() % 81; line.size() < length;) {
            if (!line.empty()) line += ' ';
            line += words[random() % words.size()];
        }
        batch.text += line + "\n";
    }
    for (std::size_t pair = 1; pair <= count; ++pair) {
        batch.pairs.push_back({words[pair * 3], words[pair * 3] + "X"});
    }
    return batch;
}

class QuietObserver : public ScanObserver {
public:
    void OnProgress(int) override {}
    void OnChangedLine(int, const std::string&, const std::string&) override {}
    bool WantsChangedLines() const override { return false; }
};

void BM_PairsInOneWalk(benchmark::State& state) {
    const SyllableBatch batch = MakeSyllableBatch(static_cast<std::size_t>(state.range(0)));
    LiteralPairChain chain(batch.pairs);
    RunControl control;
    QuietObserver observer;
    std::string out;
    for (auto _ : state) {
        ScanCounters counters;
        benchmark::DoNotOptimize(
            chain.Apply(batch.text, LineBreakType::Unix, out, counters, control, observer));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(batch.text.size()));
}

void BM_PairsOneAfterAnother(benchmark::State& state) {
    const SyllableBatch batch = MakeSyllableBatch(static_cast<std::size_t>(state.range(0)));
    SilentHosts hosts;
    RunPlan options;
    options.matchCase = true;
    options.globalReplace = true;
    options.confirmEachReplace = false;
    RunControl control;
    control.StartRun(false, true);
    LineMatcher matcher(options, control, hosts, hosts);
    QuietObserver observer;
    std::vector<CompiledPatterns> compiled;
    for (const LiteralPair& pair : batch.pairs) {
        CompiledPatterns patterns;
        patterns.search = CompiledPattern::FromLiteral(pair.search);
        patterns.replace = CompiledPattern::FromLiteral(pair.replace);
        patterns.layout.lineBreakType = LineBreakType::Unix;
        patterns.layout.lineBreakChar = '\n';
        patterns.layout.lineBreakLength = 1;
        compiled.push_back(patterns);
    }
    std::string content;
    std::string next;
    for (auto _ : state) {
        content = batch.text;
        for (const CompiledPatterns& patterns : compiled) {
            next.clear();
            StringSink sink(next);
            ScanCounters counters;
            ScanText(content, patterns, "big.txt", options, control, matcher, sink, observer,
                     counters);
            if (counters.match.possible > 0) content.swap(next);
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(batch.text.size()));
}

BENCHMARK(BM_PairsInOneWalk)->Arg(4)->Arg(16)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PairsOneAfterAnother)->Arg(4)->Arg(16)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoMatchMatchCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoMatchIgnoreCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FewMatches)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuarterOfLinesMatch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuarterOfLinesMatchIgnoreCase)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kesto

BENCHMARK_MAIN();
