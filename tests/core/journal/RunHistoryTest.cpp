#include "journal/RunHistory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "journal/RunRecorder.h"
#include "support/TempDir.h"
#include "text/BackupName.h"

namespace kesto {
namespace {

using test::ReadFile;
using test::WriteFile;
namespace fs = std::filesystem;

// A run as the journals of these tests describe it: backups named "a.~txt" for "a.txt".
const RunDescription kRun{"single", "x", "y", "", "", {}, ""};

class RunHistoryTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return dir / name; }
    // The backup of `name` beside it.
    std::string Backup(const std::string& name) const { return BackupName(Path(name), {}); }
    // The folder of the files, as a journal records it.
    FolderIdentity Here() const {
        struct stat st {};
        ::stat(dir.path().c_str(), &st);
        return {st.st_dev, st.st_ino};
    }

    // The state a run leaves just after it replaced `name`, in the run's order: the new
    // content written, the backup made as a second name of the original, the new file
    // renamed over the name.
    struct stat Replace(const std::string& name, const std::string& original,
                        const std::string& next) {
        WriteFile(Path(name), original);
        struct stat before {};
        ::stat(Path(name).c_str(), &before);
        WriteFile(Path(name + ".new"), next);
        ::link(Path(name).c_str(), Backup(name).c_str());
        ::rename(Path(name + ".new").c_str(), Path(name).c_str());
        return before;
    }

    test::TempDir dir;
    RunHistory history{dir / "state"};
};

TEST_F(RunHistoryTest, RecoveryFromStampsAloneLeavesAFileEditedAfterTheCrash) {
    std::vector<IntendedFile> intended;
    const struct stat a = Replace("a.txt", "original a\n", "new a\n");
    const struct stat b = Replace("b.txt", "original b\n", "new b\n");
    WriteFile(Path("c.txt"), "never reached\n");
    struct stat c {};
    ::stat(Path("c.txt").c_str(), &c);
    for (const auto& [name, status] : {std::pair{"a.txt", a}, {"b.txt", b}, {"c.txt", c}}) {
        intended.push_back({Path(name), Backup(name), RunRecorder::StampOf(status), Here()});
    }
    // b.txt is saved again after the crash, a second later than its backup was made.
    struct stat backup {};
    ::stat(Backup("b.txt").c_str(), &backup);
    const timespec later[2] = {{0, UTIME_OMIT}, {backup.st_ctim.tv_sec + 1, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Path("b.txt").c_str(), later, 0), 0);
    std::string id;
    {
        std::string error;
        auto journal = RunJournal::Create(dir / "state", kRun, error);
        ASSERT_TRUE(journal) << error;
        ASSERT_TRUE(journal->MayReplace(intended));
        id = journal->id();
        EXPECT_EQ(history.UnfinishedRuns(), std::vector<std::string>{})
            << "a journal its run still holds is not a run that died";
    }
    EXPECT_EQ(history.UnfinishedRuns(), std::vector<std::string>{id});

    const std::vector<TakeBackResult> results = history.Recover();
    ASSERT_EQ(results.size(), 1u);
    ASSERT_EQ(results[0].files.size(), 2u);
    EXPECT_EQ(results[0].files[0].path, Path("a.txt"));
    EXPECT_TRUE(results[0].files[0].done);
    EXPECT_FALSE(results[0].files[1].done);
    EXPECT_EQ(results[0].files[1].reason, "changed since the run, left as it is");
    EXPECT_EQ(ReadFile(Path("a.txt")), "original a\n");
    EXPECT_EQ(ReadFile(Path("b.txt")), "new b\n");
    EXPECT_EQ(ReadFile(Backup("b.txt")), "original b\n");
    EXPECT_EQ(ReadFile(Path("c.txt")), "never reached\n");
    EXPECT_EQ(history.UnfinishedRuns(), std::vector<std::string>{});
    const std::vector<KeptRun> runs = history.Runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(runs[0].journal.ended);
    EXPECT_TRUE(runs[0].journal.aborted);
}

