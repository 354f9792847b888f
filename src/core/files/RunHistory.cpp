#include "files/RunHistory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <tuple>

#include "files/RunRecorder.h"
#include "text/BackupName.h"
#include "text/UniqueFd.h"

namespace kesto {
namespace {

using State = JournalEntry::State;

std::optional<struct stat> LinkStatus(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return st;
}

std::optional<ContentHash> HashOfFile(const std::string& path) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    ContentHasher hasher;
    char block[256 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd.get(), block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        hasher.Update(std::string_view(block, static_cast<std::size_t>(got)));
    }
    return hasher.Digest();
}

// Journals of the folder, newest first: an id begins with the time the run started.
std::vector<std::string> JournalPaths(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            struct stat st {};
            // Only regular files: a link, a pipe or a device there is no journal.
            if (name.size() > 8 && name.ends_with(".journal") && name.front() != '.' &&
                ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(st.st_mode)) {
                names.emplace_back(name);
            }
        }
        ::closedir(dir);
    }
    // By id (YYYYMMDD-HHMMSS.mmm-pid[-n]): by the moment the run started, then, for
    // journals of one process in one millisecond, by n.
    const auto key = [](const std::string& name) {
        const std::string_view id = std::string_view(name).substr(0, name.size() - 8);
        const std::size_t time = std::min(id.find('-', id.find('-') + 1), id.size());
        const std::size_t dash = id.find('-', std::min(time + 1, id.size()));
        const std::string_view attempt =
            dash == std::string_view::npos ? std::string_view() : id.substr(dash + 1);
        return std::tuple(id.substr(0, time), attempt.size(), attempt, id);
    };
    std::sort(names.begin(), names.end(),
              [&key](const std::string& a, const std::string& b) { return key(a) > key(b); });
    for (std::string& name : names) name = folder + "/" + name;
    return names;
}

bool ReplacedByRun(const JournalEntry& entry) {
    return entry.state == State::Replaced;
}

// Where a backup the run kept can still be found: at its name, or in the trash.
bool BackupAvailable(const JournalEntry& entry) {
    if (entry.backupFate == "deleted" || entry.backupFate == "restored") return false;
    if (LinkStatus(entry.backupPath)) return true;
    return entry.backupFate.starts_with("trash:") &&
           LinkStatus(entry.backupFate.substr(6)).has_value();
}

KeptRun Describe(std::string path, JournalContents journal) {
    KeptRun run;
    run.path = std::move(path);
    run.journal = std::move(journal);
    for (const JournalEntry& entry : run.journal.files) {
        if (!ReplacedByRun(entry)) continue;
        ++run.filesChanged;
        if (!run.undoable && run.journal.ended && !run.journal.aborted) {
            run.undoable = BackupAvailable(entry);
        }
    }
    run.unfinished = !run.journal.ended && !RunJournalInUse(run.path);
    return run;
}

