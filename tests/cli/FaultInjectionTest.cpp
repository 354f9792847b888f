// Faults injected around whole kesto-cli runs. Every test checks that the original bytes
// of every file of the run stay complete, under the file's own name or its backup name,
// and that nothing outside the run is touched.
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/CliRun.h"
#include "support/TempDir.h"

namespace kesto {
namespace {

using test::BackupOf;
using test::CanDropPrivileges;
using test::ExpectOriginalsRecoverable;
using test::KestoCli;
using test::kNobody;
using test::Quote;
using test::ReadFile;
using test::Snapshot;
using test::WriteFile;
namespace fs = std::filesystem;

using FaultInjectionTest = test::CliRunTest;

TEST_F(FaultInjectionTest, AReadOnlyFolderRefusesTheBackupAndLeavesTheFile) {
    if (!CanDropPrivileges())
        GTEST_SKIP() << "needs root and setpriv to run as an unprivileged user";
    fs::create_directory(dir / "ro");
    WriteFile(dir / "ro/a.txt", "cat\n");
    fs::permissions(dir / "ro/a.txt", fs::perms::all);
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    EXPECT_EQ(Run({"-s", "cat", "-r", "dog", "ro/a.txt"}, "", kNobody), 0);
    EXPECT_EQ(ReadFile(dir / "ro/a.txt"), "cat\n");
    EXPECT_FALSE(fs::exists(dir / "ro/a.~txt"));
    EXPECT_NE(ReadFile(dir / "stdout").find("... Couldn't Create Backup file!"), std::string::npos);
}

TEST_F(FaultInjectionTest, AReadOnlyFileIsRewrittenAndKeepsItsMode) {
    if (!CanDropPrivileges())
        GTEST_SKIP() << "needs root and setpriv to run as an unprivileged user";
    WriteFile(dir / "r.txt", "cat\n");
    ::chown((dir / "r.txt").c_str(), 65534, 65534);
    ::chmod((dir / "r.txt").c_str(), 0444);
    EXPECT_EQ(Run({"-s", "cat", "-r", "dog", "r.txt"}, "", kNobody), 0);
    EXPECT_EQ(ReadFile(dir / "r.txt"), "dog\n");
    EXPECT_EQ(ReadFile(dir / "r.~txt"), "cat\n");
    struct stat st {};
    ASSERT_EQ(::stat((dir / "r.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(st.st_uid, 65534u);
}

TEST_F(FaultInjectionTest, AnOwnerThatCannotBeKeptIsReportedInTheLog) {
    if (!CanDropPrivileges())
        GTEST_SKIP() << "needs root and setpriv to run as an unprivileged user";
    // Root's file in a folder anyone may write (without the sticky bit of the test's folder).
    fs::create_directory(dir / "open");
    fs::permissions(dir / "open", fs::perms::all);
    WriteFile(dir / "open/root.txt", "cat\n");
    ::chmod((dir / "open/root.txt").c_str(), 0644);
    EXPECT_EQ(Run({"-s", "cat", "-r", "dog", "open/root.txt"}, "", kNobody), 0);
    EXPECT_EQ(ReadFile(dir / "open/root.txt"), "dog\n");
    EXPECT_EQ(ReadFile(dir / "open/root.~txt"), "cat\n");
    EXPECT_NE(ReadFile(dir / "stdout")
                  .find("Couldn't keep the owner, group or permissions of " +
                        (dir / "open/root.txt") + "!"),
              std::string::npos);
}

TEST_F(FaultInjectionTest, FilesThatVanishOrChangeDuringTheRunAreHandledOneByOne) {
    fs::create_directory(dir / "t");
    WriteFile(dir / "t/1.txt", "cat\n");
    WriteFile(dir / "t/2.txt", "cat\n");
    WriteFile(dir / "t/3.txt", "cat\n");
    // The run asks about 1.txt first; meanwhile 2.txt goes and 3.txt is replaced.
    WriteFile(dir / "stdin", "");
    const std::string command = "cd " + Quote(dir.path().string()) + " && " + Quote(KestoCli()) +
                                " --ini k.INI -q -i -s cat -r dog -d t > stdout 2> stderr";
    FILE* answers = ::popen(command.c_str(), "w");
    ASSERT_NE(answers, nullptr);
    for (int i = 0; i < 1000 && ReadFile(dir / "stderr").find("00001") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    fs::remove(dir / "t/2.txt");
    WriteFile(dir / "t/3.txt", "a new cat\n");
    std::fputs("r\nr\n", answers);
    EXPECT_EQ(WEXITSTATUS(::pclose(answers)), 0);
    EXPECT_EQ(ReadFile(dir / "t/1.txt"), "dog\n");
    EXPECT_FALSE(fs::exists(dir / "t/2.txt"));
    EXPECT_EQ(ReadFile(dir / "t/3.txt"), "a new dog\n");
    EXPECT_EQ(ReadFile(dir / "t/3.~txt"), "a new cat\n");
    EXPECT_NE(ReadFile(dir / "stdout").find("2.txt ... Couldn't Open this file"),
              std::string::npos);
}

TEST_F(FaultInjectionTest, ANearlyFullDiskRestoresEveryFileItCannotRewrite) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
    fs::create_directory(dir / "small");
    if (::mount("tmpfs", (dir / "small").c_str(), "tmpfs", 0, "size=256k") != 0) {
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    }
    comparesThreads = false;  // a copy of the folder would not be on the small file system
    std::string grows;
    for (int i = 0; i < 2000; ++i) grows += "a line with a cat in it\n";
    WriteFile(dir / "small/big.txt", grows);  // ~48 KB, grows to ~60 KB
    WriteFile(dir / "small/tiny.txt", "one cat\n");
    WriteFile(dir / "small/filler", std::string(150 * 1024, 'f'));  // leaves too little room
    const auto originals = Snapshot(dir / "small");
    const int status = Run({"-s", "cat", "-r", "tigers", "small/big.txt", "small/tiny.txt"});
    const std::string log = ReadFile(dir / "stdout");
    ExpectOriginalsRecoverable(originals);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(dir / "small/big.txt"), grows);  // back as it was
    EXPECT_NE(log.find("big.txt ... Failed to write!"), std::string::npos);
    EXPECT_EQ(ReadFile(dir / "small/tiny.txt"), "one tigers\n");

    // Completely full: the first write fails, the original comes back by a rename.
    WriteFile(dir / "small/last.txt", "one more\n");
    WriteFile(dir / "small/filler2", std::string(300 * 1024, 'g'));
    Run({"-s", "one", "-r", "two", "small/last.txt"});
    EXPECT_EQ(ReadFile(dir / "small/last.txt"), "one more\n");
    EXPECT_NE(ReadFile(dir / "stdout").find("last.txt ... Failed to write!"), std::string::npos);
    ::umount2((dir / "small").c_str(), MNT_DETACH);
}

TEST_F(FaultInjectionTest, KillingTheRunAtAnyMomentLosesNoOriginal) {
    const fs::path tree = dir / "tree";
    std::map<std::string, std::string> originals;
    const auto makeTree = [&] { originals = test::MakeCatTree(tree); };
    const std::vector<std::string> words =
        CliWords({"-s", "cat", "-r", "dog", "-d", tree.string(), "-R"});

    int killedMidRun = 0;
    for (int delayMs = 1; delayMs <= 512; delayMs *= 2) {
        makeTree();
        test::Child run(words, {});
        ASSERT_TRUE(run.started());
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        if (run.Signal(SIGKILL)) ++killedMidRun;
        run.Wait(std::chrono::seconds(60));
        SCOPED_TRACE("killed after " + std::to_string(delayMs) + " ms");
        ExpectOriginalsRecoverable(originals);
    }
    EXPECT_GT(killedMidRun, 0);
}

TEST_F(FaultInjectionTest, AwkwardNamesAreProcessedRestoredAndTrashedByteExactly) {
    const std::vector<std::string> names = {"with blank.txt", "-leading.txt", "per%cent.txt",
                                            "line\nfeed.txt", "byte\xFF.txt"};
    std::vector<std::string> arguments = {"-i", "-s", "cat", "-r", "dog", "--"};
    std::string answers;
    for (const std::string& name : names) {
        WriteFile(dir / name, "cat\n");
        arguments.push_back(name);
        answers += "r\n";
    }
    EXPECT_EQ(Run(arguments, answers), 0);
    for (const std::string& name : names) {
        EXPECT_EQ(ReadFile(dir / name), "dog\n") << name;
        EXPECT_EQ(ReadFile(BackupOf(dir / name)), "cat\n") << name;
    }

    // Abort at the last one: every original is back under its own name.
    for (const std::string& name : names) WriteFile(dir / name, "cat\n");
    EXPECT_EQ(Run(arguments, "r\nr\nr\nr\nx\n"), 3);
    for (const std::string& name : names) EXPECT_EQ(ReadFile(dir / name), "cat\n") << name;

    // Backups not retained go to the trash with their names encoded.
    WriteFile(dir / "k.INI", "[Preferences]\nRetainBackUp=0\n");
    EXPECT_EQ(Run(arguments, "g\n", "XDG_DATA_HOME=" + Quote(dir / "data")), 0);
    for (const std::string& name : names) {
        EXPECT_EQ(ReadFile(dir / name), "dog\n") << name;
        EXPECT_FALSE(fs::exists(BackupOf(dir / name))) << name;
    }
    EXPECT_EQ(ReadFile(dir / "data/Trash/files/line\nfeed.~txt"), "cat\n");
    const std::string info = ReadFile(dir / "data/Trash/info/line\nfeed.~txt.trashinfo");
    EXPECT_NE(info.find("line%0Afeed.~txt\n"), std::string::npos);
}

TEST_F(FaultInjectionTest, AFifoAndASocketInAWalkedTreeAreSkipped) {
    fs::create_directory(dir / "w");
    WriteFile(dir / "w/real.txt", "cat\n");
    ASSERT_EQ(::mkfifo((dir / "w/pipe.txt").c_str(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir / "w/sock.txt";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    EXPECT_EQ(Run({"-s", "cat", "-r", "dog", "-d", "w"}, "", "timeout 20"), 0);
    ::close(sock);
    EXPECT_EQ(ReadFile(dir / "w/real.txt"), "dog\n");
    EXPECT_TRUE(fs::is_fifo(dir / "w/pipe.txt"));
    EXPECT_TRUE(fs::is_socket(dir / "w/sock.txt"));

    // Named on the command line they are refused, not opened.
    EXPECT_EQ(Run({"-s", "cat", "-r", "dog", "w/pipe.txt"}, "", "timeout 20"), 0);
    EXPECT_NE(ReadFile(dir / "stdout").find("pipe.txt ... Couldn't Open this file"),
              std::string::npos);
}

}  // namespace
}  // namespace kesto
