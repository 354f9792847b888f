#include "replace/BackupKeeper.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>

#include "platform/FreedesktopTrash.h"
#include "support/PassFixture.h"

namespace kesto {
namespace {

using test::PassTest;
using test::ReadFile;
using test::WriteFile;

TEST(BackupNameTest, PrependOrReplaceTheExtensionOfTheFileName) {
    const BackupNaming prepend;
    BackupNaming replace;
    replace.prependChar = false;
    EXPECT_EQ(BackupName("/d/report.txt", prepend), "/d/report.~txt");
    EXPECT_EQ(BackupName("/d/README", prepend), "/d/README.~");
    EXPECT_EQ(BackupName("/x.y/a", prepend), "/x.y/a.~");
    EXPECT_EQ(BackupName("/d/a.b.c", prepend), "/d/a.b.~c");
    EXPECT_EQ(BackupName("/d/report.txt", replace), "/d/report.BAK");
    EXPECT_EQ(BackupName("/d/README", replace), "/d/README.BAK");
}

TEST(BackupNameTest, ShortDisplayNameKeepsTheTailThatFits) {
    EXPECT_EQ(ShortDisplayName("/short/path.txt"), "/short/path.txt");
    const std::string path = "/aaaaaaaaaa/bbbbbbbbbb/cccccccccc/dddddddddd/eeeeeeeeee/file.txt";
    ASSERT_GT(path.size(), 60u);
    EXPECT_EQ(ShortDisplayName(path), "/.../bbbbbbbbbb/cccccccccc/dddddddddd/eeeeeeeeee/file.txt");
    const std::string longName = "/d/" + std::string(70, 'n');
    EXPECT_EQ(ShortDisplayName(longName), std::string(70, 'n'));
}

class BackupTest : public PassTest {
protected:
    bool Open(const std::string& name) { return backups.OpenForRewrite(dir.path().string(), name); }
    // Prepares a file and finishes it changed, as a pass with a match does.
    void RewriteChanged(const std::string& name, const std::string& content) {
        ASSERT_TRUE(Open(name));
        const int fd = backups.current().output.get();
        ASSERT_EQ(::write(fd, content.data(), content.size()),
                  static_cast<ssize_t>(content.size()));
        ASSERT_TRUE(backups.KeepRewrittenFile());
    }
};

// Kesto's temporary files left in the folder: none may outlive a file's processing.
std::vector<std::string> TemporaryFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".kesto-")) names.push_back(name);
    }
    return names;
}

TEST_F(BackupTest, RefusalsLeaveTheOriginalInPlaceWithTheirReason) {
    BackupNaming naming;
    naming.prependChar = false;
    naming.replaceExtension = "TXT";
    backups.SetNaming(naming);
    WriteFile(File("same.txt"), "x\n");
    EXPECT_FALSE(Open("same.txt"));
    backups.SetNaming(BackupNaming());
    WriteFile(File("empty.txt"), "");
    EXPECT_FALSE(Open("empty.txt"));
    ::mkfifo(File("pipe.txt").c_str(), 0600);
    EXPECT_FALSE(Open("pipe.txt"));
    // The backup is made only when the new content is complete.
    std::filesystem::create_directory(File("busy.~txt"));
    WriteFile(File("busy.txt"), "x\n");
    ASSERT_TRUE(Open("busy.txt"));
    EXPECT_EQ(TemporaryFiles(dir.path().string()).size(), 1u);
    EXPECT_FALSE(backups.KeepRewrittenFile());

    EXPECT_EQ(log.problemFiles(),
              (std::vector<std::string>{
                  "     1) --- " + File("same.txt") +
                      " ... Source and Backup have same file name, can't create backup!",
                  "     2) --- " + File("empty.txt") + " ... Is Empty!",
                  "     3) --- " + File("pipe.txt") + " ... Couldn't Open this file",
                  "     4) --- " + File("busy.txt") + " ... Couldn't Create Backup file!"}));
    EXPECT_EQ(ReadFile(File("same.txt")), "x\n");
    EXPECT_EQ(ReadFile(File("busy.txt")), "x\n");
    EXPECT_TRUE(std::filesystem::exists(File("empty.txt")));
    EXPECT_FALSE(std::filesystem::exists(File("empty.~txt")));
    EXPECT_TRUE(TemporaryFiles(dir.path().string()).empty());
    EXPECT_TRUE(backups.changedFiles().empty());

    // A run being stopped refuses without an entry.
    control.RequestStop();
    EXPECT_FALSE(Open("same.txt"));
    EXPECT_EQ(log.problemCounter(), 4);
}