// Swaps the contents of two names of one folder in one step, where the file system can;
// else through a third name, so that neither content is ever without a name.
bool SwapNames(const std::string& a, const std::string& b) {
    std::string folder(DirectoryOf(a));
    if (folder.empty()) folder = a.starts_with('/') ? "/" : ".";
    const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid()) return false;
    const std::string nameA(FileNameOf(a));
    const std::string nameB(FileNameOf(b));
    if (::renameat2(dir.get(), nameA.c_str(), dir.get(), nameB.c_str(), RENAME_EXCHANGE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    const std::string spare = ".kesto-swap-" + std::to_string(::getpid()) + ".tmp";
    if (::linkat(dir.get(), nameA.c_str(), dir.get(), spare.c_str(), 0) != 0) return false;
    if (::renameat(dir.get(), nameB.c_str(), dir.get(), nameA.c_str()) != 0) {
        ::unlinkat(dir.get(), spare.c_str(), 0);
        return false;
    }
    return ::renameat(dir.get(), spare.c_str(), dir.get(), nameB.c_str()) == 0;
}

// For each path, the newest run after `run` that changed it.
std::map<std::string, std::string> LaterChanges(const std::vector<KeptRun>& runs,
                                                const KeptRun& run) {
    std::map<std::string, std::string> later;
    for (const KeptRun& other : runs) {
        if (other.journal.id == run.journal.id) break;  // newest first: the rest are older
        for (const JournalEntry& entry : other.journal.files) {
            if (entry.state != State::Intended) later.emplace(entry.path, other.journal.id);
        }
    }
    return later;
}

// Why `entry` cannot be undone now; nothing when it can. A backup that went to the trash is
// taken back from it when `bin` is given.
std::optional<std::string> UndoRefusal(const JournalEntry& entry,
                                       const std::map<std::string, std::string>& later,
                                       RecycleBin* bin) {
    const auto laterRun = later.find(entry.path);
    const std::string byLater =
        laterRun == later.end() ? std::string() : " by a later run (" + laterRun->second + ")";
    if (entry.backupFate == "restored") return "put back when the run was aborted";
    if (entry.backupFate == "deleted") return "backup deleted";
    const std::optional<ContentHash> now = HashOfFile(entry.path);
    if (!now) return "file not found";
    if (*now != entry.after) {
        return byLater.empty() ? "edited since the run" : "changed" + byLater;
    }
    if (!LinkStatus(entry.backupPath) && entry.backupFate.starts_with("trash:")) {
        // What lies at that place now may be another file's, trashed later under the name.
        if (HashOfFile(entry.backupFate.substr(6)) != entry.before) {
            return "backup no longer in the Trash";
        }
        if (!bin) return std::nullopt;  // a check only: it can be taken back
        if (!bin->TakeBack(entry.backupFate.substr(6), entry.backupPath)) {
            return "backup no longer in the Trash";
        }
    }
    const std::optional<ContentHash> backup = HashOfFile(entry.backupPath);
    if (!backup) return "backup deleted";
    if (*backup != entry.before) {
        return byLater.empty() ? "backup changed since the run" : "backup replaced" + byLater;
    }
    return std::nullopt;
}

}  // namespace

std::string DefaultRunJournalFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/') return std::string(state) + "/kesto/runs";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "") + "/.local/state/kesto/runs";
}

int TakeBackResult::leftAlone() const {
    return static_cast<int>(
        std::count_if(files.begin(), files.end(), [](const FileOutcome& f) { return !f.done; }));
}

std::vector<KeptRun> RunHistory::Runs() const {
    std::vector<KeptRun> runs;
    for (std::string& path : JournalPaths(m_folder)) {
        std::optional<JournalContents> journal = ReadRunJournal(path);
        if (!journal) {
            journal.emplace();
            journal->damage = "not a run journal";
        }
        if (journal->id.empty()) {
            const std::string name(FileNameOf(path));
            journal->id = name.substr(0, name.size() - 8);
        }
        runs.push_back(Describe(std::move(path), std::move(*journal)));
    }
    return runs;
}

std::vector<std::string> RunHistory::UnfinishedRuns() const {
    std::vector<std::string> ids;
    for (const std::string& path : JournalPaths(m_folder)) {
        if (RunJournalEnded(path) || RunJournalInUse(path)) continue;
        // The end may be followed by something that is no record (a line added by hand):
        // the whole journal decides.
        const std::optional<JournalContents> journal = ReadRunJournal(path);
        if (journal && journal->ended) continue;
        const std::string name(FileNameOf(path));
        ids.push_back(name.substr(0, name.size() - 8));
    }
    return ids;
}

std::vector<FileOutcome> RunHistory::CheckUndo(const KeptRun& run, RecycleBin* bin) const {
    const std::map<std::string, std::string> later = LaterChanges(Runs(), run);
    std::vector<FileOutcome> outcomes;
    for (const JournalEntry& entry : run.journal.files) {
        if (!ReplacedByRun(entry)) continue;
        const std::optional<std::string> refusal = UndoRefusal(entry, later, bin);
        outcomes.push_back({entry.path, !refusal, refusal.value_or("")});
    }
    return outcomes;
}

