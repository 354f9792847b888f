// RunJournal: the record of one run that changes files, kept so that the run can be taken
// back later, or finished after a crash.
//
// A journal is a text file of records, one a line: a type, tab-separated fields with tab,
// line feed, carriage return and '%' written as %09, %0A, %0D and %25, and a checksum of the
// line. The first line names the format. A record that a step depends on reaches the disk
// before the step is taken (MayReplace, ChangesSettled, and AboutToReplace when asked); the
// others are gathered and ride along with the next one that is flushed, or reach the file in
// groups and the disk when the system writes them back.
// The end record is not flushed: lost in a power cut, it leaves a run that had finished
// looking like one cut off after its last change, which recovery finishes as an abort, as
// it would have been a moment earlier. A reader trusts the lines up to the first
// incomplete or damaged one and says where that was.
//
// A journal can only name what its run could have touched: each file with its backup beside
// it, named by the run's backup naming, and the folder both are in by device and inode. A
// record that names anything else is damaged, and nothing is ever done to its files. The
// checksums find torn and damaged lines, not forged ones: a journal is believed because it
// lies in the user's own state folder (see StateFolder), which nobody else can write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/FolderIdentity.h"
#include "journal/StateFolder.h"
#include "text/BackupName.h"
#include "text/ContentHash.h"
#include "text/UniqueFd.h"

namespace kesto {

// Which file a name held: enough to know it again without reading it.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    bool operator==(const FileStamp&) const = default;
};

// A file the run may replace, as far as it is known before it is read.
struct IntendedFile {
    std::string path;
    std::string backupPath;
    FileStamp original;
    FolderIdentity folder;  // of both
};

// What was run, as the journal's first record names it.
struct RunDescription {
    std::string kind;  // "single", "batch", "strip", "insert", "convert", "diff", "undo"
    std::string search;
    std::string replace;
    std::string switches;
    std::string settingsPath;
    // How the run names backups: every backup path is this naming of its file's path.
    BackupNaming naming;
    // Every temporary name the run makes begins with ".kesto-", this and "-" (see
    // TemporaryNamePrefix); empty when it makes none.
    std::string temporaryPrefix;
};

// The start of every temporary name made by the run of `prefix`.
std::string TemporaryNamePrefix(std::string_view prefix);
// A prefix for the temporary names of a new run: twelve hexadecimal digits nobody can guess.
std::string NewTemporaryPrefix();

struct JournalContents;

class RunJournal {
public:
    // Creates a new journal in `folder` (which must exist), with its name on disk; its first
    // record reaches the disk with the next record that is flushed. Nothing, with the
    // reason in `error`, when it cannot.
    [[nodiscard]] static std::optional<RunJournal> Create(const StateFolder& folder,
                                                          const RunDescription& run,
                                                          std::string& error);
    // The same in the state folder at `folder`, made when missing; refused as StateFolder
    // refuses a folder.
    [[nodiscard]] static std::optional<RunJournal> Create(const std::string& folder,
                                                          const RunDescription& run,
                                                          std::string& error);

    // Takes the journal `name` of `folder`, of a run that is over, from every other process
    // for as long as the result lives, to read it and add to it. Nothing, with the reason,
    // when another process holds it (its run still going, or another undo or recovery of
    // it) or it is no journal of the user's own.
    [[nodiscard]] static std::optional<RunJournal> Hold(const StateFolder& folder,
                                                        const std::string& name,
                                                        std::string& error);
    // What a held journal says, read through its own descriptor.
    std::optional<JournalContents> Read() const;
    // Cuts off what follows the first `trustedSize` bytes, so that records added next follow
    // the last whole one.
    bool CutAfter(std::size_t trustedSize);

    const std::string& id() const { return m_id; }
    const std::string& path() const { return m_path; }

    // Any of `files` may take new content from now on, each with its original kept at its
    // backup path. On disk before it returns.
    bool MayReplace(const std::vector<IntendedFile>& files);
    // `path` is about to take the new content; `backupPath` keeps its original. On disk
    // before it returns when `toDisk`; a file already written by MayReplace needs no flush
    // of its own.
    bool AboutToReplace(const std::string& path, const std::string& backupPath,
                        const FolderIdentity& folder, const ContentHash& before,
                        const ContentHash& after, bool toDisk);
    // `path` holds the new content.
    bool Replaced(const std::string& path);
    // The run has made its last change and now removes its backups: "delete" or "trash".
    // On disk before it returns, with every record before it, so that a run cut off while
    // it removes backups is finished, not taken back half.
    bool ChangesSettled(std::string_view removal);
    // Where the backup of `path` went at the end: "kept", "deleted", or "trash:" and the
    // place in the trash.
    bool BackupFate(const std::string& path, std::string_view fate);
    // The run has ended (taken back when `aborted`).
    bool End(bool aborted);

    static constexpr std::string_view kFormatLine = "kesto run journal 2";
    // The format before the files' folders and the run's naming were recorded: read, never
    // acted on.
    static constexpr std::string_view kFirstFormatLine = "kesto run journal 1";

private:
    RunJournal(UniqueFd fd, std::string id, std::string path);
    bool Append(std::string_view type, const std::vector<std::string_view>& fields, bool toDisk);
    bool Write(std::string_view lines, bool toDisk);
    bool WritePending();

    static constexpr std::size_t kPendingLimit = 64 * 1024;

    UniqueFd m_fd;
    std::string m_id;
    std::string m_path;
    // Records written to the file with the next one that must reach the disk, or once
    // there are enough of them.
    std::string m_pending;
    bool m_failed = false;
};

// A journal as read back.
struct JournalEntry {
    // Intended: only the file as it was before the run is known (its stamp); its hashes
    // are not.
    enum class State { Intended, AboutToReplace, Replaced };
    std::string path;
    std::string backupPath;
    FolderIdentity folder;
    ContentHash before;
    ContentHash after;
    State state = State::AboutToReplace;
    FileStamp original;
    std::string backupFate;  // empty until recorded
    // Why the record names what its run could not have touched; empty when it is sound.
    // Nothing is ever done to the files of a damaged record.
    std::string damage;
};

struct JournalContents {
    std::string id;
    std::string startTime;  // UTC, ISO 8601
    std::string endTime;
    long pid = 0;
    RunDescription run;
    std::vector<JournalEntry> files;
    // The run had made its last change and was removing its backups: "delete" or "trash".
    std::string settled;
    bool ended = false;
    bool aborted = false;
    // Where the journal stops being trustworthy ("line 7: damaged"); empty when it is whole.
    std::string damage;
    // How many bytes from the start can be trusted.
    std::size_t trustedSize = 0;
};

// Whether the run of the journal `name` in `folder` is still going on (its process holds
// it), or another process undoes or recovers it.
bool RunJournalInUse(int folder, const std::string& name);
bool RunJournalInUse(const std::string& path);

// Whether the journal `name` in `folder` ends with a whole end record; reads only its end.
bool RunJournalEnded(int folder, const std::string& name);
bool RunJournalEnded(const std::string& path);

// The largest journal that is read.
inline constexpr long long kMaxJournalSize = 1LL << 30;

// Reads the journal open at `fd`; nothing when it cannot be read or is no journal at all. A
// file that is not the user's own (see StateFolder::JournalRefusal) is not believed: its
// contents say only why, in `damage`.
std::optional<JournalContents> ReadRunJournalFrom(int fd);
// The same for the journal `name` in `folder`, or at `path`, opened without following a link.
std::optional<JournalContents> ReadRunJournal(int folder, const std::string& name);
std::optional<JournalContents> ReadRunJournal(const std::string& path);

}  // namespace kesto