TEST_F(BackupTest, TheOriginalNeverLeavesItsNameAndAnOldBackupIsReplacedAtTheSwap) {
    WriteFile(File("a.txt"), "new original\n");
    WriteFile(File("a.~txt"), "old backup\n");
    ASSERT_TRUE(Open("a.txt"));
    EXPECT_EQ(backups.current().size, 13u);
    EXPECT_EQ(backups.current().extension, "txt");
    EXPECT_EQ(ReadFile(File("a.txt")), "new original\n");
    EXPECT_EQ(ReadFile(File("a.~txt")), "old backup\n");
    backups.RestoreOneFile();  // no change after all
    EXPECT_EQ(ReadFile(File("a.txt")), "new original\n");
    EXPECT_EQ(ReadFile(File("a.~txt")), "old backup\n");
    EXPECT_TRUE(TemporaryFiles(dir.path().string()).empty());

    ::chmod(File("a.txt").c_str(), 0751);
    RewriteChanged("a.txt", "changed\n");
    EXPECT_EQ(ReadFile(File("a.txt")), "changed\n");
    EXPECT_EQ(ReadFile(File("a.~txt")), "new original\n");
    struct stat rewritten {};
    ASSERT_EQ(::stat(File("a.txt").c_str(), &rewritten), 0);
    EXPECT_EQ(rewritten.st_mode & 07777, 0751u);
    EXPECT_TRUE(TemporaryFiles(dir.path().string()).empty());
}

