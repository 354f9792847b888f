// kesto-cli: one Kesto session without a window. The log goes to standard output; messages,
// questions and the progress line go to standard error.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/TerminalHosts.h"
#include "journal/RunHistory.h"
#include "log/LoggedPath.h"
#include "patch/DiffReader.h"
#include "pattern/PatternSyntax.h"
#include "platform/FreedesktopTrash.h"
#include "platform/InterruptSignals.h"
#include "platform/OpenFileLimit.h"
#include "platform/StandardStreams.h"
#include "session/SessionDocument.h"
#include "text/PrefaultPages.h"

namespace kesto::cli {
namespace {

constexpr int kExitFinished = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;
constexpr int kExitAborted = 3;
constexpr int kExitLeftAlone = 4;
constexpr int kExitStopped = 5;

std::string ProgramDirectory() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : self.parent_path().string();
}

// Made absolute without resolving links.
std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    std::error_code error;
    const auto cwd = std::filesystem::current_path(error);
    return (cwd / path).lexically_normal().string();
}

// The switches the single-mode dialog holds for each kind of run.
RunDialogValues DialogValues(const CliOptions& o) {
    RunDialogValues values{.searchText = o.search,
                           .replaceText = o.replace,
                           .matchWholeWord = o.wholeWord,
                           .matchCase = o.matchCase,
                           .confirmEachReplace = o.confirm,
                           .globalReplace = !o.confirm,
                           .specialCharSession = o.special,
                           .wildcardSession = o.wildcards,
                           .regularExpression = o.regex,
                           .preserveCase = o.preserveCase,
                           .allInstancesInLine = !o.firstOnly,
                           .firstInstanceOnly = o.firstOnly,
                           .selectViaFileDialog = !o.directory.has_value()};
    const auto setRunSwitches = [&](bool firstOnly, bool matchCase, bool allInLine) {
        values.firstInstanceOnly = firstOnly;
        values.allInstancesInLine = allInLine;
        values.globalReplace = true;
        values.confirmEachReplace = false;
        values.matchCase = matchCase;
        values.matchWholeWord = false;
        values.wildcardSession = false;
    };
    switch (o.kind) {
    case RunKind::Insert:
        setRunSwitches(true, true, false);
        values.insertAtColumn = true;
        values.searchText = o.insertText;
        values.replaceText = o.column;
        break;
    case RunKind::Strip:
        setRunSwitches(false, false, true);
        values.specialCharSession = true;
        values.searchText = "~";
        values.replaceText.clear();
        break;
    case RunKind::Convert: {
        setRunSwitches(false, false, false);
        values.specialCharSession = true;
        const std::string& d = o.conversion;
        const auto convention = [](std::string_view name) {
            return name == "dos" ? "\\r\\n" : name == "unix" ? "\\n" : "\\r";
        };
        const std::size_t two = d.find('2');
        values.searchText = convention(std::string_view(d).substr(0, two));
        values.replaceText = convention(std::string_view(d).substr(two + 1));
        break;
    }
    default:
        break;
    }
    return values;
}

// Writes log lines [from, end) to standard output; false when they did not all get there
// (a closed pipe, a full disk).
bool WriteLogLines(const LogStore& log, int from) {
    for (int i = from; i < log.logLineCount(); ++i) std::cout << log.line(i) << '\n';
    std::cout << std::flush;
    return static_cast<bool>(std::cout);
}

// Writes the diff of the preview that just ended to standard output, its names relative to
// the current directory; false when it did not all get there.
bool WriteDiff(const SessionDocument& document) {
    std::error_code error;
    return document.WritePreviewDiff(std::cout, std::filesystem::current_path(error).string());
}

// The direction a --convert argument names ("dos2unix" ...).
ConversionDirection ConversionNamed(std::string_view name) {
    const auto type = [](std::string_view convention) {
        return convention == "dos"    ? LineBreakType::Dos
               : convention == "unix" ? LineBreakType::Unix
                                      : LineBreakType::Mac;
    };
    const std::size_t two = name.find('2');
    return {type(name.substr(0, two)), type(name.substr(two + 1))};
}

