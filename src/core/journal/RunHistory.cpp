#include "journal/RunHistory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <tuple>

#include "files/FolderPath.h"
#include "files/HeldFolder.h"
#include "journal/RunRecorder.h"
#include "text/BackupName.h"
#include "text/UniqueFd.h"

namespace kesto {
namespace {

using State = JournalEntry::State;

constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
constexpr std::string_view kJournalSuffix = ".journal";

std::string IdOf(std::string_view name) {
    return std::string(name.substr(0, name.size() - kJournalSuffix.size()));
}

// What `path` names, not through a link at its end; a path too long for one call is
// looked at through its folder.
std::optional<struct stat> LinkStatus(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) return st;
    if (errno != ENAMETOOLONG) return std::nullopt;
    const UniqueFd folder = OpenFolderPath(std::string(DirectoryOf(path)), false);
    const std::string name(FileNameOf(path));
    if (!folder.valid() || ::fstatat(folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return st;
}

std::optional<struct stat> StatusAt(int folder, const std::string& name) {
    struct stat st {};
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    return st;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::optional<ContentHash> HashOf(const UniqueFd& fd) {
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    ContentHasher hasher;
    constexpr std::size_t kBlock = std::size_t{256} * 1024;
    std::unique_ptr<char[]> block(new char[kBlock]);
    for (;;) {
        const ssize_t got = ::read(fd.get(), block.get(), kBlock);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        hasher.Update(std::string_view(block.get(), static_cast<std::size_t>(got)));
    }
    return hasher.Digest();
}

std::optional<ContentHash> HashAt(int folder, const std::string& name) {
    return HashOf(UniqueFd(::openat(folder, name.c_str(), kReadFlags)));
}

// A listing of the folder open at `folder`, from its first entry: a descriptor of its own,
// as a duplicate would share (and move) the position of every other listing.
DIR* OpenListing(int folder) {
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    DIR* dir = ::fdopendir(fd);
    if (!dir) ::close(fd);
    return dir;
}

// The names of the journals of the folder, newest first: an id begins with the time the run
// started.
std::vector<std::string> JournalNames(const StateFolder& state) {
    std::vector<std::string> names;
    if (!state.exists()) return names;
    DIR* dir = OpenListing(state.fd());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        struct stat st {};
        // Only regular files: a link, a pipe or a device there is no journal.
        if (name.size() > kJournalSuffix.size() && name.ends_with(kJournalSuffix) &&
            name.front() != '.' &&
            ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode)) {
            names.emplace_back(name);
        }
    }
    ::closedir(dir);
    // By id (YYYYMMDD-HHMMSS.mmm-pid[-n]): by the moment the run started, then, for
    // journals of one process in one millisecond, by n.
    const auto key = [](const std::string& name) {
        const std::string_view id =
            std::string_view(name).substr(0, name.size() - kJournalSuffix.size());
        const std::size_t time = std::min(id.find('-', id.find('-') + 1), id.size());
        const std::size_t dash = id.find('-', std::min(time + 1, id.size()));
        const std::string_view attempt =
            dash == std::string_view::npos ? std::string_view() : id.substr(dash + 1);
        return std::tuple(id.substr(0, time), attempt.size(), attempt, id);
    };
    std::sort(names.begin(), names.end(),
              [&key](const std::string& a, const std::string& b) { return key(a) > key(b); });
    return names;
}

bool ReplacedByRun(const JournalEntry& entry) {
    return entry.state == State::Replaced;
}

// Where a backup the run kept can still be found: at its name, or in the trash.
bool BackupAvailable(const JournalEntry& entry) {
    if (!entry.damage.empty() || entry.backupFate == "deleted" || entry.backupFate == "restored") {
        return false;
    }
    if (LinkStatus(entry.backupPath)) return true;
    return entry.backupFate.starts_with("trash:") &&
           LinkStatus(entry.backupFate.substr(6)).has_value();
}

// Whether the file of a run that died was replaced, as far as its stamps tell: the original
// is at the backup's name, and something else at the file's.
bool LooksReplaced(const JournalEntry& entry, const struct stat& file, const struct stat& backup) {
    return !SameFile(file, backup) && RunRecorder::StampOf(backup) == entry.original &&
           !(RunRecorder::StampOf(file) == entry.original);
}

// Whether a run that died may have changed the file of `entry`, as far as the names show.
bool MayHaveChanged(const JournalEntry& entry) {
    if (entry.state != State::Intended) return true;
    const auto file = LinkStatus(entry.path);
    const auto backup = LinkStatus(entry.backupPath);
    return file && backup && LooksReplaced(entry, *file, *backup);
}

KeptRun Describe(const StateFolder& state, const std::string& name, JournalContents journal) {
    KeptRun run;
    run.path = state.path() + "/" + name;
    run.journal = std::move(journal);
    run.unfinished = !run.journal.ended && !RunJournalInUse(state.fd(), name);
    for (const JournalEntry& entry : run.journal.files) {
        if (!ReplacedByRun(entry)) {
            if (run.unfinished && entry.damage.empty() && MayHaveChanged(entry)) {
                ++run.filesChanged;
            }
            continue;
        }
        ++run.filesChanged;
        if (!run.undoable && run.journal.ended && !run.journal.aborted) {
            run.undoable = BackupAvailable(entry);
        }
    }
    return run;
}

// The files the kept undos of each run put back, all its undos together: an undo stopped part
// way and a later one of the rest take a run back whole between them. A run taken back whole
// names its newest undo and is no longer one to undo. An undo taken back whole by a later
// one put nothing back that stays: newest first, the later undo has marked it already.
void MarkUndoneRuns(std::vector<KeptRun>& runs) {
    std::map<std::string, KeptRun*> byId;
    for (KeptRun& run : runs) byId[run.journal.id] = &run;
    std::map<const KeptRun*, std::set<std::string>> putBack;
    std::map<const KeptRun*, std::string> newestUndo;
    for (const KeptRun& undo : runs) {
        const JournalContents& journal = undo.journal;
        if (journal.run.kind != "undo" || !journal.ended || journal.aborted ||
            undo.filesChanged == 0 || !journal.damage.empty() || !undo.undoneBy.empty()) {
            continue;
        }
        const auto undone = byId.find(journal.run.search);
        if (undone == byId.end() || undone->second == &undo) continue;
        KeptRun& run = *undone->second;
        std::set<std::string>& paths = putBack[&run];
        for (const JournalEntry& entry : journal.files) {
            if (ReplacedByRun(entry)) paths.insert(entry.path);
        }
        newestUndo.emplace(&run, journal.id);  // newest first: the first one stays
        run.filesUndone = static_cast<int>(paths.size());
        if (run.filesUndone < run.filesChanged) continue;
        run.undoneBy = newestUndo[&run];
        run.undoable = false;
    }
}

// The folders an undo or a recovery works in, each opened once, without following a link at
// its end, and only when it is the folder the run recorded. One descriptor per folder: the
// holds live on it, and another descriptor of the folder would take them for another run's.
class TakeBackFolders {
public:
    // The folder of `entry`'s file; nothing when it is not the one its run changed.
    HeldFolder* Open(const JournalEntry& entry) {
        std::string folder(DirectoryOf(entry.path));
        if (folder.empty()) folder = "/";
        std::optional<HeldFolder> opened = HeldFolder::Open(folder, entry.folder, true);
        if (!opened) return nullptr;
        const std::pair key{opened->identity().device, opened->identity().inode};
        auto& held = m_folders[key];
        if (!held.folder) held = {std::make_unique<HeldFolder>(std::move(*opened)), folder};
        return held.folder.get();
    }

