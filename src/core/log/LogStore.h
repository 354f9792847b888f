// LogStore: the report of one log window's run, the numbered problem entries, and the
// display-frame arithmetic of the log view.
//
// It takes a run's events (a file begun, refused or left alone, a changed line, a report
// line, a stop) as the run reports them, and the drivers append their own lines through
// AddPlainLogLine and AddLogLine; the store adds the file header before the first line of a
// file, splits texts that hold line breaks into numbered lines and
// stops growing at the line limit (stopping the run through its control). Lines are
// stored once, in blocks that never move; the view reads them by index, frame by frame,
// without copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "events/RunEvents.h"
#include "log/ProblemList.h"
#include "run/ProgressReporter.h"
#include "run/Prompter.h"
#include "run/RunControl.h"

namespace kesto {

class LogStore : public RunEventSink {
public:
    static constexpr int kLineLimit = 2'048'000;
    static constexpr int kDisplayFrameSize = 32000;
    static constexpr std::size_t kMaxLineLength = 32000;
    // A line wider than this many pixels does not widen the scroll extent.
    static constexpr int kMaxExtentPixels = 32700;

    LogStore(RunControl& control, Prompter& prompter);

    // --- The file being processed ---

    // Names the file that the next lines and problem entries are about; the next
    // AddLogLine first writes its header "     File --- path".
    void BeginFile(std::string path);
    const std::string& currentFilePath() const { return m_currentFilePath; }

    // --- A run's events ---

    void On(const FileBegun& event) override;
    // A problem entry for the file begun, with the reason.
    void On(const FileRefused& event) override;
    void On(const FileLeftAlone& event) override;
    // Its "ORG: " and "MOD: " lines and a blank one.
    void On(const LineChanged& event) override;
    void On(const ReportLine& event) override;
    // A blank line, and the line of the stop.
    void On(const RunStopped& event) override;

    // --- Appending ---

    // Appends one report line, or once lines are split at breaks one line per piece of
    // `text`.
    void AddLogLine(std::string_view text);
    // From now on a report line that holds line breaks (a search or replace text that
    // spans lines) is split into numbered lines; SetSplitLinesAtBreaks(false) ends it.
    void SplitLinesAtBreaks() { m_splitLinesAtBreaks = true; }
    void SetSplitLinesAtBreaks(bool split) { m_splitLinesAtBreaks = split; }
    bool splitsLinesAtBreaks() const { return m_splitLinesAtBreaks; }
    // Whether `lines` more lines stay below the line limit.
    bool HasRoomFor(std::size_t lines) const { return m_lineCount + lines < kLineLimit; }
    // Appends exactly one line: no header, no limit, no splitting.
    void AddPlainLogLine(std::string_view text);
    // Numbers a problem entry for the current file: "     n) --- path ... reason", or
    // without a reason "     n) --- path".
    void RecordProblemFile(std::string_view reason = {});
    // Frees every line. The problem entries stay: they belong to the run, not the display.
    void ClearLog();

    // --- Reading ---

    int logLineCount() const { return static_cast<int>(m_lineCount); }
    std::string_view line(int index) const;
    int longestLogLine() const { return m_longestLogLine; }
    void SetCharWidth(int pixels) { m_charWidth = pixels; }

    const ProblemList& problemList() const { return m_problemFiles; }
    // Every problem entry, as the log shows it: a copy, for the few that want them at once.
    std::vector<std::string> problemFiles() const;
    int problemCounter() const { return static_cast<int>(m_problemFiles.size()); }

    // --- Loading a saved log ---

    enum class LoadOutcome { Loaded, BatchFile, CannotOpen, Refused };
    // Reads a saved log into the (empty) store: every non-empty line, up to the line limit.
    // A name ending in ".sr" is not read: the caller opens it as a batch file. A file
    // without a line break, or with a line over 32000 characters, is refused with a
    // message and leaves the store empty. `progress` may be null.
    LoadOutcome LoadLogFile(const std::string& path, ProgressReporter* progress);
    // Writes every line, each followed by CR LF. False when the file could not be written.
    bool SaveLogFile(const std::string& path) const;

    bool logFramePending() const { return m_logFramePending; }
    void ClearLogFramePending() { m_logFramePending = false; }

    // --- Display frames: frame n (1-based) holds lines (n-1)*32000 up to n*32000 ---

    static int FrameCountFor(int lineCount);
    static int FrameOfLine(int index) { return index / kDisplayFrameSize + 1; }
    static int PositionInFrame(int index) { return index % kDisplayFrameSize; }
    static int FrameFirstLine(int frame) { return (frame - 1) * kDisplayFrameSize; }
    int FrameEndLine(int frame) const;

private:
    bool AppendLine(std::string_view text, std::size_t lengthForExtent);
    void AppendSplit(std::string_view text);
    void ReportLoadRefusal(const std::string& message);

    RunControl& m_control;
    Prompter& m_prompter;
    bool m_splitLinesAtBreaks = false;

    // The lines one after another in blocks that are never moved once made: a log of
    // millions of lines grows without copying what it holds. A line longer than a block gets
    // a block of its own.
    static constexpr std::size_t kBlockSize = std::size_t{1} << 20;
    static std::uint64_t StartOf(std::size_t block, std::size_t offset) {
        return static_cast<std::uint64_t>(block) << 32 | offset;
    }
    std::vector<std::string> m_blocks;
    // Each line's block (high half) and offset in it, in pieces of a fixed size that are
    // never moved either: two million starts in one array would copy 8 MB and touch 16 MB
    // afresh in one go when it doubles, holding up the window that shows the run.
    static constexpr int kStartsPieceShift = 14;
    static constexpr std::size_t kStartsPerPiece = std::size_t{1} << kStartsPieceShift;
    std::uint64_t StartAt(std::size_t line) const {
        return m_startPieces[line >> kStartsPieceShift][line & (kStartsPerPiece - 1)];
    }
    void PushStart(std::uint64_t start);
    std::vector<std::unique_ptr<std::uint64_t[]>> m_startPieces;
    std::size_t m_lineCount = 0;
    int m_longestLogLine = 0;
    int m_charWidth = 6;

    std::string m_currentFilePath;
    std::string m_changedLineText;  // a changed line's report line as it is built
    bool m_fileHeaderPending = false;
    bool m_lineLimitNoticePending = true;
    bool m_logFramePending = false;

    ProblemList m_problemFiles;
};

}  // namespace kesto
