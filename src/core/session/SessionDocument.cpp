#include "session/SessionDocument.h"

#include <algorithm>
#include <thread>

#include "journal/RunHistory.h"
#include "journal/StateFolder.h"
#include "log/LoggedPath.h"
#include "passes/BatchAhead.h"
#include "passes/BatchPass.h"
#include "passes/ConvertPass.h"
#include "passes/DiffPass.h"
#include "passes/PassContext.h"
#include "passes/SearchAhead.h"
#include "passes/SearchReplacePass.h"
#include "passes/StripInsertPass.h"
#include "regex/RequiredLiteral.h"
#include "session/BatchPreparation.h"
#include "session/PlanRun.h"
#include "session/ProcessedFiles.h"
#include "session/RunHeader.h"

namespace kesto {
namespace {

constexpr std::string_view kRestored = "        Original Files have been restored!";

// Shows the wait cursor for as long as it lives, when asked to.
class WaitCursor {
public:
    WaitCursor(StatusHost& host, bool show) : m_host(host), m_shown(show) {
        if (m_shown) m_host.BeginWaitCursor();
    }
    ~WaitCursor() { End(); }
    void End() {
        if (m_shown) m_host.EndWaitCursor();
        m_shown = false;
    }

private:
    StatusHost& m_host;
    bool m_shown;
};

// The kind of run its journal names.
std::string_view JournalKind(RunPlan::Kind kind) {
    switch (kind) {
    case RunPlan::Kind::Strip:
        return "strip";
    case RunPlan::Kind::Insert:
        return "insert";
    case RunPlan::Kind::Convert:
        return "convert";
    case RunPlan::Kind::Batch:
        return "batch";
    case RunPlan::Kind::SearchReplace:
        break;
    }
    return "single";
}

// The filter part of a named filter: the text after its "|", leading blank kept.
std::string FilterPart(const std::string& namedFilter) {
    const std::size_t bar = namedFilter.find('|');
    return bar == std::string::npos ? namedFilter : namedFilter.substr(bar + 1);
}

}  // namespace

SessionDocument::SessionDocument(std::string settingsPath, SessionHosts hosts)
    : ini(std::move(settingsPath)),
      m_hosts(hosts),
      m_progress(state, control, hosts.status),
      m_log(control, hosts.prompter),
      m_backups(control, m_events, hosts.prompter),
      m_extensions(control, hosts.extensions),
      m_batchPairs(hosts.prompter),
      m_walk(control, m_progress),
      m_matcher(options, control, hosts.prompter, hosts.confirmer) {
    m_events.Subscribe(m_log);
    LoadSettings(ini, settings);
    options = DefaultPlan(settings);
    m_extensions.alwaysSearchList = settings.includedExtensions;
    m_extensions.alwaysExcludeList = settings.excludedExtensions;
    m_backups.SetNaming(settings.backupNaming());
    m_backups.SetEligibility(&m_extensions);
}

RunOutcome SessionDocument::StartRun(ModeDialogs& dialogs) {
    if (state.runStarted) return RunOutcome::Cancelled;
    state.runStarted = true;
    bool showPreviousValues = false;
    for (;;) {
        const bool batch = options.batchMode;
        const ModeDialogChoice choice = batch ? dialogs.ShowBatchDialog(showPreviousValues)
                                              : dialogs.ShowSingleModeDialog(showPreviousValues);
        if (choice.result == ModeDialogResult::Cancel) return RunOutcome::Cancelled;
        showPreviousValues = true;
        if (choice.result == ModeDialogResult::SwitchMode) {
            TakeModeSwitch(choice.request);
            continue;
        }
        const RunOutcome outcome = RunChecked(choice.request);
        // A cancelled start-directory dialog brings the mode dialog back.
        if (outcome != RunOutcome::Cancelled) return outcome;
        state.runStarted = true;
    }
}

void SessionDocument::WriteRunSetting(SettingKey key) {
    if (!previewing()) WriteSetting(ini, settings, key);
}

bool SessionDocument::BuildSearchFileList() {
    if (options.selectViaFileDialog) {
        m_backups.SetFileList();
        return true;
    }
    StartDirectoryChoice initial;
    initial.startDirectory = settings.lastPath;
    initial.fileFilter = !settings.lastFilter.empty()    ? settings.lastFilter
                         : !settings.fileFilters.empty() ? FilterPart(settings.fileFilters.front())
                                                         : std::string();
    initial.searchSubdirectories = options.searchSubdirectories;
    for (const std::string& named : settings.fileFilters) {
        initial.namedFilters.push_back(FilterPart(named));
    }
    // A run taken again (the real run after its preview) walks where the first one did.
    const std::optional<StartDirectoryChoice> choice =
        m_lastRequest.startDirectory ? m_lastRequest.startDirectory
                                     : m_hosts.startDirectory.ChooseStartDirectory(initial);
    if (!choice) {
        state.sessionRunning = false;
        state.runStarted = false;
        m_log.ClearLog();
        return false;
    }
    options.searchSubdirectories = choice->searchSubdirectories;
    settings.lastPath = choice->startDirectory;
    settings.lastFilter = choice->fileFilter;
    WriteRunSetting(SettingKey::LastPath);
    WriteRunSetting(SettingKey::LastFilter);
    m_walk.SetRules(
        {settings.skipBackUpFiles, settings.backupNaming(), settings.respectIgnoreFiles});
    m_walk.BuildFileList(choice->startDirectory, choice->fileFilter, choice->searchSubdirectories,
                         m_extensions.sessionSearchList, searchFileList, m_log.logLineCount());
    AddWalkSummary();
    m_backups.SetWalk(choice->startDirectory, &m_walk.listedFolders());
    m_lastRequest.startDirectory = choice;
    return true;
}

void SessionDocument::NotePreviewedFiles() {
    m_preview.Begin();
    if (!previewing()) return;
    for (const std::string& path : searchFileList) m_preview.NoteRead(path);
    if (!options.selectViaFileDialog) {
        for (const auto& [folder, identity] : m_walk.listedFolders()) {
            m_preview.NoteRead(folder.empty() ? "." : folder);
        }
    }
    if (options.batchMode) m_preview.NoteRead(batchFilePath);
}

RunRequest SessionDocument::ApplyRequest() const {
    RunRequest apply = m_lastRequest;
    apply.preview = false;
    // The typed strings were checked, and their question answered, when the preview began;
    // a batch file is read again, as the pairs are the file's.
    apply.fromModeDialog = !apply.batchFile.has_value();
    return apply;
}

bool SessionDocument::PreviewStillHolds() const {
    return m_preview.StillHolds();
}

bool SessionDocument::PreviewChangesLineForLine() const {
    if (options.lineBreakInStrings || options.conversion()) return false;
    if (!options.regularExpression) return true;
    if (!options.batchMode) return !NamesLineBreak(options.searchString);
    const auto& pairs = m_batchPairs.pairs();
    return std::none_of(pairs.begin(), pairs.end(),
                        [](const CBatchSR& pair) { return NamesLineBreak(pair.m_strSearchWork); });
}

bool SessionDocument::WritePreviewDiff(std::ostream& out, const std::string& folder) const {
    return m_preview.diffs().WriteTo(out, folder);
}

std::optional<RunOutcome> SessionDocument::RunFileLoop(
    std::string_view abortedLine, std::string& firstDirectory, PassContext& context,
    const std::optional<FileReadAhead::ScannerFactory>& makeScanner, const FileAction& process) {
    m_progress.PumpMessages();
    state.sessionRunning = true;
    if (!BuildSearchFileList()) return RunOutcome::Cancelled;
    if (options.selectViaFileDialog) m_lastRequest.files = searchFileList;
    NotePreviewedFiles();
    if (searchFileList.empty() || control.abortRequested()) {
        state.sessionRunning = false;
        const bool aborted = control.abortRequested();
        m_log.AddPlainLogLine(aborted ? abortedLine : "No Files on List!!");
        EndJournal(aborted);
        m_progress.ShowReady();
        return aborted ? RunOutcome::Aborted : RunOutcome::Finished;
    }
    std::optional<FileReadAhead> readAhead;
    const int workers = AheadWorkers();
    if (makeScanner && workers > 0 && !options.confirmEachReplace && searchFileList.size() > 1) {
        // A run that writes has the workers write the new files too, unnamed until the
        // run's thread takes them, so that on many cores the rewrite is no longer one thread's.
        const FileReadAhead::NewFiles newFiles{!previewing()};
        readAhead.emplace(searchFileList, workers, options.skipBinaryFiles, *makeScanner,
                          FileReadAhead::Window{}, newFiles);
        context.readAhead = &*readAhead;
    }
    ProcessedFiles processed;
    const int fileCount = static_cast<int>(searchFileList.size());
    int i = 0;
    for (; i < fileCount && !control.endsRun(); ++i) {
        const std::string& path = searchFileList[static_cast<std::size_t>(i)];
        const std::string directory(DirectoryOf(path));
        if (i == 0) firstDirectory = directory;
        if (!processed.FirstTime(searchFileList, static_cast<std::size_t>(i), m_walk.listing())) {
            continue;
        }
        m_progress.SetFileCounts(i, fileCount);
        if (m_recorder) m_recorder->SetPosition(static_cast<std::size_t>(i));
        context.fileIndex = static_cast<std::size_t>(i);
        process(directory, std::string(FileNameOf(path)));
    }
    m_firstUnreached = static_cast<std::size_t>(i);
    context.readAhead = nullptr;
    return std::nullopt;
}

int SessionDocument::AheadWorkers() const {
    if (settings.threads > 0) return settings.threads - 1;
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

bool SessionDocument::FinishRun(bool aborted, std::string_view abortedLine,
                                std::string_view stoppedLine, std::size_t savedIncludeCount,
                                std::size_t savedExcludeCount, const std::string& firstDirectory) {
    state.sessionRunning = false;
    const std::vector<std::string> unreached = UnreachedFiles();
    ReleaseFileList();
    if (!aborted) {
        m_reportLineCount = m_log.logLineCount();
        const int problems = m_log.problemCounter();
        if (problems > 0 && options.showNoFinds) {
            m_log.AddPlainLogLine(" ");
            m_log.AddPlainLogLine("Didn't find a match or had a problem with the following files:");
            AddProblemLines();
            m_log.AddPlainLogLine(" ");
        } else if (problems > 0) {
            m_log.AddPlainLogLine(" ");
            m_log.AddPlainLogLine("Didn't find a match or had a problem with " +
                                  std::to_string(problems) + " files!");
        }
        if (control.stopRequested()) {
            AddStoppedLines(stoppedLine);
            AddUnreachedLines(unreached);
        }
        // A run whose log cannot reach its reader is taken back while it still can be.
        if (deliverLog && !deliverLog()) {
            control.RequestAbort();
            aborted = true;
        }
    }
    if (aborted) {
        m_log.ClearLog();
        m_log.AddPlainLogLine(abortedLine);
        if (previewing()) m_log.AddPlainLogLine(std::string(20, ' ') + std::string(kPreviewLine));
        if (m_backups.RestoreChangedFiles()) m_log.AddPlainLogLine(kRestored);
        if (control.stopRequested()) AddStoppedLines(stoppedLine);
    }
    AddRunEndReason();
    if (!options.retainBackups && !aborted) {
        m_backups.RemoveBackups(settings.deletePermanently, m_hosts.recycleBin);
    }
    EndJournal(aborted);
    m_backups.EndRun();
    m_preview.End(previewing(), aborted, control.stopRequested());
    if (m_extensions.listsChanged && previewing()) {
        m_extensions.listsChanged = false;  // a preview's answers are not saved later either
    } else if (m_extensions.listsChanged) {
        m_extensions.SaveExtensionLists(ini, savedIncludeCount, savedExcludeCount);
    }
    if (options.selectViaFileDialog && !firstDirectory.empty()) {
        settings.lastPath = firstDirectory;
        WriteRunSetting(SettingKey::LastPath);
    }
    m_progress.ShowReady();
    return aborted;
}

void SessionDocument::ReleaseFileList() {
    std::vector<std::string>().swap(searchFileList);
}

void SessionDocument::AddProblemLines() {
    const ProblemList& problems = m_log.problemList();
    std::string entry;
    for (std::size_t i = 0; i < problems.size(); ++i) {
        problems.WriteEntry(i, entry);
        m_log.AddPlainLogLine(entry);
    }
}

void SessionDocument::AddRunEndReason() {
    // The lines an abort clears may have held the reason; it is told again after them.
    std::string_view reason = control.runEndReason();
    while (!reason.empty()) {
        const std::size_t end = std::min(reason.find('\n'), reason.size());
        m_log.AddPlainLogLine(reason.substr(0, end));
        reason.remove_prefix(std::min(end + 1, reason.size()));
    }
}

void SessionDocument::AddWalkSummary() {
    const std::string indent(5, ' ');
    bool added = false;
    if (const int backups = m_walk.backupsLeftOut(); backups > 0) {
        m_log.AddPlainLogLine(indent + "Walk: " + std::to_string(backups) +
                              " backups of earlier runs left out (Skip Back Up Files)");
        added = true;
    }
    const int files = m_walk.ignoredFilesLeftOut();
    const int folders = m_walk.ignoredFoldersLeftOut();
    if (files + folders > 0) {
        m_log.AddPlainLogLine(indent + "Walk: " + std::to_string(files) + " files and " +
                              std::to_string(folders) + " folders left out by ignore files");
        added = true;
    }
    if (added) m_log.AddPlainLogLine(" ");
}

bool SessionDocument::CompileRegexPairs(std::vector<std::unique_ptr<RegexPair>>& compiled) {
    int number = 0;
    for (const CBatchSR& pair : m_batchPairs.pairs()) {
        ++number;
        RegexPair::Refusal refusal;
        compiled.push_back(RegexPair::Compile(pair.m_strSearchWork, pair.m_strReplaceWork,
                                              options.matchCase, options.matchWholeWord, refusal,
                                              options.unicodeCase));
        if (!compiled.back()) {
            const std::string message =
                "SR pair " + std::to_string(number) + ": " + RegexPair::Describe(refusal);
            m_log.AddPlainLogLine(message);
            m_hosts.prompter.ShowMessage(message, MessageIcon::Stop);
            return false;
        }
    }
    return true;
}

void SessionDocument::AddStoppedLines(std::string_view stoppedLine) {
    m_events.On(RunStopped{stoppedLine});
}

std::vector<std::string> SessionDocument::UnreachedFiles() {
    if (!control.stopRequested() || control.abortRequested()) return {};
    const std::size_t from = std::min(m_firstUnreached, searchFileList.size());
    const std::size_t named = std::min(searchFileList.size() - from, kUnreachedNamed);
    std::vector<std::string> files(
        searchFileList.begin() + static_cast<std::ptrdiff_t>(from),
        searchFileList.begin() + static_cast<std::ptrdiff_t>(from + named));
    m_unreachedCount = searchFileList.size() - from;
    return files;
}

void SessionDocument::AddUnreachedLines(const std::vector<std::string>& files) {
    if (files.empty()) return;
    m_log.AddPlainLogLine(" ");
    m_log.AddPlainLogLine("Not reached, left as they were:");
    for (std::size_t i = 0; i < files.size(); ++i) {
        m_log.AddPlainLogLine("     " + std::to_string(i + 1) + ") --- " + LoggedPath(files[i]));
    }
    if (m_unreachedCount > files.size()) {
        m_log.AddPlainLogLine("     ... and " + std::to_string(m_unreachedCount - files.size()) +
                              " more files");
    }
}

void SessionDocument::StartJournal(std::string_view kind, std::optional<std::string> subject) {
    m_recorder.reset();
    m_lastJournalId.clear();
    m_backups.SetRecorder(nullptr);
    if (previewing() || journalFolder.empty()) return;
    std::string switches;
    const auto add = [&switches](std::string_view word, bool on) {
        if (!on) return;
        if (!switches.empty()) switches += ' ';
        switches += word;
    };
    add("match-case", options.matchCase);
    add("whole-word", options.matchWholeWord);
    add("first-only", options.firstInstanceOnly);
    add("special", options.specialCharSession);
    add("wildcards", options.wildcardSession);
    add("regex", options.regularExpression);
    add("preserve-case", options.preserveCase);
    add("unicode-case", options.unicodeCase);
    add("confirm", options.confirmEachReplace);
    add("subdirs", !options.selectViaFileDialog && options.searchSubdirectories);
    // A diff's changes are its own: no switch of the window's plan took part.
    if (kind == "diff") switches.clear();
    const bool batch = kind == "batch";
    if (!subject) subject = batch ? batchFilePath : options.searchString;
    RunDescription run{std::string(kind),
                       std::move(*subject),
                       batch || kind == "diff" ? std::string() : options.replaceString,
                       switches,
                       ini.path(),
                       settings.backupNaming(),
                       m_backups.NewTemporaryPrefix()};
    m_recorder.emplace(journalFolder, std::move(run));
    m_recorder->SetFileList(&searchFileList);
    m_backups.SetRecorder(&*m_recorder);
}

void SessionDocument::EndJournal(bool aborted) {
    m_backups.SetRecorder(nullptr);
    if (!m_recorder) return;
    m_recorder->End(aborted);
    m_lastJournalId = m_recorder->journalId();
    m_recorder.reset();
    if (!m_lastJournalId.empty()) RunHistory(journalFolder).Prune(settings.keepRuns);
}

std::pair<std::size_t, std::size_t> SessionDocument::BeginRun(bool batch) {
    options.batchMode = batch;
    control.StartRun(options.confirmEachReplace, options.globalReplace);
    m_header.Begin(options, settings, previewing());
    return {m_extensions.alwaysSearchList.size(), m_extensions.alwaysExcludeList.size()};
}

RunOutcome SessionDocument::RunSingleSession() {
    WaitCursor waitCursor(m_hosts.status, options.globalReplace);
    const auto [savedInclude, savedExclude] = BeginRun(false);

    const RunPlan::Kind kind = options.kind();
    const std::optional<ConversionDirection> conversion = options.conversion();
    // Texts with line breaks are split into numbered lines in the report (and shown piece
    // by piece in the header).
    const bool splitLines = options.lineBreakInStrings || conversion;
    PassContext context{options, control, m_log, m_progress, m_hosts.prompter, m_backups};
    context.events = &m_events;
    SearchReplacePass searchPass(context, m_matcher,
                                 conversion ? conversion->source : m_previousType);
    if (!m_header.AddSingleRun(searchPass.patterns(), splitLines)) return RunOutcome::Refused;
    m_log.SetSplitLinesAtBreaks(splitLines);
    StartJournal(JournalKind(kind));

    StripInsertPass stripInsertPass(context);
    ConvertPass convertPass(context);
    // Only a literal search is worked out ahead; the other runs have their files read ahead.
    FileReadAhead::ScannerFactory makeScanner;
    if (kind == RunPlan::Kind::SearchReplace && !options.wildcardSession &&
        !options.regularExpression) {
        makeScanner = [this] { return std::make_unique<SearchAhead>(options, control); };
    }
    std::string firstDirectory;
    const std::optional<RunOutcome> ended =
        RunFileLoop("**** Search/Replace Aborted! ****", firstDirectory, context, makeScanner,
                    [&](const std::string& directory, const std::string& name) {
                        switch (kind) {
                        case RunPlan::Kind::Strip:
                        case RunPlan::Kind::Insert:
                            stripInsertPass.StripOrInsertFile(directory, name);
                            break;
                        case RunPlan::Kind::Convert:
                            convertPass.ConvertFile(directory, name);
                            break;
                        case RunPlan::Kind::SearchReplace:
                            searchPass.ProcessFile(directory, name);
                            break;
                        case RunPlan::Kind::Batch:
                            break;
                        }
                    });
    if (ended) return *ended;
    m_previousType = searchPass.previousType();

    waitCursor.End();
    const bool aborted =
        FinishRun(control.abortRequested(), "**** Customer Aborted Search/Replace Operation! ****",
                  "**** Customer Stopped During Search/Replace Operation! ****", savedInclude,
                  savedExclude, firstDirectory);
    return aborted ? RunOutcome::Aborted : RunOutcome::Finished;
}

RunOutcome SessionDocument::RunRequested(const RunRequest& request) {
    state.runStarted = true;
    searchFileList.insert(searchFileList.end(), request.files.begin(), request.files.end());
    return RunChecked(request);
}

void SessionDocument::TakeModeSwitch(const RunRequest& request) {
    options = PlanAfterModeSwitch(options, request.values);
    if (request.batchFile) batchFilePath = *request.batchFile;
}

void SessionDocument::TakePreferences() {
    options = WithPreferences(options, settings);
}

void SessionDocument::OpenInBatchMode() {
    options.batchMode = true;
}

bool SessionDocument::JournalFolderUsable() {
    if (journalFolder.empty()) return true;
    std::string refusal;
    if (StateFolder::Open(journalFolder, false, refusal)) return true;
    m_hosts.prompter.ShowMessage(refusal, MessageIcon::Stop);
    return false;
}

RunOutcome SessionDocument::RunChecked(const RunRequest& request) {
    m_lastRequest = request;
    m_backups.SetPreview(request.preview);
    // A run that could not keep its journal where only the user writes touches nothing.
    if (!request.preview && !JournalFolderUsable()) return RunOutcome::Refused;
    if (request.diff) return RunDiffSession(*request.diff);
    if (request.batchFile && !request.fromModeDialog &&
        !m_batchPairs.ReadBatchFile(*request.batchFile)) {
        return RunOutcome::Refused;
    }
    PlannedRun planned = PlanRun(request, options, m_hosts.prompter);
    if (!planned.plan) {
        if (!planned.refusal.message.empty()) {
            m_hosts.prompter.ShowMessage(planned.refusal.message, MessageIcon::Stop);
        }
        return RunOutcome::Refused;
    }
    options = std::move(*planned.plan);
    if (options.kind() != RunPlan::Kind::Batch) return RunSingleSession();
    batchFilePath = *request.batchFile;
    return RunBatchSession();
}

RunOutcome SessionDocument::RunBatchSession() {
    WaitCursor waitCursor(m_hosts.status, options.globalReplace);
    const auto [savedInclude, savedExclude] = BeginRun(true);
    m_log.SetSplitLinesAtBreaks(options.lineBreakInStrings);

    m_header.AddBatchRun(batchFilePath);
    const BatchPreparation prepared = PrepareBatchPairs(m_batchPairs, options);
    std::vector<std::unique_ptr<RegexPair>> regexPairs;
    if (options.regularExpression && !CompileRegexPairs(regexPairs)) return RunOutcome::Refused;
    m_header.EndBatchRun(prepared.excludedPairs);

    PassContext context{options, control, m_log, m_progress, m_hosts.prompter, m_backups};
    context.events = &m_events;
    StartJournal("batch");
    BatchPass pass(context, m_matcher, m_batchPairs,
                   options.regularExpression ? &regexPairs : nullptr);
    FileReadAhead::ScannerFactory makeScanner;
    if (!options.regularExpression) {
        makeScanner = [this] {
            return std::make_unique<BatchAhead>(options, control, m_batchPairs);
        };
    }
    std::string firstDirectory;
    const std::optional<RunOutcome> ended =
        RunFileLoop("**** Batch Search/Replace Aborted! ****", firstDirectory, context, makeScanner,
                    [&](const std::string& directory, const std::string& name) {
                        pass.ProcessBatchFile(directory, name);
                    });
    if (ended) return *ended;

    waitCursor.End();
    const bool aborted = FinishRun(
        control.abortRequested(), "**** Customer Aborted Batch Search/Replace Operation! ****",
        "**** Customer Stopped During Batch Search/Replace Operation! ****", savedInclude,
        savedExclude, firstDirectory);
    return aborted ? RunOutcome::Aborted : RunOutcome::Finished;
}

RunOutcome SessionDocument::RunDiffSession(const DiffToApply& diff) {
    WaitCursor waitCursor(m_hosts.status, true);
    // The diff names each file: no extension rule or walk decides about them.
    options.selectViaFileDialog = true;
    const auto [savedInclude, savedExclude] = BeginRun(false);
    m_header.AddDiffRun(diff.name);
    m_log.SetSplitLinesAtBreaks(true);
    for (const FilePatch& patch : diff.files) searchFileList.push_back(patch.path());
    StartJournal("diff", diff.name);
    m_backups.SetEligibility(nullptr);

    PassContext context{options, control, m_log, m_progress, m_hosts.prompter, m_backups};
    context.events = &m_events;
    DiffPass pass(context);
    // The folder of a diff's file is not remembered as the last one searched.
    std::string diffsFolder;
    // Nothing is read ahead: a file the diff may not change is not even opened.
    const std::optional<RunOutcome> ended =
        RunFileLoop("**** Apply Diff Aborted! ****", diffsFolder, context, std::nullopt,
                    [&](const std::string&, const std::string&) {
                        pass.ApplyToFile(diff.files[context.fileIndex]);
                    });
    m_backups.SetEligibility(&m_extensions);
    if (ended) return *ended;

    waitCursor.End();
    const bool aborted = FinishRun(
        control.abortRequested(), "**** Customer Aborted Applying the Diff! ****",
        "**** Customer Stopped While Applying the Diff! ****", savedInclude, savedExclude, {});
    return aborted ? RunOutcome::Aborted : RunOutcome::Finished;
}

}  // namespace kesto