TakeBackResult RunHistory::Undo(const std::string& id, RecycleBin& bin,
                                const std::string& settingsPath) {
    TakeBackResult result;
    const std::vector<KeptRun> runs = Runs();
    const auto chosen = std::find_if(runs.begin(), runs.end(), [&](const KeptRun& run) {
        return id.empty() ? run.undoable : run.journal.id == id;
    });
    if (chosen == runs.end()) {
        result.error = id.empty() ? "No run to undo!" : "No run " + id + " kept!";
        return result;
    }
    const KeptRun& run = *chosen;
    result.runId = run.journal.id;
    if (!run.journal.damage.empty()) {
        result.error = "The journal of run " + run.journal.id + " is damaged (" +
                       run.journal.damage + "), it can't be undone!";
    } else if (!run.journal.ended) {
        result.error = "Run " + run.journal.id + " did not end, recover it!";
    } else if (run.journal.aborted) {
        result.error = "Run " + run.journal.id + " was aborted, nothing to undo!";
    }
    if (!result.error.empty()) return result;

    const std::map<std::string, std::string> later = LaterChanges(runs, run);
    RunRecorder recorder(m_folder, {"undo", run.journal.id, "", "", settingsPath}, BackupNaming{});
    for (const JournalEntry& entry : run.journal.files) {
        if (!ReplacedByRun(entry)) continue;
        FileOutcome outcome{entry.path, false, ""};
        if (const auto refusal = UndoRefusal(entry, later, &bin)) {
            outcome.reason = *refusal;
        } else if (const auto file = LinkStatus(entry.path);
                   !file || !recorder.BeforeReplace(entry.path, entry.backupPath, *file,
                                                    entry.after, entry.before)) {
            outcome.reason = "the undo could not be journaled: " + recorder.error();
        } else if (!SwapNames(entry.path, entry.backupPath)) {
            outcome.reason = "could not be renamed";
        } else {
            recorder.Replaced(entry.path);
            outcome.done = true;
        }
        result.files.push_back(std::move(outcome));
    }
    result.newRunId = recorder.journalId();
    recorder.End(false);
    return result;
}

std::vector<TakeBackResult> RunHistory::Recover(RecycleBin* bin) {
    std::vector<TakeBackResult> results;
    const std::vector<KeptRun> runs = Runs();
    for (const std::string& id : UnfinishedRuns()) {
        const std::string path = m_folder + "/" + id + ".journal";
        TakeBackResult& result = results.emplace_back();
        result.runId = id;
        const std::optional<JournalContents> journal = ReadRunJournal(path);
        if (journal && journal->id.empty()) {
            // Cut off before its first flush, which comes before any change: nothing to do.
            ::unlink(path.c_str());
            results.pop_back();
            continue;
        }
        std::string error;
        std::optional<RunJournal> reopened =
            journal ? RunJournal::Reopen(path, journal->trustedSize, error) : std::nullopt;
        if (!reopened) {
            result.error = journal ? error : path + ": not a run journal";
            continue;
        }
        // The files of an undo are put back as they were before it: both versions kept.
        const bool undo = journal->run.kind == "undo";
        // A file a later run took is that run's now: what the two names hold is its doing.
        const auto self = std::find_if(runs.begin(), runs.end(),
                                       [&id](const KeptRun& run) { return run.journal.id == id; });
        const std::map<std::string, std::string> later =
            self == runs.end() ? std::map<std::string, std::string>() : LaterChanges(runs, *self);
        for (const JournalEntry& entry : journal->files) {
            FileOutcome outcome;
            if (const auto taken = later.find(entry.path); taken != later.end()) {
                if (entry.state == State::Intended) continue;
                outcome = {entry.path, false, "changed by a later run (" + taken->second + ")"};
            } else {
                outcome = RecoverFile(entry, undo, bin);
            }
            if (!outcome.path.empty()) result.files.push_back(std::move(outcome));
        }
        reopened->End(true);
    }
    return results;
}