// A worker's unnamed file gets the temporary name in the file's folder; made on another file
// system, it can't, and its bytes go to a new file there instead. Either way the rewrite
// goes on as with a file the run wrote itself, and no temporary file outlives it.
TEST_F(BackupTest, AFileAWorkerWroteIsNamedInTheFolderOrCopiedWhereItCannotBe) {
    struct stat here {};
    struct stat shm {};
    ASSERT_EQ(::stat(dir.path().c_str(), &here), 0);
    const bool elsewhere = ::stat("/dev/shm", &shm) == 0 && shm.st_dev != here.st_dev;
    int file = 0;  // a file changed in this run can't be changed again in it
    for (const std::string& folder : {dir.path().string(), std::string("/dev/shm")}) {
        if (folder == "/dev/shm" && !elsewhere) continue;
        for (const bool keep : {true, false}) {
            SCOPED_TRACE(folder + (keep ? " kept" : " dropped"));
            const std::string name = "f" + std::to_string(++file) + ".txt";
            const std::string backup = "f" + std::to_string(file) + ".~txt";
            WriteFile(File(name), "original\n");
            UniqueFd written(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
            ASSERT_TRUE(written.valid()) << "no unnamed files in " << folder;
            ASSERT_EQ(::write(written.get(), "new\n", 4), 4);
            ASSERT_TRUE(backups.OpenForReading(dir.path().string(), name));
            ASSERT_TRUE(backups.BeginRewrite(std::move(written)));
            EXPECT_TRUE(backups.current().outputWritten);
            EXPECT_EQ(TemporaryFiles(dir.path().string()).size(), 1u);
            if (keep) {
                ASSERT_TRUE(backups.KeepRewrittenFile());
            } else {
                backups.RestoreOneFile();
            }
            EXPECT_EQ(ReadFile(File(name)), keep ? "new\n" : "original\n");
            EXPECT_EQ(std::filesystem::exists(File(backup)), keep);
            EXPECT_TRUE(TemporaryFiles(dir.path().string()).empty());
        }
    }
}

TEST_F(BackupTest, AFileChangedByAnotherProgramMeanwhileIsNotReplaced) {
    WriteFile(File("a.txt"), "original\n");
    ASSERT_TRUE(Open("a.txt"));
    WriteFile(File("a.txt"), "someone else's edit\n");
    const int fd = backups.current().output.get();
    ASSERT_EQ(::write(fd, "mine\n", 5), 5);
    EXPECT_FALSE(backups.KeepRewrittenFile());
    EXPECT_EQ(ReadFile(File("a.txt")), "someone else's edit\n");
    EXPECT_FALSE(std::filesystem::exists(File("a.~txt")));
    EXPECT_EQ(log.problemFiles().back(),
              "     1) --- " + File("a.txt") +
                  " ... Changed by another program meanwhile, not replaced!");
    EXPECT_TRUE(TemporaryFiles(dir.path().string()).empty());
}

TEST_F(BackupTest, RestoreAfterAbortTakesBackOnlyWhatThisRunWroteAndSaysWhatItCouldNot) {
    for (const char* name : {"1.txt", "2.txt", "3.txt", "4.txt"}) {
        WriteFile(File(name), std::string("original ") + name);
        RewriteChanged(name, "changed");
    }
    std::filesystem::remove(File("2.~txt"));
    WriteFile(File("4.txt"), "edited after the run wrote it");
    EXPECT_FALSE(backups.RestoreChangedFiles());
    EXPECT_EQ(backups.restoreFailures(), 2);
    EXPECT_EQ(ReadFile(File("1.txt")), "original 1.txt");
    EXPECT_EQ(ReadFile(File("2.txt")), "changed");
    EXPECT_EQ(ReadFile(File("3.txt")), "original 3.txt");
    EXPECT_EQ(ReadFile(File("4.txt")), "edited after the run wrote it");
    EXPECT_EQ(ReadFile(File("4.~txt")), "original 4.txt");
    ASSERT_GE(log.logLineCount(), 2);
    EXPECT_EQ(log.line(log.logLineCount() - 2), "Can't Restore file: " + File("2.txt"));
    EXPECT_EQ(log.line(log.logLineCount() - 1), "Can't Restore file: " + File("4.txt"));
}

TEST_F(BackupTest, AnOfferedFileIsTakenOnlyWhereTheFolderStillNamesIt) {
    namespace fs = std::filesystem;
    WriteFile(dir / "a.txt", "a cat\n");
    WriteFile(dir / "b.txt", "b cat\n");
    const auto offer = [&](const std::string& name) {
        UniqueFd file(::open((dir / name).c_str(), O_RDONLY | O_CLOEXEC));
        struct stat read {};
        ASSERT_EQ(::fstat(file.get(), &read), 0);
        backups.OfferOpenedFile(std::move(file), read);
    };
    const auto opened = [&](const std::string& name) {
        EXPECT_TRUE(backups.OpenForReading(dir.path().string(), name)) << name;
        std::string bytes(64, '\0');
        const ssize_t n = ::pread(backups.current().input.get(), bytes.data(), bytes.size(), 0);
        bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return bytes;
    };

    offer("a.txt");
    EXPECT_EQ(opened("a.txt"), "a cat\n");
    // Offered for one file, asked for another: the other is opened itself.
    offer("a.txt");
    EXPECT_EQ(opened("b.txt"), "b cat\n");
    // An offer lasts for one file only.
    offer("b.txt");
    EXPECT_FALSE(backups.OpenForReading(dir.path().string(), "missing.txt"));
    EXPECT_EQ(opened("a.txt"), "a cat\n");
    // Read, then replaced under its name: the file now named is the one taken.
    offer("a.txt");
    WriteFile(dir / "new.txt", "a dog\n");
    fs::rename(dir / "new.txt", dir / "a.txt");
    EXPECT_EQ(opened("a.txt"), "a dog\n");
    // Read, then a link put in its place: the link is taken as a link is, never the file
    // the offer was made for.
    offer("b.txt");
    fs::remove(dir / "b.txt");
    fs::create_symlink(dir / "a.txt", dir / "b.txt");
    EXPECT_EQ(opened("b.txt"), "a dog\n");
    backups.RestoreOneFile();
}

TEST_F(BackupTest, BackupNamesNeverCollideWithinOneRun) {
    BackupNaming naming;
    naming.prependChar = false;
    backups.SetNaming(naming);
    WriteFile(File("report.txt"), "txt original");
    WriteFile(File("report.c"), "c original");
    WriteFile(File("report.BAK"), "an old backup");
    RewriteChanged("report.txt", "txt changed");
    EXPECT_FALSE(Open("report.c"));
    EXPECT_FALSE(Open("report.BAK"));
    EXPECT_EQ(
        log.problemFiles(),
        (std::vector<std::string>{"     1) --- " + File("report.c") + " ... Same backup name as " +
                                      File("report.txt") + ", can't create backup!",
                                  "     2) --- " + File("report.BAK") + " ... Is the backup of " +
                                      File("report.txt") + " made in this run!"}));
    EXPECT_EQ(ReadFile(File("report.c")), "c original");
    EXPECT_EQ(ReadFile(File("report.BAK")), "txt original");
    EXPECT_TRUE(backups.RestoreChangedFiles());
    EXPECT_EQ(ReadFile(File("report.txt")), "txt original");

    // An old backup changed first in a run: the file it would be the backup of now is left.
    backups.EndRun();
    backups.SetNaming(BackupNaming());
    WriteFile(File("x.~txt"), "old backup of x");
    WriteFile(File("x.txt"), "x");
    RewriteChanged("x.~txt", "changed");
    EXPECT_FALSE(Open("x.txt"));
    EXPECT_EQ(log.problemFiles().back(), "     3) --- " + File("x.txt") + " ... Backup name is " +
                                             File("x.~txt") +
                                             ", changed in this run, can't create backup!");
}

TEST_F(BackupTest, OtherHardLinksKeepTheOriginalAndTheLogSaysSo) {
    WriteFile(File("a.txt"), "original");
    ASSERT_EQ(::link(File("a.txt").c_str(), File("other-name.txt").c_str()), 0);
    RewriteChanged("a.txt", "changed");
    EXPECT_EQ(ReadFile(File("a.txt")), "changed");
    EXPECT_EQ(ReadFile(File("other-name.txt")), "original");
    ASSERT_GE(log.logLineCount(), 1);
    EXPECT_EQ(log.line(log.logLineCount() - 1),
              "Other hard links of " + File("a.txt") + " keep the original content!");
}

TEST_F(BackupTest, AFileAnotherRunChangedStaysItsUntilThatRunEnds) {
    WriteFile(File("a.txt"), "original");
    RewriteChanged("a.txt", "first run");
    BackupKeeper second(control, log, prompter);
    EXPECT_FALSE(second.OpenForRewrite(dir.path().string(), "a.txt"));
    EXPECT_EQ(log.problemFiles().back(),
              "     1) --- " + File("a.txt") + " ... Is being changed by another run!");
    // Its backup, reached under its own name, is held too.
    EXPECT_FALSE(second.OpenForRewrite(dir.path().string(), "a.~txt"));

    EXPECT_TRUE(backups.RestoreChangedFiles());
    backups.EndRun();
    EXPECT_EQ(ReadFile(File("a.txt")), "original");
    ASSERT_TRUE(second.OpenForRewrite(dir.path().string(), "a.txt"));
    ASSERT_EQ(::write(second.current().output.get(), "second run", 10), 10);
    EXPECT_TRUE(second.KeepRewrittenFile());
    EXPECT_EQ(ReadFile(File("a.txt")), "second run");
}

TEST_F(BackupTest, AWalkFollowsALinkOnlyIntoItsStartDirectoryAndNeverAFolderSwappedSinceIt) {
    std::filesystem::create_directories(File("tree/sub"));
    std::filesystem::create_directory(File("outside"));
    WriteFile(File("tree/target.txt"), "inside");
    WriteFile(File("outside/secret.txt"), "outside");
    std::filesystem::create_symlink(File("tree/target.txt"), File("tree/in.txt"));
    std::filesystem::create_symlink(File("outside/secret.txt"), File("tree/out.txt"));
    WriteFile(File("tree/sub/f.txt"), "below");
    ListedFolders listed;
    for (const char* folder : {"tree", "tree/sub"}) {
        struct stat st {};
        ASSERT_EQ(::stat(File(folder).c_str(), &st), 0);
        listed[File(folder)] = FolderIdentity{st.st_dev, st.st_ino};
    }
    backups.SetWalk(File("tree"), &listed);

    ASSERT_TRUE(backups.OpenForRewrite(File("tree"), "in.txt"));
    EXPECT_EQ(backups.current().path, File("tree/target.txt"));
    ASSERT_EQ(::write(backups.current().output.get(), "changed", 7), 7);
    ASSERT_TRUE(backups.KeepRewrittenFile());
    EXPECT_TRUE(std::filesystem::is_symlink(File("tree/in.txt")));
    EXPECT_EQ(ReadFile(File("tree/target.txt")), "changed");
    EXPECT_EQ(ReadFile(File("tree/target.~txt")), "inside");

    EXPECT_FALSE(backups.OpenForRewrite(File("tree"), "out.txt"));
    EXPECT_EQ(log.problemFiles().back(),
              "     1) --- " + File("tree/out.txt") +
                  " ... Link leads outside the start directory, not followed!");

    std::filesystem::rename(File("tree/sub"), File("tree/sub.old"));
    std::filesystem::create_directory_symlink(File("outside"), File("tree/sub"));
    WriteFile(File("outside/f.txt"), "outside too");
    EXPECT_FALSE(backups.OpenForRewrite(File("tree/sub"), "f.txt"));
    EXPECT_EQ(log.problemFiles().back(), "     2) --- " + File("tree/sub/f.txt") +
                                             " ... Folder changed since the walk, not processed!");
    EXPECT_EQ(ReadFile(File("outside/f.txt")), "outside too");

    // A file list follows the link the user named.
    backups.EndRun();
    backups.SetFileList();
    EXPECT_TRUE(backups.OpenForRewrite(File("tree"), "out.txt"));
    backups.RestoreOneFile();
    // Root follows no link that someone else made to a file they do not own.
    if (::geteuid() == 0) {
        ASSERT_EQ(::lchown(File("tree/out.txt").c_str(), 65534, 65534), 0);
        EXPECT_FALSE(backups.OpenForRewrite(File("tree"), "out.txt"));
        EXPECT_EQ(log.problemFiles().back(),
                  "     3) --- " + File("tree/out.txt") +
                      " ... Link not owned by root or by its target's owner, not followed!");
        ASSERT_EQ(::chown(File("outside/secret.txt").c_str(), 65534, 65534), 0);
        EXPECT_TRUE(backups.OpenForRewrite(File("tree"), "out.txt"));
        backups.RestoreOneFile();
    }
    EXPECT_EQ(ReadFile(File("outside/secret.txt")), "outside");
}

TEST_F(BackupTest, RemovingBackupsPermanentlyReportsTheOnesThatStay) {
    std::filesystem::create_directory(File("locked"));
    WriteFile(File("a.txt"), "a");
    WriteFile(File("locked/b.txt"), "b");
    RewriteChanged("a.txt", "A");
    ASSERT_TRUE(backups.OpenForRewrite(File("locked"), "b.txt"));
    ASSERT_TRUE(backups.KeepRewrittenFile());
    // Make the backup undeletable: its folder becomes read-only to everyone but root, so
    // plant a directory where the file is expected instead.
    std::filesystem::remove(File("locked/b.~txt"));
    std::filesystem::create_directory(File("locked/b.~txt"));
    WriteFile(File("locked/b.~txt/keep"), "k");

    FreedesktopTrash unusedBin;
    backups.RemoveBackups(true, unusedBin);
    EXPECT_FALSE(std::filesystem::exists(File("a.~txt")));
    EXPECT_TRUE(std::filesystem::exists(File("locked/b.~txt")));
    ASSERT_GE(log.logLineCount(), 1);
    EXPECT_EQ(log.line(log.logLineCount() - 1), "Can't Remove file: " + File("locked/b.~txt"));
    EXPECT_EQ(ReadFile(File("a.txt")), "A");
}

TEST_F(BackupTest, RestoringAfterAnAbortNeedsNoFreeSpace) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
    std::filesystem::create_directory(File("small"));
    if (::mount("tmpfs", File("small").c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    }
    for (const char* name : {"small/1.txt", "small/2.txt"}) {
        WriteFile(File(name), std::string("original ") + name);
        RewriteChanged(name, "changed");
    }
    WriteFile(File("small/filler"), std::string(128 * 1024, 'f'));  // the disk is now full
    EXPECT_TRUE(backups.RestoreChangedFiles());
    EXPECT_EQ(ReadFile(File("small/1.txt")), "original small/1.txt");
    EXPECT_EQ(ReadFile(File("small/2.txt")), "original small/2.txt");
    ::umount2(File("small").c_str(), MNT_DETACH);
}

class CountingBin : public RecycleBin {
public:
    bool MoveToRecycleBin(const std::vector<std::string>& paths,
                          std::vector<std::string>& places) override {
        batches.push_back(paths);
        places.assign(paths.size(), "");
        return succeed;
    }
    std::vector<std::vector<std::string>> batches;
    bool succeed = true;
};

TEST_F(BackupTest, BackupsGoToTheBinInBatchesOfAtMost32000BytesOfNames) {
    const std::string deep = File(std::string(150, 'd'));
    std::filesystem::create_directory(deep);
    for (int i = 0; i < 200; ++i) {
        const std::string name = "f" + std::to_string(i) + ".txt";
        WriteFile(deep + "/" + name, "x");
        ASSERT_TRUE(backups.OpenForRewrite(deep, name));
        ASSERT_TRUE(backups.KeepRewrittenFile());
    }
    CountingBin bin;
    backups.RemoveBackups(false, bin);
    ASSERT_GE(bin.batches.size(), 2u);
    std::size_t total = 0;
    for (const auto& batch : bin.batches) {
        std::size_t bytes = 0;
        for (const auto& path : batch) bytes += path.size() + 1;
        EXPECT_LE(bytes - batch.back().size() - 1, 32000u);  // full before its last entry
        total += batch.size();
    }
    EXPECT_EQ(total, 200u);

    CountingBin failing;
    failing.succeed = false;
    backups.RemoveBackups(false, failing);
    EXPECT_EQ(failing.batches.size(), 1u);
    EXPECT_TRUE(control.abortRequested());
    EXPECT_EQ(prompter.messages.back(),
              "Error occurred deleting files to recycle bin!\r\nDelete Operation Terminated!");
}

// Moves `paths` to `bin`; the places it names go to `places` when given.
bool MoveAll(RecycleBin& bin, const std::vector<std::string>& paths,
             std::vector<std::string>* places = nullptr) {
    std::vector<std::string> named;
    const bool moved = bin.MoveToRecycleBin(paths, named);
    if (places) *places = named;
    return moved;
}

class TrashTest : public ::testing::Test {
protected:
    TrashTest() {
        Point("HOME", dir / "home");
        Point("XDG_DATA_HOME", dir / "data");
    }
    ~TrashTest() override {
        for (const auto& [name, value] : m_saved) {
            if (value.empty()) {
                ::unsetenv(name.c_str());
            } else {
                ::setenv(name.c_str(), value.c_str(), 1);
            }
        }
    }
    test::TempDir dir;

private:
    void Point(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        m_saved.emplace_back(name, old ? old : "");
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<std::pair<std::string, std::string>> m_saved;
};

TEST_F(TrashTest, FilesLandInTheHomeTrashWithAnEncodedInfoFile) {
    const std::string name = "a b%c\nd.~txt";
    std::filesystem::create_directory(dir / "one");
    std::filesystem::create_directory(dir / "two");
    WriteFile(dir / ("one/" + name), "first");
    WriteFile(dir / ("two/" + name), "second");
    const auto cwdBefore = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());

    FreedesktopTrash trash;
    std::vector<std::string> places;
    EXPECT_TRUE(MoveAll(trash, {dir / ("one/" + name), dir / ("two/" + name)}, &places));
    std::filesystem::current_path(cwdBefore);

    const std::string trashDir = dir / "data/Trash";
    EXPECT_EQ(places, (std::vector<std::string>{trashDir + "/files/" + name,
                                                trashDir + "/files/" + name + ".2"}));
    EXPECT_EQ(ReadFile(trashDir + "/files/" + name), "first");
    EXPECT_EQ(ReadFile(trashDir + "/files/" + name + ".2"), "second");
    const std::string info = ReadFile(trashDir + "/info/" + name + ".trashinfo");
    const std::string encodedDir = FreedesktopTrash::EncodeTrashPath(dir / "one");
    EXPECT_EQ(info.substr(0, info.find("DeletionDate=")),
              "[Trash Info]\nPath=" + encodedDir + "/a%20b%25c%0Ad.~txt\n");
    EXPECT_NE(info.find("DeletionDate=20"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / ("one/" + name)));
    EXPECT_FALSE(std::filesystem::exists(dir / "files"));
    EXPECT_FALSE(std::filesystem::exists(dir / "info"));
    EXPECT_FALSE(MoveAll(trash, {dir / "missing"}));

    // Taken back: never over a file that took the name meanwhile, and its record goes.
    const UniqueFd one(::open((dir / "one").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const UniqueFd two(::open((dir / "two").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    WriteFile(dir / ("two/" + name), "newer");
    EXPECT_FALSE(trash.TakeBack(places[1], dir / "two", two.get(), name));
    EXPECT_EQ(ReadFile(dir / ("two/" + name)), "newer");
    EXPECT_TRUE(trash.OpenPlace(places[0], dir / "one", one.get()).valid());
    EXPECT_TRUE(trash.TakeBack(places[0], dir / "one", one.get(), name));
    EXPECT_EQ(ReadFile(dir / ("one/" + name)), "first");
    EXPECT_FALSE(std::filesystem::exists(trashDir + "/info/" + name + ".trashinfo"));
    EXPECT_FALSE(trash.TakeBack(places[0], dir / "one", one.get(), name));

    // Only an entry of the user's own trash is given back, whatever a place's path says.
    std::filesystem::create_directories(dir / "elsewhere/files");
    WriteFile(dir / "elsewhere/files/x", "someone's");
    for (const std::string& place :
         {dir / "elsewhere/files/x", trashDir + "/files/../../../elsewhere/files/x",
          trashDir + "/files/", trashDir + "/info/" + name + ".2.trashinfo"}) {
        EXPECT_FALSE(trash.OpenPlace(place, dir / "one", one.get()).valid()) << place;
        EXPECT_FALSE(trash.TakeBack(place, dir / "one", one.get(), "taken")) << place;
    }
    EXPECT_EQ(ReadFile(dir / "elsewhere/files/x"), "someone's");
    EXPECT_FALSE(std::filesystem::exists(dir / "one/taken"));
}

// A tmpfs of its own that everyone may write to, as /tmp or a shared disk: the trash of a
// file there is the volume's, not the home trash.
class SharedVolume {
public:
    explicit SharedVolume(std::string path) : m_path(std::move(path)) {
        std::filesystem::create_directory(m_path);
        m_mounted = ::mount("tmpfs", m_path.c_str(), "tmpfs", 0, "size=1m,mode=1777") == 0;
    }
    ~SharedVolume() {
        if (m_mounted) ::umount2(m_path.c_str(), MNT_DETACH);
    }
    SharedVolume(const SharedVolume&) = delete;
    SharedVolume& operator=(const SharedVolume&) = delete;

    bool mounted() const { return m_mounted; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

    // Every name on the volume with its owner and mode, to see what a call changed.
    std::vector<std::string> Listing() const {
        std::vector<std::string> entries;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_path)) {
            struct stat st {};
            ::lstat(entry.path().c_str(), &st);
            entries.push_back(entry.path().string() + " " + std::to_string(st.st_uid) + " " +
                              std::to_string(st.st_mode));
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    }

private:
    std::string m_path;
    bool m_mounted = false;
};

constexpr uid_t kOtherUser = 65534;  // nobody: the other user of the shared volume

void MakeFolder(const std::string& path, mode_t mode, uid_t owner) {
    ASSERT_EQ(::mkdir(path.c_str(), mode), 0) << path;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
    ASSERT_EQ(::lchown(path.c_str(), owner, owner), 0) << path;
}

void MakeLink(const std::string& target, const std::string& path, uid_t owner) {
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0) << path;
    ASSERT_EQ(::lchown(path.c_str(), owner, owner), 0) << path;
}

TEST_F(TrashTest, ATrashFolderOnASharedVolumeThatIsNotTheUsersOwnIsNeverUsed) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a tmpfs and planting folders of another "
                        "user needs root";
    const std::string uid = std::to_string(::getuid());
    const uid_t me = ::geteuid();
    // What the other user planted before the run, on a volume of its own each time; the
    // other user's own folders/ files and info hold what a link of theirs points at.
    const std::vector<std::pair<std::string, std::function<void(const SharedVolume&)>>> plants = {
        {".Trash-uid and its folders of the other user",
         [&](const SharedVolume& v) {
             MakeFolder(v / (".Trash-" + uid), 0700, kOtherUser);
             MakeFolder(v / (".Trash-" + uid + "/files"), 0700, kOtherUser);
             MakeFolder(v / (".Trash-" + uid + "/info"), 0700, kOtherUser);
         }},
        {".Trash-uid of the user, open to everyone",
         [&](const SharedVolume& v) {
             MakeFolder(v / (".Trash-" + uid), 0777, me);
             MakeFolder(v / (".Trash-" + uid + "/files"), 0700, me);
             MakeFolder(v / (".Trash-" + uid + "/info"), 0700, me);
         }},
        {".Trash-uid a link to the other user's folder",
         [&](const SharedVolume& v) { MakeLink(v / "other", v / (".Trash-" + uid), me); }},
        {"files of the other user in the user's own .Trash-uid",
         [&](const SharedVolume& v) {
             MakeFolder(v / (".Trash-" + uid), 0700, me);
             MakeFolder(v / (".Trash-" + uid + "/files"), 0777, kOtherUser);
         }},
        {"info a link to the other user's folder",
         [&](const SharedVolume& v) {
             MakeFolder(v / (".Trash-" + uid), 0700, me);
             MakeLink(v / "other/info", v / (".Trash-" + uid + "/info"), kOtherUser);
         }},
        {".Trash/uid of the other user in a sticky shared .Trash",
         [&](const SharedVolume& v) {
             MakeFolder(v / ".Trash", 01777, me);
             MakeFolder(v / (".Trash/" + uid), 0700, kOtherUser);
             MakeFolder(v / (".Trash/" + uid + "/files"), 0700, kOtherUser);
             MakeFolder(v / (".Trash/" + uid + "/info"), 0700, kOtherUser);
         }},
        {".Trash/uid a link to the other user's folder",
         [&](const SharedVolume& v) {
             MakeFolder(v / ".Trash", 01777, me);
             MakeLink(v / "other", v / (".Trash/" + uid), kOtherUser);
         }},
    };
    for (const auto& [what, plant] : plants) {
        SCOPED_TRACE(what);
        SharedVolume volume(dir / "volume");
        if (!volume.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
        MakeFolder(volume / "other", 0777, kOtherUser);
        MakeFolder(volume / "other/files", 0777, kOtherUser);
        MakeFolder(volume / "other/info", 0777, kOtherUser);
        plant(volume);
        std::filesystem::create_directory(volume / "run");
        WriteFile(volume / "run/report.~txt", "the original");
        const std::vector<std::string> before = volume.Listing();

        FreedesktopTrash trash;
        EXPECT_FALSE(MoveAll(trash, {volume / "run/report.~txt"}));
        EXPECT_EQ(ReadFile(volume / "run/report.~txt"), "the original");
        EXPECT_EQ(volume.Listing(), before);
    }
}

TEST_F(TrashTest, AHomeTrashOfAnotherUserIsNeverUsed) {
    if (::geteuid() != 0) GTEST_SKIP() << "planting folders of another user needs root";
    // As root with the other user's environment kept (sudo -E): their trash, or their
    // files/ in a trash of root's, would let them read and delete root's backups.
    for (const bool wholeTrash : {true, false}) {
        SCOPED_TRACE(wholeTrash ? "the trash" : "its files/");
        std::filesystem::remove_all(dir / "data");
        std::filesystem::create_directory(dir / "data");
        MakeFolder(dir / "data/Trash", 0700, wholeTrash ? kOtherUser : ::geteuid());
        MakeFolder(dir / "data/Trash/files", 0700, kOtherUser);
        MakeFolder(dir / "data/Trash/info", 0700, kOtherUser);
        WriteFile(dir / "report.~txt", "the original");
        FreedesktopTrash trash;
        EXPECT_FALSE(MoveAll(trash, {dir / "report.~txt"}));
        EXPECT_EQ(ReadFile(dir / "report.~txt"), "the original");
        EXPECT_TRUE(std::filesystem::is_empty(dir / "data/Trash/files"));
    }
}

TEST_F(TrashTest, OnASharedVolumeTheUsersOwnTrashIsMadePrivate) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
    const std::string uid = std::to_string(::getuid());
    for (const bool sharedTrash : {false, true}) {
        SCOPED_TRACE(sharedTrash ? "in a sticky .Trash" : "as .Trash-uid");
        SharedVolume volume(dir / "volume");
        if (!volume.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
        if (sharedTrash) MakeFolder(volume / ".Trash", 01777, kOtherUser);
        WriteFile(volume / "report.~txt", "the original");
        const mode_t oldMask = ::umask(0077);
        FreedesktopTrash trash;
        EXPECT_TRUE(MoveAll(trash, {volume / "report.~txt"}));
        ::umask(oldMask);

        const std::string folder = volume / (sharedTrash ? ".Trash/" + uid : ".Trash-" + uid);
        EXPECT_EQ(ReadFile(folder + "/files/report.~txt"), "the original");
        EXPECT_NE(ReadFile(folder + "/info/report.~txt.trashinfo").find("Path=" + volume / ""),
                  std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(volume / "report.~txt"));
        for (const std::string& path : {folder, folder + "/files", folder + "/info"}) {
            struct stat st {};
            ASSERT_EQ(::lstat(path.c_str(), &st), 0) << path;
            EXPECT_TRUE(S_ISDIR(st.st_mode)) << path;
            EXPECT_EQ(st.st_uid, ::geteuid()) << path;
            EXPECT_EQ(st.st_mode & 07777, 0700u) << path;
        }
    }
}

TEST(TrashPathTest, EncodesEverythingOutsideTheUnreservedSet) {
    EXPECT_EQ(FreedesktopTrash::EncodeTrashPath("/a-b_c.d~e/F9"), "/a-b_c.d~e/F9");
    EXPECT_EQ(FreedesktopTrash::EncodeTrashPath("/x y\xFF"), "/x%20y%FF");
}

}  // namespace
}  // namespace kesto
