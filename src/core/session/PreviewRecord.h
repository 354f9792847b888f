// PreviewRecord: what the window's last preview read and would change: the files, folders
// and batch file as it read them, the diff of what it would rewrite, and whether it went
// through every file. Apply Preview and Save as Diff go by it, and only while it still
// holds.
#pragma once

#include <ostream>
#include <string>

#include "files/FileFingerprint.h"
#include "session/PreviewDiffs.h"

namespace kesto {

class PreviewRecord {
public:
    // A run begins: whatever the last preview read and would change is forgotten.
    void Begin();
    // The preview read `path` (a file, a folder it walked, its batch file) as it is now.
    void NoteRead(const std::string& path) { m_read.Add(path); }
    // The run ended. Only a preview that went through every file shows what the run would
    // do; an aborted one keeps no diff.
    void End(bool preview, bool aborted, bool stopped);

    bool complete() const { return m_complete; }
    // Whether the preview is complete and everything it read is as it read it.
    bool StillHolds() const { return m_complete && !m_read.empty() && m_read.StillHolds(); }
    // The diff, which subscribes to the runs' events to take what a preview would rewrite.
    PreviewDiffs& diffs() { return m_diffs; }
    const PreviewDiffs& diffs() const { return m_diffs; }

private:
    bool m_complete = false;
    FileFingerprint m_read;
    PreviewDiffs m_diffs;
};

}  // namespace kesto
