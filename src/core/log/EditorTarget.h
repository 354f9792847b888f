// EditorTarget: which file, at which line, a double-click on a log line opens.
//
// A file header or a problem entry names its file directly (line 1). A report line takes
// the line number of the nearest numbered line at or above it and the file of the nearest
// file header above it. The lines the driver wrote before the first file report (the
// banner, strings and options) are never taken.
#pragma once

#include <optional>
#include <string>

#include "log/LogStore.h"

namespace kesto {

struct EditorTarget {
    std::string path;
    int line = 1;
};

// Nothing when the line is a header line of the run, lies beyond the store, or no file can
// be found for it (the view beeps).
std::optional<EditorTarget> LocateEditorTarget(const LogStore& store, int index,
                                               int headerLineCount, bool batchMode);

// The source line number a log line carries: the run of at least five digits that starts
// at its first digit. Nothing when its first digit does not start such a run.
std::optional<int> NumberedLineNumber(std::string_view line);

}  // namespace kesto
