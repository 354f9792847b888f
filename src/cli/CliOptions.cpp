#include "cli/CliOptions.h"

#include <charconv>
#include <map>

#include "settings/SettingChecks.h"

namespace kesto::cli {
namespace {

// A count of threads as the settings take it: a whole number from 0 to 64, digits only.
std::optional<int> ThreadCount(const std::string& text) {
    int count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() ||
        !kThreadsRange.Holds(count)) {
        return std::nullopt;
    }
    return count;
}

const std::map<std::string, ExtensionChoice>& ExtensionChoices() {
    static const std::map<std::string, ExtensionChoice> choices = {
        {"always-search", ExtensionChoice::AlwaysSearch},
        {"always-exclude", ExtensionChoice::AlwaysExclude},
        {"session-search", ExtensionChoice::SessionSearch},
        {"session-exclude", ExtensionChoice::SessionExclude},
        {"all-always", ExtensionChoice::AllAlwaysSearch},
        {"all-session", ExtensionChoice::AllSessionSearch},
        {"stop", ExtensionChoice::StopNow},
        {"abort", ExtensionChoice::Abort},
    };
    return choices;
}

bool IsConversion(const std::string& direction) {
    for (const char* known :
         {"dos2unix", "dos2mac", "unix2dos", "unix2mac", "mac2dos", "mac2unix"}) {
        if (direction == known) return true;
    }
    return false;
}

}  // namespace

const char* UsageText() {
    return "Usage: kesto-cli [OPTIONS] [FILE...]\n"
           "\n"
           "One kind of run:\n"
           "  -s, --search TEXT        search string (single mode)\n"
           "  -r, --replace TEXT       replace string (default: empty)\n"
           "      --insert TEXT --column N   insert TEXT at column N of every line\n"
           "      --strip              strip white space at line ends\n"
           "      --convert DIR        dos2unix, dos2mac, unix2dos, unix2mac, mac2dos, mac2unix\n"
           "  -b, --batch FILE.sr      apply the numbered pairs of a batch file\n"
           "      --apply-diff FILE    apply a unified diff (- reads standard input) to the\n"
           "                           files it names below the current folder\n"
           "\n"
           "Switches:\n"
           "  -c, --match-case         Match Case\n"
           "  -w, --whole-word         Match Whole Word Only\n"
           "  -1, --first-only         First Instance Only\n"
           "  -e, --special            Special Char Session\n"
           "  -W, --wildcards          ? and * are Wild Cards\n"
           "  -E, --regex              the search string is a regular expression (PCRE2);\n"
           "                           the replace string may use $0, $1..$99, ${name}, $$\n"
           "  -P, --preserve-case      each replacement takes the case of the text it replaces\n"
           "      --unicode-case       in text that is valid UTF-8, case-blind matching folds\n"
           "                           every letter (Unicode simple case folding), whole word\n"
           "                           counts every letter and digit in a regular expression,\n"
           "                           Preserve Case shapes every cased letter\n"
           "  -i, --confirm            Confirm each Replace, answered on standard input\n"
           "\n"
           "Files:\n"
           "  FILE...                  the files, in this order\n"
           "  -d, --dir DIR            start directory of a walk\n"
           "  -f, --filter PATTERNS    file filter of the walk (default *.*)\n"
           "  -R, --subdirs            search subdirectories (never one whose name begins\n"
           "                           with a dot, nor a link to one)\n"
           "      --binary             also take binary files (by default a file with a NUL\n"
           "                           byte near its start, or mostly control bytes, is listed\n"
           "                           as a problem, never changed; UTF-16/UTF-32 text with a\n"
           "                           byte-order mark is decoded and searched as text)\n"
           "      --ignore-files       leave out what .gitignore, .ignore and .git/info/exclude\n"
           "                           exclude (git's rules)\n"
           "                           A walk never takes the backups of earlier runs (a file\n"
           "                           named as the backup of a file beside it) while the\n"
           "                           setting SkipBackUpFiles is on (the default)\n"
           "\n"
           "Other:\n"
           "      --ini PATH           the settings file\n"
           "      --unknown-ext CHOICE always-search, always-exclude, session-search (default),\n"
           "                           session-exclude, all-always, all-session, stop, abort\n"
           "      --log PATH           also save the log to PATH (CR LF line ends)\n"
           "      --threads N          threads of the run: 0 (the default) adds a worker per\n"
           "                           processor core, 1 does every file on one thread,\n"
           "                           N reads, searches and writes ahead on N-1 workers\n"
           "  -q, --quiet              no progress display\n"
           "  -n, --dry-run            preview: the whole run and its log, no file changed\n"
           "      --diff               preview as a unified diff on standard output\n"
           "\n"
           "Taking runs back:\n"
           "      --runs               list the kept runs, newest first\n"
           "      --undo [ID]          undo run ID (default: the newest that can be undone)\n"
           "      --recover            finish the runs that did not end: their originals\n"
           "                           put back, or the removal of their backups finished\n"
           "      --state DIR          where run journals are kept, a folder of your own\n"
           "                           (default $XDG_STATE_HOME/kesto/runs; '' keeps none)\n"
           "  -h, --help               this text\n"
           "      --version            the version\n";
}