// All of `in`, `expected` bytes of it read straight into their place, the rest in large
// pieces; nothing when reading failed.
std::optional<std::string> ReadAll(std::istream& in, std::size_t expected) {
    std::string text;
    text.reserve(expected);
    PrefaultPages(text.data(), expected);
    text.resize(expected);
    in.read(text.data(), static_cast<std::streamsize>(expected));
    text.resize(static_cast<std::size_t>(in.gcount()));
    std::vector<char> piece(std::size_t{1} << 20);
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
        text.append(piece.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) return std::nullopt;
    return text;
}

// The diff --apply-diff names, read whole; nothing (said on standard error) when it cannot
// be read or is damaged.
std::shared_ptr<const DiffToApply> ReadDiff(const std::string& file) {
    const bool standardInput = file == "-";
    std::ifstream stream;
    std::error_code error;
    std::size_t expected = 0;
    if (!standardInput) {
        stream.open(file, std::ios::binary);
        expected = static_cast<std::size_t>(std::filesystem::file_size(file, error));
        if (error) expected = 0;
    }
    std::istream& in = standardInput ? std::cin : stream;
    std::optional<std::string> text;
    if (in) text = ReadAll(in, expected);
    if (!text) {
        std::cerr << "Couldn't read the diff " << LoggedPath(file) << "!\n";
        return nullptr;
    }
    DiffReading reading =
        DiffReader::Read(std::move(*text), std::filesystem::current_path(error).string());
    if (!reading.damage.empty()) {
        std::cerr << reading.damage << '\n';
        return nullptr;
    }
    return std::make_shared<const DiffToApply>(
        DiffToApply{standardInput ? "standard input" : file, std::move(reading.files)});
}

// What the command line asks for, as the window's dialogs would hand it to the run.
RunRequest RequestOf(const CliOptions& o) {
    RunRequest request;
    request.values = DialogValues(o);
    if (o.kind == RunKind::Batch) request.batchFile = o.batchFile;
    if (o.kind == RunKind::Convert) request.conversion = ConversionNamed(o.conversion);
    for (const std::string& file : o.files) request.files.push_back(AbsolutePath(file));
    request.preview = o.dryRun;
    return request;
}

std::string SettingsPathOf(const CliOptions& o) {
    return o.iniPath ? AbsolutePath(*o.iniPath) : SettingsFilePath(ProgramDirectory());
}

std::string StateFolderOf(const CliOptions& o) {
    return o.stateFolder ? *o.stateFolder : DefaultRunJournalFolder();
}

int KeptRunsSetting(const CliOptions& o) {
    Settings settings;
    LoadSettings(IniFile(SettingsPathOf(o)), settings);
    return settings.keepRuns;
}

std::string RunState(const KeptRun& run) {
    if (!run.journal.damage.empty()) return "damaged (" + run.journal.damage + ")";
    if (run.unfinished) return "did not end, --recover puts it back";
    if (!run.journal.ended) return "running";
    if (run.journal.aborted) return "aborted";
    if (!run.undoneBy.empty()) return "can't be undone (undone by " + run.undoneBy + ")";
    return run.undoable ? "can be undone" : "can't be undone";
}

// Whether the state folder may be used; says why not on standard error.
bool StateFolderUsable(const RunHistory& history) {
    const std::string refusal = history.Refusal();
    if (!refusal.empty()) std::cerr << refusal << '\n';
    return refusal.empty();
}

// The kept runs, newest first, one a line.
int ListRuns(const CliOptions& o) {
    RunHistory history(StateFolderOf(o));
    if (!StateFolderUsable(history)) return kExitRefused;
    history.PruneGone();
    for (const KeptRun& run : history.Runs()) {
        std::string date = run.journal.startTime;
        if (date.size() == 20) date = date.substr(0, 10) + " " + date.substr(11, 8) + " UTC";
        std::cout << LoggedPath(run.journal.id) << "  " << date << "  "
                  << LoggedPath(run.journal.run.kind) << "  " << run.filesChanged
                  << (run.filesChanged == 1 ? " file  " : " files  ") << RunState(run) << '\n';
    }
    return kExitFinished;
}

