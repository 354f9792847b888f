// The command line of kesto-cli: what kind of run, its switches and its files.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/ExtensionLists.h"

namespace kesto::cli {

enum class RunKind {
    None,
    Search,
    Insert,
    Strip,
    Convert,
    Batch,
    ApplyDiff,
    ListRuns,
    Undo,
    Recover,
};

struct CliOptions {
    RunKind kind = RunKind::None;
    std::string search;
    std::string replace;
    std::string insertText;
    std::string column;
    std::string conversion;  // dos2unix, ...
    std::string batchFile;
    std::string diffFile;  // --apply-diff: a file, or - for standard input

    bool matchCase = false;
    bool wholeWord = false;
    bool firstOnly = false;
    bool special = false;
    bool wildcards = false;
    bool regex = false;
    bool preserveCase = false;
    bool confirm = false;

    std::vector<std::string> files;
    std::optional<std::string> directory;
    std::string filter = "*.*";
    bool subdirectories = false;
    std::optional<int> threads;  // --threads: how many threads the run uses
    bool binary = false;         // take binary files too
    bool ignoreFiles = false;    // leave out what the ignore files exclude
    bool unicodeCase = false;    // fold and shape every letter of UTF-8 text

    std::string undoId;  // empty: the newest run that can be undone
    std::optional<std::string> stateFolder;

    std::optional<std::string> iniPath;
    ExtensionChoice unknownExtension = ExtensionChoice::SessionSearch;
    std::optional<std::string> logPath;
    bool quiet = false;
    bool dryRun = false;  // also set by --diff
    bool diff = false;
    bool help = false;
    bool version = false;
};

struct ParseResult {
    CliOptions options;
    std::string error;  // not empty: a usage error
};

ParseResult ParseCommandLine(const std::vector<std::string>& arguments);

const char* UsageText();

}  // namespace kesto::cli