FileOutcome RunHistory::RecoverFile(const JournalEntry& entry, bool swap, RecycleBin* bin) {
    // A file that is its own backup name was never taken by the run.
    if (SamePathIgnoringCase(entry.path, entry.backupPath)) return {};
    const std::optional<struct stat> file = LinkStatus(entry.path);
    if (!file) return {};
    if (!LinkStatus(entry.backupPath) && bin && entry.backupFate.starts_with("trash:") &&
        HashOfFile(entry.backupFate.substr(6)) == entry.before) {
        bin->TakeBack(entry.backupFate.substr(6), entry.backupPath);
    }
    const std::optional<struct stat> backup = LinkStatus(entry.backupPath);
    if (!backup) {
        // Without its backup a file the run replaced cannot get its original back here.
        const bool changed = entry.state == State::Intended
                                 ? !(RunRecorder::StampOf(*file) == entry.original)
                                 : HashOfFile(entry.path) == entry.after;
        if (!changed) return {};
        return {entry.path, false,
                "may hold the run's change, and no backup is beside it (look in the Trash)"};
    }
    const bool sameFile = file->st_ino == backup->st_ino && file->st_dev == backup->st_dev;
    bool replaced = false;
    bool backupIsOriginal = false;
    if (entry.state == State::Intended) {
        // Only the stamps are known: the original still at its name, or at the backup's.
        replaced = !sameFile && RunRecorder::StampOf(*backup) == entry.original &&
                   !(RunRecorder::StampOf(*file) == entry.original);
        backupIsOriginal = replaced;
        // The run wrote its new file before it linked the backup (which marked the
        // backup's status-change time); a file modified later was edited since.
        const timespec written = file->st_mtim;
        const timespec linked = backup->st_ctim;
        if (replaced && (written.tv_sec > linked.tv_sec ||
                         (written.tv_sec == linked.tv_sec && written.tv_nsec > linked.tv_nsec))) {
            return {entry.path, false, "changed since the run, left as it is"};
        }
    } else {
        const std::optional<ContentHash> now = HashOfFile(entry.path);
        replaced = now && *now == entry.after && !(entry.after == entry.before);
        backupIsOriginal = replaced && HashOfFile(entry.backupPath) == entry.before;
        if (!replaced && now && *now != entry.before) {
            return {entry.path, false, "changed since the run, left as it is"};
        }
    }
    // A backup made just before a replacement that never happened is another name of the
    // original; it stays, as a kept backup would.
    if (!replaced) return {};
    if (!backupIsOriginal) return {entry.path, false, "backup is not the original"};
    const bool put = swap ? SwapNames(entry.path, entry.backupPath)
                          : ::rename(entry.backupPath.c_str(), entry.path.c_str()) == 0;
    return {entry.path, put, put ? "" : "could not be renamed"};
}

void RunHistory::Prune(int keep) {
    int kept = 0;
    for (const std::string& path : JournalPaths(m_folder)) {
        if (!RunJournalEnded(path) || RunJournalInUse(path)) continue;
        if (++kept > keep) ::unlink(path.c_str());
    }
    RemoveAbandonedMakings();
}

// A run killed while it made its journal leaves the hidden file it made it in. One that
// nobody holds and that is a minute old is abandoned: a run takes microseconds from making
// it to renaming it.
void RunHistory::RemoveAbandonedMakings() const {
    DIR* dir = ::opendir(m_folder.c_str());
    if (!dir) return;
    const std::time_t old = std::time(nullptr) - 60;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        struct stat st {};
        if (!name.starts_with('.') || !name.ends_with(".journal.new") ||
            ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || st.st_mtime > old) {
            continue;
        }
        const std::string path = m_folder + "/" + entry->d_name;
        if (!RunJournalInUse(path)) ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

void RunHistory::PruneGone() {
    // Gone means recorded as gone: every backup deleted or put back. A backup that is only
    // not found now (a folder moved away for a while) keeps its run.
    for (const KeptRun& run : Runs()) {
        if (!run.journal.ended || !run.journal.damage.empty() || RunJournalInUse(run.path)) {
            continue;
        }
        const bool gone = std::all_of(
            run.journal.files.begin(), run.journal.files.end(), [](const JournalEntry& entry) {
                return !ReplacedByRun(entry) || entry.backupFate == "deleted" ||
                       entry.backupFate == "restored";
            });
        if (gone) ::unlink(run.path.c_str());
    }
}

}  // namespace kesto