// Each file put back on standard output, each left as it was on standard error; names
// escaped as the log escapes them.
bool ReportFiles(const TakeBackResult& result, std::string_view done) {
    for (const FileOutcome& file : result.files) {
        if (file.done) {
            std::cout << done << LoggedPath(file.path) << '\n';
        } else {
            std::cerr << "Left as it was: " << LoggedPath(file.path) << ": " << file.reason << '\n';
        }
    }
    return result.leftAlone() == 0;
}

int Undo(const CliOptions& o) {
    RunHistory history(StateFolderOf(o));
    if (!StateFolderUsable(history)) return kExitRefused;
    FreedesktopTrash trash;
    const TakeBackResult result = history.Undo(o.undoId, trash, SettingsPathOf(o));
    if (!result.error.empty()) {
        std::cerr << result.error << '\n';
        return kExitRefused;
    }
    std::cout << "Undoing run " << LoggedPath(result.runId) << '\n';
    const bool all = ReportFiles(result, "Put back: ");
    history.Prune(KeptRunsSetting(o));
    return all ? kExitFinished : kExitLeftAlone;
}

int Recover(const CliOptions& o) {
    RunHistory history(StateFolderOf(o));
    if (!StateFolderUsable(history)) return kExitRefused;
    bool all = true;
    FreedesktopTrash trash;
    for (const TakeBackResult& result : history.Recover(&trash)) {
        const std::string id = LoggedPath(result.runId);
        if (!result.error.empty()) {
            if (result.runId.empty()) {
                std::cerr << result.error << '\n';
                return kExitRefused;
            }
            std::cerr << "Couldn't recover run " << id << ": " << result.error << '\n';
            all = false;
            continue;
        }
        const std::size_t done = result.files.size() - static_cast<std::size_t>(result.leftAlone());
        const std::string files = std::to_string(done) + (done == 1 ? " file" : " files");
        if (result.finishedRemoval.empty()) {
            std::cout << "Recovered run " << id << ": " << files << " put back\n";
            all = ReportFiles(result, "Put back: ") && all;
            continue;
        }
        // Cut off while it removed its backups, after its last change: its result stands.
        const bool trashed = result.finishedRemoval == "trash";
        std::cout << "Finished run " << id << ": its changes stand, "
                  << std::to_string(done) + (done == 1 ? " backup" : " backups")
                  << (trashed ? " moved to the Trash\n" : " deleted\n");
        all = ReportFiles(result, trashed ? "Backup moved to the Trash: " : "Backup deleted: ") &&
              all;
    }
    history.Prune(KeptRunsSetting(o));
    return all ? kExitFinished : kExitLeftAlone;
}

// Tells of runs that died before they ended, whose files may still need their originals.
void WarnOfUnfinishedRuns(const std::string& stateFolder, TerminalHosts& terminal) {
    const std::vector<std::string> unfinished = RunHistory(stateFolder).UnfinishedRuns();
    if (unfinished.empty()) return;
    terminal.ShowMessage("A run that did not end was found (" + LoggedPath(unfinished.front()) +
                             (unfinished.size() > 1 ? " and others" : "") +
                             "): kesto-cli --recover puts its files back.",
                         MessageIcon::Warning);
}