TEST_F(RunHistoryTest, PruningKeepsTheNewestEndedRunsAndThoseStillGoing) {
    // Twelve journals, most of them of one second and one process ("...-pid-10" is newer
    // than "...-pid-9").
    std::vector<std::string> ended;
    for (int i = 0; i < 12; ++i) {
        std::string error;
        auto journal = RunJournal::Create(dir / "state", kRun, error);
        ASSERT_TRUE(journal) << error;
        if (i == 0) {
            ASSERT_TRUE(journal->MayReplace({}));  // dies without an end: kept for recovery
        } else {
            ASSERT_TRUE(journal->End(false));
            ended.push_back(journal->id());
        }
    }
    std::vector<std::string> listed;
    for (const KeptRun& run : history.Runs()) listed.push_back(run.journal.id);
    ASSERT_EQ(listed.size(), 12u);
    EXPECT_EQ(std::vector<std::string>(listed.begin(), listed.begin() + 11),
              std::vector<std::string>(ended.rbegin(), ended.rend()))
        << "newest first";
    history.Prune(2);
    std::vector<std::string> kept;
    for (const KeptRun& run : history.Runs()) kept.push_back(run.journal.id);
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0], ended[10]);
    EXPECT_EQ(kept[1], ended[9]);
    EXPECT_EQ(history.UnfinishedRuns().size(), 1u);

    // A run killed while making its journal left the file it made it in: gone once it is
    // a minute old, and then only when nobody holds it.
    const auto making = [this](const std::string& name, std::time_t age) {
        const std::string path = dir / ("state/" + name);
        WriteFile(path, "");
        const timespec times[2] = {{std::time(nullptr) - age, 0}, {std::time(nullptr) - age, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        return path;
    };
    const std::string abandoned = making(".20200101-000000.000-1.journal.new", 120);
    const std::string fresh = making(".20200101-000000.000-2.journal.new", 0);
    const std::string held = making(".20200101-000000.000-3.journal.new", 120);
    const int holder = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    history.Prune(2);
    ::close(holder);
    EXPECT_FALSE(std::filesystem::exists(abandoned));
    EXPECT_TRUE(std::filesystem::exists(fresh));
    EXPECT_TRUE(std::filesystem::exists(held));

    // No backup of theirs is left: a finished run can't be undone and goes.
    history.PruneGone();
    EXPECT_EQ(history.Runs().size(), 1u);
}

}  // namespace
}  // namespace kesto

namespace kesto {
namespace {

class RecoveryLimitsTest : public RunHistoryTest {
protected:
    // A journal of a run that died, naming `files` as it may replace them.
    std::string DeadRun(const std::vector<IntendedFile>& files) {
        std::string error;
        auto journal = RunJournal::Create(dir / "state", kRun, error);
        EXPECT_TRUE(journal) << error;
        if (!journal) return {};
        EXPECT_TRUE(journal->MayReplace(files));
        return journal->id();
    }
    FileStamp StampOfPath(const std::string& name) {
        struct stat st {};
        ::stat(Path(name).c_str(), &st);
        return RunRecorder::StampOf(st);
    }
};

TEST_F(RecoveryLimitsTest, AFileThatIsItsOwnBackupNameOrThatALaterRunTookIsLeftAlone) {
    WriteFile(Path("notes.BAK"), "the user's notes\n");
    WriteFile(Path("f.txt"), "original f\n");
    const FileStamp f = StampOfPath("f.txt");
    DeadRun({{Path("notes.BAK"), Path("notes.BAK"), StampOfPath("notes.BAK"), Here()},
             {Path("f.txt"), Backup("f.txt"), f, Here()}});
    // A later run, which ended, replaced f.txt keeping its original as the backup.
    Replace("f.txt", "original f\n", "the later run's f\n");
    {
        std::string error;
        auto later = RunJournal::Create(dir / "state", kRun, error);
        ASSERT_TRUE(later) << error;
        ASSERT_TRUE(later->AboutToReplace(Path("f.txt"), Backup("f.txt"), Here(),
                                          ContentHash::Of("original f\n"),
                                          ContentHash::Of("the later run's f\n"), true));
        ASSERT_TRUE(later->Replaced(Path("f.txt")));
        ASSERT_TRUE(later->End(false));
    }
    const std::vector<TakeBackResult> results = history.Recover();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].files.size(), 0u);
    EXPECT_EQ(ReadFile(Path("notes.BAK")), "the user's notes\n");
    EXPECT_EQ(ReadFile(Path("f.txt")), "the later run's f\n");
    EXPECT_EQ(ReadFile(Backup("f.txt")), "original f\n");
}