    // Each folder opened, with the path it was reached by.
    void ForEach(const std::function<void(HeldFolder&, const std::string&)>& visit) {
        for (auto& [key, held] : m_folders) visit(*held.folder, held.path);
    }

private:
    struct Held {
        std::unique_ptr<HeldFolder> folder;
        std::string path;
    };
    std::map<std::pair<dev_t, ino_t>, Held> m_folders;
};

// A file of a journal in hand: its folder, held, and the names of the file and its backup.
struct FileInHand {
    HeldFolder& folder;
    std::string folderPath;
    std::string name;
    std::string backupName;

    FileInHand(HeldFolder& held, const JournalEntry& entry)
        : folder(held),
          folderPath(DirectoryOf(entry.path).empty() ? "/" : std::string(DirectoryOf(entry.path))),
          name(FileNameOf(entry.path)),
          backupName(FileNameOf(entry.backupPath)) {}
};

// The spare name an undo swaps through where the file system cannot swap two names at once.
std::string SpareName(const std::string& prefix) {
    return TemporaryNamePrefix(prefix) + "swap.tmp";
}

// Swaps the contents of two names of one folder in one step, where the file system can;
// else through the spare name, so that neither content is ever without a name.
bool SwapNames(const FileInHand& file, const std::string& spare) {
    const int folder = file.folder.fd();
    const char* a = file.name.c_str();
    const char* b = file.backupName.c_str();
    if (::renameat2(folder, a, folder, b, RENAME_EXCHANGE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    if (::linkat(folder, a, folder, spare.c_str(), 0) != 0) return false;
    if (::renameat(folder, b, folder, a) != 0) {
        ::unlinkat(folder, spare.c_str(), 0);
        return false;
    }
    return ::renameat(folder, spare.c_str(), folder, b) == 0;
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

std::string DamagedRecord(const JournalEntry& entry) {
    return "its record in the journal is damaged (" + entry.damage + ")";
}

constexpr std::string_view kNotTheFolder = "its folder is not the one the run changed";
constexpr std::string_view kHeldByARun = "is being changed by another run";

// Why `entry` cannot be undone now; nothing when it can. A backup that went to the trash is
// taken back from `bin` when `takeBack`; without a bin it is only looked at.
std::optional<std::string> UndoRefusal(const JournalEntry& entry,
                                       const std::map<std::string, std::string>& later,
                                       const FileInHand& file, RecycleBin* bin, bool takeBack) {
    const int folder = file.folder.fd();
    const auto laterRun = later.find(entry.path);
    const std::string byLater =
        laterRun == later.end() ? std::string() : " by a later run (" + laterRun->second + ")";
    const auto status = StatusAt(folder, file.name);
    if (!status || !S_ISREG(status->st_mode)) return "file not found";
    if (file.folder.HeldElsewhere(status->st_ino)) return std::string(kHeldByARun);
    const std::optional<ContentHash> now = HashAt(folder, file.name);
    if (!now) return "file not found";
    if (*now != entry.after) {
        return byLater.empty() ? "edited since the run" : "changed" + byLater;
    }
    if (!StatusAt(folder, file.backupName) && entry.backupFate.starts_with("trash:")) {
        const std::string place = entry.backupFate.substr(6);
        // What lies at that place now may be another file's, trashed later under the name.
        const UniqueFd placed = bin ? bin->OpenPlace(place, file.folderPath, folder)
                                    : UniqueFd(::open(place.c_str(), kReadFlags));
        if (HashOf(placed) != entry.before) return "backup no longer in the Trash";
        if (!takeBack) return std::nullopt;
        if (!bin || !bin->TakeBack(place, file.folderPath, folder, file.backupName)) {
            return "backup no longer in the Trash";
        }
    }
    const auto backup = StatusAt(folder, file.backupName);
    if (!backup || !S_ISREG(backup->st_mode)) return "backup deleted";
    if (file.folder.HeldElsewhere(backup->st_ino)) return std::string(kHeldByARun);
    if (HashAt(folder, file.backupName) != entry.before) {
        return byLater.empty() ? "backup changed since the run" : "backup replaced" + byLater;
    }
    return std::nullopt;
}

// Why nothing can be done to `entry` at all; nothing when its file may be looked at.
std::optional<std::string> UndoRefusalBeforeLooking(const JournalEntry& entry) {
    if (!entry.damage.empty()) return DamagedRecord(entry);
    if (entry.backupFate == "restored") return "put back when the run was aborted";
    if (entry.backupFate == "deleted") return "backup deleted";
    return std::nullopt;
}

// What was done to the files of a run that died.
class Recovery {
public:
    Recovery(const JournalContents& journal, RecycleBin* bin, RunJournal& held)
        : m_journal(journal), m_bin(bin), m_held(held) {}

    // Puts back the original of one file; `swap` keeps the other version at the backup's
    // name. An outcome with a path names a file that was or should have been put back.
    FileOutcome PutBack(const JournalEntry& entry, bool swap);
    // Finishes the removal of one backup the run was removing when it died.
    FileOutcome FinishRemoval(const JournalEntry& entry);
    // Removes what the run left under its temporary names in the folders it was in.
    void RemoveLeftovers();

private:
    FileOutcome PutBackInHand(const JournalEntry& entry, bool swap, const FileInHand& file);

    const JournalContents& m_journal;
    RecycleBin* m_bin;
    RunJournal& m_held;
    TakeBackFolders m_folders;
};

FileOutcome Recovery::PutBack(const JournalEntry& entry, bool swap) {
    // A file that is its own backup name was never taken by the run.
    if (SamePathIgnoringCase(entry.path, entry.backupPath)) return {};
    // Nothing is done to the files of a damaged record; one that looks changed is named.
    if (!entry.damage.empty()) {
        if (!MayHaveChanged(entry)) return {};
        return {entry.path, false, DamagedRecord(entry)};
    }
    HeldFolder* folder = m_folders.Open(entry);
    if (!folder) {
        if (entry.state == State::Intended) return {};
        return {entry.path, false, std::string(kNotTheFolder)};
    }
    const std::optional<HeldFolder::Exclusive> alone = folder->Enter();
    if (!alone) return {entry.path, false, std::string(kHeldByARun)};
    return PutBackInHand(entry, swap, FileInHand(*folder, entry));
}

FileOutcome Recovery::PutBackInHand(const JournalEntry& entry, bool swap, const FileInHand& file) {
    const int folder = file.folder.fd();
    const std::optional<struct stat> status = StatusAt(folder, file.name);
    if (!status) return {};
    if (file.folder.HeldElsewhere(status->st_ino))
        return {entry.path, false, std::string(kHeldByARun)};
    if (!StatusAt(folder, file.backupName)) {
        const std::string spare = SpareName(m_journal.run.temporaryPrefix);
        if (swap && HashAt(folder, spare) == entry.before) {
            // An undo cut off inside a swap through the spare name: that name holds the
            // version the backup's name should.
            ::renameat2(folder, spare.c_str(), folder, file.backupName.c_str(), RENAME_NOREPLACE);
        } else if (m_bin && entry.backupFate.starts_with("trash:")) {
            const std::string place = entry.backupFate.substr(6);
            if (HashOf(m_bin->OpenPlace(place, file.folderPath, folder)) == entry.before) {
                m_bin->TakeBack(place, file.folderPath, folder, file.backupName);
            }
        }
    }
    const std::optional<struct stat> backup = StatusAt(folder, file.backupName);
    if (!backup) {
        // Without its backup a file the run replaced cannot get its original back here.
        const bool changed = entry.state == State::Intended
                                 ? !(RunRecorder::StampOf(*status) == entry.original)
                                 : HashAt(folder, file.name) == entry.after;
        if (!changed) return {};
        return {entry.path, false,
                "may hold the run's change, and no backup is beside it (look in the Trash)"};
    }
    if (file.folder.HeldElsewhere(backup->st_ino))
        return {entry.path, false, std::string(kHeldByARun)};
    bool replaced = false;
    bool backupIsOriginal = false;
    if (entry.state == State::Intended) {
        // Only the stamps are known: the original still at its name, or at the backup's.
        replaced = LooksReplaced(entry, *status, *backup);
        backupIsOriginal = replaced;
        // The run wrote its new file before it linked the backup (which marked the
        // backup's status-change time); a file modified later was edited since.
        const timespec written = status->st_mtim;
        const timespec linked = backup->st_ctim;
        if (replaced && (written.tv_sec > linked.tv_sec ||
                         (written.tv_sec == linked.tv_sec && written.tv_nsec > linked.tv_nsec))) {
            return {entry.path, false, "changed since the run, left as it is"};
        }
    } else {
        const std::optional<ContentHash> now = HashAt(folder, file.name);
        replaced = now && *now == entry.after && !(entry.after == entry.before);
        backupIsOriginal = replaced && HashAt(folder, file.backupName) == entry.before;
        if (!replaced && now && *now != entry.before) {
            return {entry.path, false, "changed since the run, left as it is"};
        }
    }
    // A backup made just before a replacement that never happened is another name of the
    // original; it stays, as a kept backup would.
    if (!replaced) return {};
    if (!backupIsOriginal) return {entry.path, false, "backup is not the original"};
    const bool put =
        swap ? SwapNames(file, SpareName(m_journal.run.temporaryPrefix))
             : ::renameat(folder, file.backupName.c_str(), folder, file.name.c_str()) == 0;
    if (!put) return {entry.path, false, "could not be renamed"};
    // Held until the recovery ends, as a run holds what it changed.
    file.folder.Hold(backup->st_ino);
    file.folder.Hold(status->st_ino);
    return {entry.path, true, ""};
}

FileOutcome Recovery::FinishRemoval(const JournalEntry& entry) {
    if (!ReplacedByRun(entry) || !entry.backupFate.empty()) return {};
    if (!entry.damage.empty()) return {entry.backupPath, false, DamagedRecord(entry)};
    HeldFolder* folder = m_folders.Open(entry);
    if (!folder) return {entry.backupPath, false, std::string(kNotTheFolder)};
    const std::optional<HeldFolder::Exclusive> alone = folder->Enter();
    if (!alone) return {entry.backupPath, false, std::string(kHeldByARun)};
    const FileInHand file(*folder, entry);
    const std::optional<struct stat> backup = StatusAt(folder->fd(), file.backupName);
    if (!backup) return {};  // removed before the run died
    if (folder->HeldElsewhere(backup->st_ino)) {
        return {entry.backupPath, false, std::string(kHeldByARun)};
    }
    // Only the original the run kept goes; whatever took the name since stays.
    if (HashAt(folder->fd(), file.backupName) != entry.before) {
        return {entry.backupPath, false, "not the original any more, left as it is"};
    }
    std::string fate = "deleted";
    if (m_journal.settled == "delete") {
        if (::unlinkat(folder->fd(), file.backupName.c_str(), 0) != 0) {
            return {entry.backupPath, false, "could not be deleted"};
        }
    } else {
        std::string place;
        if (!m_bin ||
            !m_bin->MoveToRecycleBinAt(file.folderPath, folder->fd(), file.backupName, place)) {
            return {entry.backupPath, false, "could not be moved to the Trash"};
        }
        fate = "trash:" + place;
    }
    m_held.BackupFate(entry.path, fate);
    return {entry.backupPath, true, ""};
}

void Recovery::RemoveLeftovers() {
    const std::string& prefix = m_journal.run.temporaryPrefix;
    if (prefix.empty()) return;
    const std::string start = TemporaryNamePrefix(prefix);
    const std::string spare = SpareName(prefix);
    m_folders.ForEach([&](HeldFolder& folder, const std::string&) {
        const std::optional<HeldFolder::Exclusive> alone = folder.Enter();
        if (!alone) return;
        DIR* dir = OpenListing(folder.fd());
        if (!dir) return;
        std::vector<std::string> leftovers;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            struct stat st {};
            if (!name.starts_with(start) || !name.ends_with(".tmp") ||
                ::fstatat(folder.fd(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISREG(st.st_mode)) {
                continue;
            }
            // Every other temporary name is a second name of a version, or a version never
            // swapped in; a spare that is the only name of its version is kept.
            if (name == spare && st.st_nlink < 2) continue;
            leftovers.emplace_back(name);
        }
        ::closedir(dir);
        for (const std::string& name : leftovers) ::unlinkat(folder.fd(), name.c_str(), 0);
    });
}

// Whether `run` ended and every backup it kept is recorded as gone: deleted or put back. A
// backup that is only not found now (a folder moved away for a while) keeps its run.
bool Gone(const StateFolder& state, const KeptRun& run) {
    if (!run.journal.ended || !run.journal.damage.empty() ||
        RunJournalInUse(state.fd(), std::string(FileNameOf(run.path)))) {
        return false;
    }
    return std::all_of(run.journal.files.begin(), run.journal.files.end(),
                       [](const JournalEntry& entry) {
                           return !ReplacedByRun(entry) || entry.backupFate == "deleted" ||
                                  entry.backupFate == "restored";
                       });
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

std::optional<StateFolder> RunHistory::State() const {
    std::string refusal;
    return StateFolder::Open(m_folder, false, refusal);
}

std::string RunHistory::Refusal() const {
    std::string refusal;
    return StateFolder::Open(m_folder, false, refusal) ? std::string() : refusal;
}

std::vector<KeptRun> RunHistory::Runs(const ReadingProgress& progress) const {
    const std::optional<StateFolder> state = State();
    return state ? RunsIn(*state, progress) : std::vector<KeptRun>();
}

std::vector<KeptRun> RunHistory::RunsIn(const StateFolder& state,
                                        const ReadingProgress& progress) const {
    std::vector<KeptRun> runs;
    const std::vector<std::string> names = JournalNames(state);
    for (const std::string& name : names) {
        if (progress) progress(runs.size(), names.size());
        std::optional<JournalContents> journal = ReadRunJournal(state.fd(), name);
        if (!journal) {
            journal.emplace();
            journal->damage = "not a run journal";
        }
        if (journal->id.empty()) journal->id = IdOf(name);
        runs.push_back(Describe(state, name, std::move(*journal)));
    }
    MarkUndoneRuns(runs);
    return runs;
}

std::vector<std::string> RunHistory::UnfinishedRuns() const {
    std::vector<std::string> ids;
    const std::optional<StateFolder> state = State();
    if (!state) return ids;
    for (const std::string& name : JournalNames(*state)) {
        if (RunJournalEnded(state->fd(), name) || RunJournalInUse(state->fd(), name)) continue;
        // The end may be followed by something that is no record (a line added by hand):
        // the whole journal decides.
        const std::optional<JournalContents> journal = ReadRunJournal(state->fd(), name);
        if (journal && journal->ended) continue;
        ids.push_back(IdOf(name));
    }
    return ids;
}

std::vector<FileOutcome> RunHistory::CheckUndo(const KeptRun& run, RecycleBin* bin,
                                               const ReadingProgress& progress) const {
    const std::map<std::string, std::string> later = LaterChanges(Runs(), run);
    TakeBackFolders folders;
    std::vector<FileOutcome> outcomes;
    const auto replaced = static_cast<std::size_t>(
        std::count_if(run.journal.files.begin(), run.journal.files.end(), ReplacedByRun));
    for (const JournalEntry& entry : run.journal.files) {
        if (!ReplacedByRun(entry)) continue;
        if (progress) progress(outcomes.size(), replaced);
        std::optional<std::string> refusal = UndoRefusalBeforeLooking(entry);
        if (!refusal) {
            HeldFolder* folder = folders.Open(entry);
            refusal = folder ? UndoRefusal(entry, later, FileInHand(*folder, entry), bin, false)
                             : std::string(kNotTheFolder);
        }
        outcomes.push_back({entry.path, !refusal, refusal.value_or("")});
    }
    return outcomes;
}

TakeBackResult RunHistory::Undo(const std::string& id, RecycleBin& bin,
                                const std::string& settingsPath, const TakeBackProgress& progress) {
    TakeBackResult result;
    std::string refusal;
    const std::optional<StateFolder> state = StateFolder::Open(m_folder, false, refusal);
    if (!state) {
        result.error = refusal;
        return result;
    }
    const std::vector<KeptRun> runs = RunsIn(*state);
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
    // Held until the undo ends: a second undo of the run is refused, not interleaved.
    std::string error;
    const std::optional<RunJournal> held =
        RunJournal::Hold(*state, run.journal.id + std::string(kJournalSuffix), error);
    if (!held) {
        result.error = "Run " + run.journal.id + " is being undone by another process!";
        return result;
    }

    const std::map<std::string, std::string> later = LaterChanges(runs, run);
    const std::string prefix = NewTemporaryPrefix();
    RunRecorder recorder(
        m_folder, {"undo", run.journal.id, "", "", settingsPath, run.journal.run.naming, prefix});
    const std::string spare = SpareName(prefix);
    std::vector<const JournalEntry*> taken;
    std::vector<std::string> paths;
    for (const JournalEntry& entry : run.journal.files) {
        if (!ReplacedByRun(entry)) continue;
        taken.push_back(&entry);
        paths.push_back(entry.path);
    }
    recorder.SetFileList(&paths);
    TakeBackFolders folders;
    for (std::size_t i = 0; i < taken.size(); ++i) {
        const JournalEntry& entry = *taken[i];
        if (progress && !progress(i, taken.size())) {
            result.stopped = true;
            for (; i < taken.size(); ++i) {
                result.files.push_back({taken[i]->path, false, std::string(kNotReached)});
            }
            break;
        }
        recorder.SetPosition(i);
        FileOutcome& outcome = result.files.emplace_back(FileOutcome{entry.path, false, ""});
        if (const auto refused = UndoRefusalBeforeLooking(entry)) {
            outcome.reason = *refused;
            continue;
        }
        HeldFolder* folder = folders.Open(entry);
        if (!folder) {
            outcome.reason = kNotTheFolder;
            continue;
        }
        // The check and the swap are one step: no run or other undo acts on the folder
        // in between.
        const std::optional<HeldFolder::Exclusive> alone = folder->Enter();
        if (!alone) {
            outcome.reason = kHeldByARun;
            continue;
        }
        const FileInHand file(*folder, entry);
        if (const auto refused = UndoRefusal(entry, later, file, &bin, true)) {
            outcome.reason = *refused;
            continue;
        }
        const auto status = StatusAt(folder->fd(), file.name);
        const auto backup = StatusAt(folder->fd(), file.backupName);
        if (!status || !backup ||
            !recorder.BeforeReplace(entry.path, entry.backupPath, *status, folder->identity(),
                                    entry.after, entry.before)) {
            outcome.reason = "the undo could not be journaled: " + recorder.error();
        } else if (!SwapNames(file, spare)) {
            outcome.reason = "could not be renamed";
        } else {
            recorder.Replaced(entry.path);
            // Held until the undo ends, as a run holds the files it changed.
            folder->Hold(status->st_ino);
            folder->Hold(backup->st_ino);
            outcome.done = true;
        }
    }
    recorder.End(false);
    result.newRunId = recorder.journalId();
    return result;
}

std::vector<TakeBackResult> RunHistory::Recover(RecycleBin* bin, const TakeBackProgress& progress) {
    std::vector<TakeBackResult> results;
    std::string refusal;
    const std::optional<StateFolder> state = StateFolder::Open(m_folder, false, refusal);
    if (!state) {
        results.push_back({"", "", {}, "", refusal});
        return results;
    }
    const std::vector<KeptRun> runs = RunsIn(*state);
    for (const std::string& id : UnfinishedRuns()) {
        const std::string name = id + std::string(kJournalSuffix);
        TakeBackResult result;
        result.runId = id;
        // Held first and read then: another process that recovered it meanwhile has ended it.
        std::string error;
        std::optional<RunJournal> held = RunJournal::Hold(*state, name, error);
        std::optional<JournalContents> journal = held ? held->Read() : std::nullopt;
        if (!held) {
            result.error = error == "in use by another process"
                               ? "is being recovered by another process"
                               : error;
            results.push_back(std::move(result));
            continue;
        }
        if (journal && journal->ended) continue;
        if (journal && journal->id.empty()) {
            // Cut off before its first flush, which comes before any change: nothing to do.
            ::unlinkat(state->fd(), name.c_str(), 0);
            continue;
        }
        if (!journal || !held->CutAfter(journal->trustedSize)) {
            result.error = m_folder + "/" + name + ": not a run journal";
            results.push_back(std::move(result));
            continue;
        }
        Recovery recovery(*journal, bin, *held);
        if (!journal->settled.empty()) {
            // The run had made every change and was removing its backups: that is finished,
            // and the run's result stands.
            result.finishedRemoval = journal->settled;
            for (std::size_t i = 0; i < journal->files.size(); ++i) {
                if (progress && !progress(i, journal->files.size())) {
                    result.stopped = true;
                    break;
                }
                FileOutcome outcome = recovery.FinishRemoval(journal->files[i]);
                if (!outcome.path.empty()) result.files.push_back(std::move(outcome));
            }
            if (result.stopped) {
                // Not ended: the rest is finished the next time it is recovered.
                results.push_back(std::move(result));
                return results;
            }
            recovery.RemoveLeftovers();
            held->End(false);
            results.push_back(std::move(result));
            continue;
        }
        // The files of an undo are put back as they were before it: both versions kept.
        const bool undo = journal->run.kind == "undo";
        // A file a later run took is that run's now: what the two names hold is its doing.
        const auto self = std::find_if(runs.begin(), runs.end(),
                                       [&id](const KeptRun& run) { return run.journal.id == id; });
        const std::map<std::string, std::string> later =
            self == runs.end() ? std::map<std::string, std::string>() : LaterChanges(runs, *self);
        for (std::size_t i = 0; i < journal->files.size(); ++i) {
            if (progress && !progress(i, journal->files.size())) {
                result.stopped = true;
                break;
            }
            const JournalEntry& entry = journal->files[i];
            FileOutcome outcome;
            if (const auto taken = later.find(entry.path); taken != later.end()) {
                if (entry.state == State::Intended) continue;
                outcome = {entry.path, false, "changed by a later run (" + taken->second + ")"};
            } else {
                outcome = recovery.PutBack(entry, undo);
            }
            if (!outcome.path.empty()) result.files.push_back(std::move(outcome));
        }
        if (result.stopped) {
            // Not ended, and its temporary names kept: a file put back is left as it is by
            // the next recovery, which takes the rest.
            results.push_back(std::move(result));
            return results;
        }
        recovery.RemoveLeftovers();
        held->End(true);
        results.push_back(std::move(result));
    }
    return results;
}

void RunHistory::Prune(int keep) {
    const std::optional<StateFolder> state = State();
    if (!state || !state->exists()) return;
    int kept = 0;
    for (const std::string& name : JournalNames(*state)) {
        if (!RunJournalEnded(state->fd(), name) || RunJournalInUse(state->fd(), name)) continue;
        if (++kept > keep) ::unlinkat(state->fd(), name.c_str(), 0);
    }
    // A run killed while it made its journal leaves the hidden file it made it in. One that
    // nobody holds and that is a minute old is abandoned: a run takes microseconds from
    // making it to renaming it.
    DIR* dir = OpenListing(state->fd());
    if (!dir) return;
    const std::time_t old = std::time(nullptr) - 60;
    std::vector<std::string> abandoned;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        struct stat st {};
        if (!name.starts_with('.') || !name.ends_with(".journal.new") ||
            ::fstatat(state->fd(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || st.st_mtime > old ||
            RunJournalInUse(state->fd(), entry->d_name)) {
            continue;
        }
        abandoned.emplace_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : abandoned) ::unlinkat(state->fd(), name.c_str(), 0);
}

std::vector<KeptRun> RunHistory::PruneGone(const ReadingProgress& progress) {
    std::vector<KeptRun> left;
    const std::optional<StateFolder> state = State();
    if (!state || !state->exists()) return left;
    for (KeptRun& run : RunsIn(*state, progress)) {
        if (Gone(*state, run)) {
            ::unlinkat(state->fd(), std::string(FileNameOf(run.path)).c_str(), 0);
        } else {
            left.push_back(std::move(run));
        }
    }
    return left;
}

}  // namespace kesto