int Run(const CliOptions& o) {
    switch (o.kind) {
    case RunKind::ListRuns:
        return ListRuns(o);
    case RunKind::Undo:
        return Undo(o);
    case RunKind::Recover:
        return Recover(o);
    default:
        break;
    }
    std::optional<StartDirectoryChoice> start;
    if (o.directory) start = StartDirectoryChoice{*o.directory, o.filter, o.subdirectories, {}};
    TerminalHosts terminal(!o.quiet && ::isatty(STDERR_FILENO), o.unknownExtension, start);
    FreedesktopTrash trash;
    SessionHosts hosts{terminal, terminal, terminal, terminal, terminal, trash};
    SessionDocument document(SettingsPathOf(o), hosts);
    document.journalFolder = StateFolderOf(o);
    // The options that stand for preferences go into the plan as the Preferences page's do.
    if (o.binary) document.settings.skipBinaryFiles = false;
    if (o.unicodeCase) document.settings.unicodeCase = true;
    if (o.binary || o.unicodeCase) document.TakePreferences();
    if (o.threads) document.settings.threads = *o.threads;
    if (o.ignoreFiles) document.settings.respectIgnoreFiles = true;
    WarnOfUnfinishedRuns(document.journalFolder, terminal);
    LogStore& log = document.log();
    // With --diff standard output holds the diff, and the log goes only to --log. The diff
    // goes out whole once the preview has ended, never the part of an aborted one.
    if (o.diff) document.events().Subscribe(document.previewDiffs());
    const bool printLog = !o.diff;
    // The log goes out before the run is settled, so that a log nobody can read takes the
    // run back instead of leaving changes without a record.
    int deliveredLines = 0;
    bool delivered = false;
    bool deliveryFailed = false;
    document.deliverLog = [&] {
        delivered = true;
        deliveredLines = log.logLineCount();
        deliveryFailed = printLog ? !WriteLogLines(log, 0) : !WriteDiff(document);
        return !deliveryFailed;
    };
    RunRequest request = RequestOf(o);
    if (o.kind == RunKind::ApplyDiff) {
        request.diff = ReadDiff(o.diffFile);
        if (!request.diff) return kExitRefused;
    }
    const RunOutcome outcome = document.RunRequested(request);
    // A request refused before the run began has no log.
    if (outcome == RunOutcome::Refused && log.logLineCount() == 0) return kExitRefused;

    if (!printLog) {
        std::cout << std::flush;
    } else if (!delivered) {
        WriteLogLines(log, 0);
    } else if (outcome != RunOutcome::Aborted) {
        WriteLogLines(log, deliveredLines);
    }
    if (deliveryFailed) {
        terminal.ShowMessage(printLog
                                 ? "Couldn't write the log to standard output: the run was aborted!"
                                 : "Couldn't write the diff to standard output!",
                             MessageIcon::Stop);
    }
    if (const int failures = document.backups().restoreFailures(); failures > 0) {
        terminal.ShowMessage("Could NOT Restore " + std::to_string(failures) +
                                 (failures == 1 ? " file!" : " files!"),
                             MessageIcon::Stop);
    }
    if (o.logPath && !log.SaveLogFile(*o.logPath)) {
        terminal.ShowMessage("Couldn't save the log to " + *o.logPath + "!", MessageIcon::Stop);
    }
    switch (outcome) {
    case RunOutcome::Refused:
        return kExitRefused;
    case RunOutcome::Aborted:
        return kExitAborted;
    default:
        // Stop Now, the end of the answers or the log's line limit: the list was not done.
        return document.control.stopRequested() ? kExitStopped : kExitFinished;
    }
}

}  // namespace
}  // namespace kesto::cli

int main(int argc, char** argv) {
    using namespace kesto::cli;
    // First of all: from here on a signal ends a run as Abort does (on descriptors that
    // cannot be taken for standard ones).
    kesto::KeepStandardStreamsOpen();
    kesto::InstallInterruptHandlers();
    kesto::RaiseOpenFileLimit();
    // The log of a big run is tens of thousands of short lines: where no terminal shows them
    // as they come, they go out in blocks of 64 KiB, not of the 4 KiB stdio would take.
    if (!::isatty(STDOUT_FILENO)) {
        static char logBlock[std::size_t{64} * 1024];
        std::setvbuf(stdout, logBlock, _IOFBF, sizeof logBlock);
    }
    const ParseResult parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.options.help) {
        std::cout << UsageText();
        return kExitFinished;
    }
    if (parsed.options.version) {
        std::cout << "kesto-cli " << KESTO_VERSION << '\n';
        return kExitFinished;
    }
    if (!parsed.error.empty()) {
        std::cerr << "kesto-cli: " << parsed.error << '\n' << UsageText();
        return kExitUsage;
    }
    return Run(parsed.options);
}