TEST_F(RecoveryLimitsTest, AnEndedJournalWithALineAddedAfterItsEndIsNoRunToRecover) {
    WriteFile(Path("a.txt"), "new a\n");
    WriteFile(Backup("a.txt"), "original a\n");
    std::string path;
    {
        std::string error;
        auto journal = RunJournal::Create(dir / "state", kRun, error);
        ASSERT_TRUE(journal) << error;
        ASSERT_TRUE(journal->AboutToReplace(Path("a.txt"), Backup("a.txt"), Here(),
                                            ContentHash::Of("original a\n"),
                                            ContentHash::Of("new a\n"), true));
        ASSERT_TRUE(journal->Replaced(Path("a.txt")));
        ASSERT_TRUE(journal->End(false));
        path = journal->path();
    }
    WriteFile(path, ReadFile(path) + "\n");  // an editor's final line feed
    // A pipe and a link where journals are kept are no journals, and nothing waits on them.
    ASSERT_EQ(::mkfifo(Path("state/20990101-000000.000-1.journal").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", Path("state/20990101-000000.000-2.journal"));

    EXPECT_EQ(history.UnfinishedRuns(), std::vector<std::string>{});
    EXPECT_TRUE(history.Recover().empty());
    EXPECT_EQ(ReadFile(Path("a.txt")), "new a\n");
    EXPECT_EQ(history.Runs().size(), 1u);
}

// Undo and recovery stopped between two files: each file is taken back whole or left, and
// what is left is taken back by the next undo or recovery of the run.
class StoppedTakeBackTest : public RunHistoryTest {
protected:
    static constexpr std::size_t kFiles = 6;
    static constexpr std::size_t kBeforeStop = 2;

    static std::string Name(std::size_t n) { return "f" + std::to_string(n) + ".txt"; }
    static std::string Original(std::size_t n) { return "original " + std::to_string(n) + "\n"; }

    // A run that replaced every file; ended when `ends`, else it died after its last change.
    std::string RunOverAllFiles(bool ends) {
        std::string error;
        auto journal = RunJournal::Create(dir / "state", kRun, error);
        EXPECT_TRUE(journal) << error;
        if (!journal) return {};
        for (std::size_t n = 0; n < kFiles; ++n) {
            Replace(Name(n), Original(n), "new\n");
            EXPECT_TRUE(journal->AboutToReplace(Path(Name(n)), Backup(Name(n)), Here(),
                                                ContentHash::Of(Original(n)),
                                                ContentHash::Of("new\n"), n + 1 == kFiles));
            EXPECT_TRUE(journal->Replaced(Path(Name(n))));
        }
        if (ends) {
            EXPECT_TRUE(journal->End(false));
        }
        return journal->id();
    }

    std::size_t FilesHoldingTheirOriginal() const {
        std::size_t count = 0;
        for (std::size_t n = 0; n < kFiles; ++n) count += ReadFile(Path(Name(n))) == Original(n);
        return count;
    }

    static TakeBackProgress StoppingAfter(std::size_t files) {
        return [files](std::size_t done, std::size_t) { return done < files; };
    }

    KeptRun RunWithId(const std::string& id) const {
        for (const KeptRun& run : history.Runs()) {
            if (run.journal.id == id) return run;
        }
        ADD_FAILURE() << "no run " << id;
        return {};
    }

    class NoBin : public RecycleBin {
        bool MoveToRecycleBin(const std::vector<std::string>&, std::vector<std::string>&) override {
            return false;
        }
    } bin;
};

TEST_F(StoppedTakeBackTest, AStoppedUndoPutsBackTheFilesBeforeTheStopAndASecondUndoTheRest) {
    const std::string id = RunOverAllFiles(true);
    const TakeBackResult first = history.Undo(id, bin, "", StoppingAfter(kBeforeStop));
    EXPECT_TRUE(first.stopped);
    ASSERT_EQ(first.files.size(), kFiles);
    for (std::size_t n = 0; n < kFiles; ++n) {
        EXPECT_EQ(first.files[n].done, n < kBeforeStop) << n;
        EXPECT_EQ(first.files[n].reason, n < kBeforeStop ? "" : kNotReached) << n;
        EXPECT_EQ(ReadFile(Path(Name(n))), n < kBeforeStop ? Original(n) : "new\n") << n;
    }
    KeptRun run = RunWithId(id);
    EXPECT_TRUE(run.undoable) << "the files not reached can still be undone";
    EXPECT_EQ(run.filesUndone, static_cast<int>(kBeforeStop));
    EXPECT_EQ(run.undoneBy, "");

    const TakeBackResult second = history.Undo(id, bin, "");
    EXPECT_FALSE(second.stopped);
    EXPECT_EQ(second.leftAlone(), static_cast<int>(kBeforeStop));
    EXPECT_EQ(FilesHoldingTheirOriginal(), kFiles);
    run = RunWithId(id);
    EXPECT_FALSE(run.undoable);
    EXPECT_EQ(run.filesUndone, static_cast<int>(kFiles));
    EXPECT_EQ(run.undoneBy, second.newRunId) << "its two undos took it back whole";
}

TEST_F(StoppedTakeBackTest, AStoppedUndoThatIsUndoneInTurnLeavesItsRunWithNothingUndone) {
    const std::string id = RunOverAllFiles(true);
    const TakeBackResult stopped = history.Undo(id, bin, "", StoppingAfter(kBeforeStop));
    const TakeBackResult undoOfUndo = history.Undo(stopped.newRunId, bin, "");
    EXPECT_EQ(undoOfUndo.leftAlone(), 0);
    EXPECT_EQ(FilesHoldingTheirOriginal(), 0u);
    const KeptRun run = RunWithId(id);
    EXPECT_TRUE(run.undoable);
    EXPECT_EQ(run.filesUndone, 0);
    EXPECT_EQ(RunWithId(stopped.newRunId).undoneBy, undoOfUndo.newRunId);
}

TEST_F(StoppedTakeBackTest, AStoppedRecoveryLeavesItsRunToRecoverAndTheNextOneTakesTheRest) {
    const std::string id = RunOverAllFiles(false);
    const std::vector<TakeBackResult> first = history.Recover(nullptr, StoppingAfter(kBeforeStop));
    ASSERT_EQ(first.size(), 1u);
    EXPECT_TRUE(first[0].stopped);
    EXPECT_EQ(first[0].files.size(), kBeforeStop);
    EXPECT_EQ(first[0].leftAlone(), 0);
    EXPECT_EQ(FilesHoldingTheirOriginal(), kBeforeStop);
    EXPECT_EQ(history.UnfinishedRuns(), std::vector<std::string>{id});

    const std::vector<TakeBackResult> second = history.Recover();
    ASSERT_EQ(second.size(), 1u);
    EXPECT_FALSE(second[0].stopped);
    EXPECT_EQ(second[0].files.size(), kFiles - kBeforeStop) << "the files put back are not again";
    EXPECT_EQ(second[0].leftAlone(), 0);
    EXPECT_EQ(FilesHoldingTheirOriginal(), kFiles);
    EXPECT_TRUE(history.UnfinishedRuns().empty());
}

}  // namespace
}  // namespace kesto
