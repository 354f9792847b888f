// SessionDocument: the run of one log window, without the window.
//
// It holds the window's copy of the settings, the options of the run, the log, the file
// list, the extension lists, the batch pairs and the backup step, and runs a single-mode
// or batch session from a RunRequest, made by the window's mode dialogs or by kesto-cli.
// It reaches the user only through SessionHosts.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "journal/RunRecorder.h"
#include "log/LogStore.h"
#include "passes/PassContext.h"
#include "pattern/BatchSRList.h"
#include "pattern/LineMatcher.h"
#include "plan/RunPlan.h"
#include "regex/RegexPair.h"
#include "replace/BackupKeeper.h"
#include "run/ProgressReporter.h"
#include "session/PreviewRecord.h"
#include "session/RunHeader.h"
#include "session/RunRequest.h"
#include "session/SessionHosts.h"
#include "settings/ExtensionLists.h"
#include "settings/Settings.h"
#include "walk/FileWalk.h"

namespace kesto {

enum class RunOutcome {
    Finished,   // the file loop ran (also after Stop Now, or with no file on the list)
    Refused,    // refused before any file was touched
    Cancelled,  // the start-directory dialog was cancelled
    Aborted,    // aborted; the changed files were put back
};

class SessionDocument {
public:
    // Sets the defaults of a new window and reads every setting of `settingsPath`.
    SessionDocument(std::string settingsPath, SessionHosts hosts);
    SessionDocument(const SessionDocument&) = delete;
    SessionDocument& operator=(const SessionDocument&) = delete;

    // The new-run command of a log window: shows the single-mode or batch dialog (the user
    // may switch between them) and runs what it begins. Does nothing once a run was started
    // in this window. Returns the outcome of the run, or Cancelled when none ran.
    RunOutcome StartRun(ModeDialogs& dialogs);

    // A single-mode run from the options already checked and copied in (the strings in
    // their processed form).
    RunOutcome RunSingleSession();
    // A batch run over the pairs already read into batchPairs.
    RunOutcome RunBatchSession();
    // A run that applies the changes of `diff` to the files it names.
    RunOutcome RunDiffSession(const DiffToApply& diff);
    // The run `request` asks for, as the mode dialogs would start it: the typed strings
    // are checked (a refusal is shown through the prompter), the batch file is read.
    RunOutcome RunRequested(const RunRequest& request);
    // The dialogs' choice of mode carried over: the shared switches, the batch file's name.
    void TakeModeSwitch(const RunRequest& request);
    // The preferences of `settings` changed: the window's next run takes them.
    void TakePreferences();
    // The window opens its next run in the batch dialog (a batch file was opened in it).
    void OpenInBatchMode();

    // The plan of the window's run: PlanRun makes it from the run's request when the run
    // starts; until then it holds the preferences and the defaults of the dialogs.
    RunPlan options;
    // Whether the window's run was started and whether files are being processed.
    SessionState state;
    // What the run may still do; the window's Abort and the run's passes both go through it.
    RunControl control;
    Settings settings;
    // Called once the closing lines of a run that was not aborted are written, before its
    // backups may be removed; false (the log could not be delivered) ends the run as Abort
    // does. Lines the removal adds come after the delivered ones.
    std::function<bool()> deliverLog;
    // What the runs report: the log takes every event; whoever else wants them subscribes
    // (the window and --diff subscribe previewDiffs(), which keeps what a preview would
    // rewrite for WritePreviewDiff).
    RunEvents& events() { return m_events; }
    PreviewDiffs& previewDiffs() { return m_preview.diffs(); }
    IniFile ini;
    // Where the runs that change files keep their journals; none are kept when it is empty.
    std::string journalFolder;
    // The files of the run. Emptied once its files are done: nothing reads it again, and a
    // list of a million paths would otherwise stay beside the closing lines the log takes
    // then.
    std::vector<std::string> searchFileList;
    std::string batchFilePath;

