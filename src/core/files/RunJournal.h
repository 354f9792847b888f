// RunJournal: the record of one run that changes files, kept so that the run can be taken
// back later, or finished as an abort after a crash.
//
// A journal is a text file of records, one a line: a type, tab-separated fields with tab,
// line feed, carriage return and '%' written as %09, %0A, %0D and %25, and a checksum of the
// line. The first line names the format. A record that describes a step reaches the disk
// before the step is taken (AboutToReplace, End); others ride along with the next one that
// is flushed. A reader trusts the lines up to the first incomplete or damaged one and says
// where that was.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/ContentHash.h"
#include "text/UniqueFd.h"

namespace kesto {

// What was run, as the journal's first record names it.
struct RunDescription {
    std::string kind;  // "single", "batch", "strip", "insert", "convert", "undo"
    std::string search;
    std::string replace;
    std::string switches;
    std::string settingsPath;
};

class RunJournal {
public:
    // Creates a new journal in `folder` (made, private to the user, when missing) and
    // writes its first record to disk. Nothing, with the reason in `error`, when it cannot.
    static std::optional<RunJournal> Create(const std::string& folder, const RunDescription& run,
                                            std::string& error);

    const std::string& id() const { return m_id; }
    const std::string& path() const { return m_path; }

    // `path` is about to take the new content; `backupPath` keeps its original. On disk
    // before it returns.
    bool AboutToReplace(const std::string& path, const std::string& backupPath,
                        const ContentHash& before, const ContentHash& after);
    // `path` holds the new content.
    bool Replaced(const std::string& path);
    // Where the backup of `path` went at the end: "kept", "deleted", or "trash:" and the
    // place in the trash.
    bool BackupFate(const std::string& path, std::string_view fate);
    // The run has ended (taken back when `aborted`). On disk before it returns.
    bool End(bool aborted);

    static constexpr std::string_view kFormatLine = "kesto run journal 1";

private:
    RunJournal(UniqueFd fd, std::string id, std::string path);
    bool Append(std::string_view type, const std::vector<std::string_view>& fields, bool toDisk);

    UniqueFd m_fd;
    std::string m_id;
    std::string m_path;
    bool m_failed = false;
};

// A journal as read back.
struct JournalEntry {
    enum class State { AboutToReplace, Replaced };
    std::string path;
    std::string backupPath;
    ContentHash before;
    ContentHash after;
    State state = State::AboutToReplace;
    std::string backupFate;  // empty until recorded
};

struct JournalContents {
    std::string id;
    std::string startTime;  // UTC, ISO 8601
    std::string endTime;
    long pid = 0;
    RunDescription run;
    std::vector<JournalEntry> files;
    bool ended = false;
    bool aborted = false;
    // Where the journal stops being trustworthy ("line 7: damaged"); empty when it is whole.
    std::string damage;
};

// Reads the journal at `path`; nothing when it cannot be read or is no journal at all.
std::optional<JournalContents> ReadRunJournal(const std::string& path);

}  // namespace kesto