ParseResult ParseCommandLine(const std::vector<std::string>& arguments) {
    ParseResult result;
    CliOptions& o = result.options;
    int kinds = 0;
    const auto setKind = [&](RunKind kind) {
        if (o.kind != kind) ++kinds;
        o.kind = kind;
    };
    bool onlyFiles = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
            o.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size()) return std::nullopt;
            return arguments[++i];
        };
        const auto need = [&](std::string& target) {
            auto v = value();
            if (!v) {
                result.error = "option " + arg + " needs an argument";
                return false;
            }
            target = *v;
            return true;
        };
        std::string text;
        if (arg == "-s" || arg == "--search") {
            if (!need(o.search)) return result;
            setKind(RunKind::Search);
        } else if (arg == "-r" || arg == "--replace") {
            if (!need(o.replace)) return result;
        } else if (arg == "--insert") {
            if (!need(o.insertText)) return result;
            setKind(RunKind::Insert);
        } else if (arg == "--column") {
            if (!need(o.column)) return result;
        } else if (arg == "--strip") {
            setKind(RunKind::Strip);
        } else if (arg == "--convert") {
            if (!need(o.conversion)) return result;
            if (!IsConversion(o.conversion)) {
                result.error = "unknown conversion: " + o.conversion;
                return result;
            }
            setKind(RunKind::Convert);
        } else if (arg == "-b" || arg == "--batch") {
            if (!need(o.batchFile)) return result;
            setKind(RunKind::Batch);
        } else if (arg == "--apply-diff") {
            if (!need(o.diffFile)) return result;
            setKind(RunKind::ApplyDiff);
        } else if (arg == "--runs") {
            setKind(RunKind::ListRuns);
        } else if (arg == "--undo") {
            setKind(RunKind::Undo);
            if (i + 1 < arguments.size() && !arguments[i + 1].empty() &&
                arguments[i + 1][0] != '-') {
                o.undoId = arguments[++i];
            }
        } else if (arg == "--recover") {
            setKind(RunKind::Recover);
        } else if (arg == "--state") {
            if (!need(text)) return result;
            o.stateFolder = text;
        } else if (arg == "-c" || arg == "--match-case") {
            o.matchCase = true;
        } else if (arg == "-w" || arg == "--whole-word") {
            o.wholeWord = true;
        } else if (arg == "-1" || arg == "--first-only") {
            o.firstOnly = true;
        } else if (arg == "-e" || arg == "--special") {
            o.special = true;
        } else if (arg == "-W" || arg == "--wildcards") {
            o.wildcards = true;
        } else if (arg == "-E" || arg == "--regex") {
            o.regex = true;
        } else if (arg == "-P" || arg == "--preserve-case") {
            o.preserveCase = true;
        } else if (arg == "-i" || arg == "--confirm") {
            o.confirm = true;
        } else if (arg == "-d" || arg == "--dir") {
            if (!need(text)) return result;
            o.directory = text;
        } else if (arg == "-f" || arg == "--filter") {
            if (!need(o.filter)) return result;
        } else if (arg == "-R" || arg == "--subdirs") {
            o.subdirectories = true;
        } else if (arg == "--threads") {
            if (!need(text)) return result;
            const std::optional<int> threads = ThreadCount(text);
            if (!threads) {
                result.error = "--threads takes a number from 0 to 64";
                return result;
            }
            o.threads = threads;
        } else if (arg == "--binary") {
            o.binary = true;
        } else if (arg == "--ignore-files") {
            o.ignoreFiles = true;
        } else if (arg == "--unicode-case") {
            o.unicodeCase = true;
        } else if (arg == "--ini") {
            if (!need(text)) return result;
            o.iniPath = text;
        } else if (arg == "--unknown-ext") {
            if (!need(text)) return result;
            const auto found = ExtensionChoices().find(text);
            if (found == ExtensionChoices().end()) {
                result.error = "unknown --unknown-ext choice: " + text;
                return result;
            }
            o.unknownExtension = found->second;
        } else if (arg == "--log") {
            if (!need(text)) return result;
            o.logPath = text;
        } else if (arg == "-q" || arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "-n" || arg == "--dry-run") {
            o.dryRun = true;
        } else if (arg == "--diff") {
            o.diff = true;
            o.dryRun = true;
        } else if (arg == "-h" || arg == "--help") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else {
            result.error = "unknown option: " + arg;
            return result;
        }
    }
    if (o.help || o.version) return result;
    if (kinds > 1) {
        result.error = "give exactly one kind of run";
    } else if (o.kind == RunKind::None) {
        result.error =
            "no run given: use --search, --insert, --strip, --convert, --batch, --apply-diff, "
            "--runs, --undo or --recover";
    } else if (o.kind >= RunKind::ListRuns && (!o.files.empty() || o.directory || o.dryRun)) {
        result.error = "--runs, --undo and --recover take no files and no preview";
    } else if (o.kind == RunKind::ApplyDiff && (!o.files.empty() || o.directory)) {
        result.error = "--apply-diff takes its files from the diff";
    } else if (o.regex && (o.wildcards || o.special)) {
        result.error = "-E takes neither -W nor -e";
    } else if ((o.regex || o.preserveCase) && o.kind != RunKind::Search &&
               o.kind != RunKind::Batch) {
        result.error = "-E and -P go with --search or --batch";
    } else if (o.kind == RunKind::Insert && o.column.empty()) {
        result.error = "--insert needs --column";
    } else if (o.directory && !o.files.empty()) {
        result.error = "give either files or --dir, not both";
    }
    return result;
}

}  // namespace kesto::cli