    LogStore& log() { return m_log; }
    const LogStore& log() const { return m_log; }
    ProgressReporter& progress() { return m_progress; }
    BackupKeeper& backups() { return m_backups; }
    ExtensionLists& extensions() { return m_extensions; }
    CBatchSRList& batchPairs() { return m_batchPairs; }
    FileWalk& walk() { return m_walk; }
    SessionHosts& hosts() { return m_hosts; }
    int headerLineCount() const { return m_header.lineCount(); }
    int reportLineCount() const { return m_reportLineCount; }
    // Whether the run started last is a preview.
    bool previewing() const { return m_backups.preview(); }
    // The run started last, as a request that runs it again: its files or start directory
    // included.
    const RunRequest& lastRequest() const { return m_lastRequest; }
    // The same run for real, after this window's preview.
    RunRequest ApplyRequest() const;
    // Whether the last run was a preview that went through every file (not stopped, not
    // aborted): only then do its log and diff show what the run would do.
    bool previewComplete() const { return m_preview.complete(); }
    // Whether that preview is complete and the files, folders and batch file it read are as
    // it read them.
    bool PreviewStillHolds() const;
    // Writes the diff of the last preview to `out`, its file names relative to `folder` when
    // they lie below it (else whole); nothing when it changed nothing. False when `out`
    // failed.
    bool WritePreviewDiff(std::ostream& out, const std::string& folder) const;
    // The changes of the last preview, file by file, each file named by its folder and name.
    std::vector<FilePatch> PreviewPatches() const { return m_preview.diffs().Patches(); }
    // Whether the last preview changed lines only one for one, each into the line of the
    // same number (no string holds a line break, no conversion): then every changed line
    // may be kept or dropped on its own.
    bool PreviewChangesLineForLine() const;
    // The id of the journal the last run kept; empty when it kept none.
    const std::string& lastJournalId() const { return m_lastJournalId; }

private:
    using FileAction = std::function<void(const std::string& directory, const std::string& name)>;

    // The first step shared by both drivers: the run's control and header begin. Returns
    // how many extensions the two remembered lists held, for what the run adds to them.
    std::pair<std::size_t, std::size_t> BeginRun(bool batch);
    // The file-list step shared by both drivers. False when the dialog was cancelled.
    bool BuildSearchFileList();
    // Builds the file list and hands each file of it to `process`, once per file, until the
    // run is stopped or aborted. Returns the outcome when the run ends before any file.
    // Without questions to ask, and given `makeScanner`, workers read (and when it makes
    // scanners, scan) the files ahead of `process`, which finds them through `context`.
    std::optional<RunOutcome> RunFileLoop(
        std::string_view abortedLine, std::string& firstDirectory, PassContext& context,
        const std::optional<FileReadAhead::ScannerFactory>& makeScanner, const FileAction& process);
    // How many workers read files ahead of the run's own thread.
    int AheadWorkers() const;
    // The closing steps shared by both drivers, after the file loop. True when the run
    // ended aborted.
    bool FinishRun(bool aborted, std::string_view abortedLine, std::string_view stoppedLine,
                   std::size_t savedIncludeCount, std::size_t savedExcludeCount,
                   const std::string& firstDirectory);
    // Writes a setting the run changed, unless the run is a preview.
    void WriteRunSetting(SettingKey key);
    void AddStoppedLines(std::string_view stoppedLine);
    // The files the walk left out, and why.
    void AddWalkSummary();
    // Every pair of a regular-expression batch, compiled; false (shown and logged) when
    // one is refused.
    bool CompileRegexPairs(std::vector<std::unique_ptr<RegexPair>>& compiled);
    void AddRunEndReason();
    void ReleaseFileList();
    // The problem entries, one log line each.
    void AddProblemLines();
    // Checks and runs `request` once the run is marked started and its files are listed.
    RunOutcome RunChecked(const RunRequest& request);
    // In a preview: notes how the files, folders and batch file it reads are now.
    void NotePreviewedFiles();
    // The files of the list a stopped run never reached (the first kUnreachedNamed of them);
    // their number goes to m_unreachedCount.
    std::vector<std::string> UnreachedFiles();
    void AddUnreachedLines(const std::vector<std::string>& files);
    // Whether the journal folder may be used; when not, the user is told why.
    bool JournalFolderUsable();
    // A run that may change files starts its journal (written from its first change on).
    // `subject` is what the journal names as the run's search string: by default the
    // plan's, the batch file in a batch run.
    void StartJournal(std::string_view kind, std::optional<std::string> subject = std::nullopt);
    // The journal is ended, the journals of older runs pruned.
    void EndJournal(bool aborted);

    SessionHosts m_hosts;
    ProgressReporter m_progress;
    LogStore m_log;
    RunEvents m_events;
    BackupKeeper m_backups;
    ExtensionLists m_extensions;
    CBatchSRList m_batchPairs;
    FileWalk m_walk;
    LineMatcher m_matcher;
    LineBreakType m_previousType = LineBreakType::Dos;
    RunRequest m_lastRequest;
    PreviewRecord m_preview;
    std::optional<RunRecorder> m_recorder;
    std::string m_lastJournalId;
    RunHeader m_header{m_log};
    int m_reportLineCount = 0;
    // The first file of the list the last run did not reach, and how many it did not.
    std::size_t m_firstUnreached = 0;
    std::size_t m_unreachedCount = 0;
    // How many of the files a stopped run did not reach the log names.
    static constexpr std::size_t kUnreachedNamed = 1000;
};

}  // namespace kesto
