#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/CliRun.h"

namespace kesto {
namespace {

using test::ReadFile;
using test::WriteFile;

class LeftAloneTest : public test::CliRunTest {
protected:
    std::string Read(const std::string& name) const { return ReadFile(dir / name); }
    std::string Log() const { return ReadFile(dir / "stdout"); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir / name); }
};

TEST_F(LeftAloneTest, RunsInARowKeepOneBackupPerFileHoldingTheBytesBeforeTheLast) {
    std::filesystem::create_directories(dir / "repo");
    WriteFile(dir / "repo/a.txt", "main one\n");
    WriteFile(dir / "repo/b.BAK", "main of a file named like a backup with nothing beside it\n");
    const std::vector<std::string> walk = {"-c", "-d", "repo", "-f", "*.*", "-R"};
    const auto run = [&](const std::string& from, const std::string& to) {
        std::vector<std::string> arguments = {"-s", from, "-r", to};
        arguments.insert(arguments.end(), walk.begin(), walk.end());
        return Run(arguments);
    };
    ASSERT_EQ(run("main", "trunk"), 0);
    ASSERT_EQ(run("one", "two"), 0);
    ASSERT_EQ(run("two", "three"), 0);
    EXPECT_EQ(Read("repo/a.txt"), "trunk three\n");
    EXPECT_EQ(Read("repo/a.~txt"), "trunk two\n") << "the bytes before the last run";
    EXPECT_FALSE(Exists("repo/a.~~txt")) << "the backup was taken as a file of its own";
    // a.~txt and b.~BAK, the backups the first run made.
    EXPECT_NE(Log().find("Walk: 2 backups of earlier runs left out (Skip Back Up Files)"),
              std::string::npos)
        << Log();
    // A name like a backup's, with no file it could be the backup of, is an ordinary file.
    EXPECT_EQ(Read("repo/b.BAK"), "trunk of a file named like a backup with nothing beside it\n");

    // The other naming scheme counts too: a.BAK beside a.txt is a backup.
    WriteFile(dir / "repo/a.BAK", "main\n");
    ASSERT_EQ(run("main", "x"), 0);
    EXPECT_EQ(Read("repo/a.BAK"), "main\n");

    // Named in a file list, a backup is what the user asked for.
    ASSERT_EQ(Run({"-c", "-s", "two", "-r", "2", "repo/a.~txt"}), 0);
    EXPECT_EQ(Read("repo/a.~txt"), "trunk 2\n");

    // With the setting off the walk takes them as before.
    WriteFile(dir / "k.INI", "[Preferences]\nSkipBackUpFiles=0\n");
    ASSERT_EQ(run("trunk", "t"), 0);
    EXPECT_EQ(Read("repo/a.BAK"), "main\n");
    EXPECT_TRUE(Exists("repo/a.~~txt"));
}

TEST_F(LeftAloneTest, BinaryFilesAreProblemsUnlessAskedFor) {
    const std::string binary("cat\0cat\n", 8);
    WriteFile(dir / "data.bin", binary);
    WriteFile(dir / "plain.txt", "a cat\n");
    ASSERT_EQ(Run({"-c", "-s", "cat", "-r", "dog", "data.bin", "plain.txt", "--unknown-ext",
                   "session-search"}),
              0)
        << ReadFile(dir / "stderr");
    EXPECT_EQ(Read("data.bin"), binary);
    EXPECT_FALSE(Exists("data.~bin"));
    EXPECT_EQ(Read("plain.txt"), "a dog\n");
    const std::string log = Log();
    EXPECT_NE(log.find("data.bin ... Binary file - not searched!"), std::string::npos) << log;

    ASSERT_EQ(Run({"--binary", "-c", "-s", "cat", "-r", "dog", "data.bin", "--unknown-ext",
                   "session-search"}),
              0);
    EXPECT_EQ(Read("data.bin"), std::string("dog\0dog\n", 8));
    EXPECT_NE(Log().find("Binary Files -> Searched"), std::string::npos) << Log();
}

TEST_F(LeftAloneTest, IgnoreFilesLeaveOutWhatTheyExcludeWhenAsked) {
    for (const std::string name :
         {"repo/a.txt", "repo/debug.log", "repo/keep.log", "repo/build/out.txt", "repo/src/b.txt",
          "repo/src/gen/c.txt", "repo/src/vendor.txt"}) {
        std::filesystem::create_directories(std::filesystem::path(dir / name).parent_path());
        WriteFile(dir / name, "cat\n");
    }
    std::filesystem::create_directories(dir / "repo/.git/info");
    WriteFile(dir / "repo/.gitignore", "*.log\n!keep.log\nbuild/\n");
    WriteFile(dir / "repo/src/.gitignore", "gen/\n");
    WriteFile(dir / "repo/src/.ignore", "vendor.txt\n");
    WriteFile(dir / "repo/.git/info/exclude", "a.txt\n");
    const std::vector<std::string> walk = {"-c", "-s", "cat", "-r", "dog", "-d", "repo", "-R"};

    std::vector<std::string> asked = walk;
    asked.push_back("--ignore-files");
    ASSERT_EQ(Run(asked), 0) << ReadFile(dir / "stderr");
    EXPECT_EQ(Read("repo/keep.log"), "dog\n");
    EXPECT_EQ(Read("repo/src/b.txt"), "dog\n");
    for (const std::string name : {"repo/a.txt", "repo/debug.log", "repo/build/out.txt",
                                   "repo/src/gen/c.txt", "repo/src/vendor.txt"}) {
        EXPECT_EQ(Read(name), "cat\n") << name;
    }
    const std::string log = Log();
    EXPECT_NE(log.find("Respect Ignore Files -> Selected"), std::string::npos) << log;
    EXPECT_NE(log.find("Walk: 3 files and 2 folders left out by ignore files"), std::string::npos)
        << log;

    // Without the switch the walk takes them all, as before.
    ASSERT_EQ(Run(walk), 0);
    EXPECT_EQ(Read("repo/a.txt"), "dog\n");
    EXPECT_EQ(Read("repo/build/out.txt"), "dog\n");
    EXPECT_EQ(Log().find("ignore files"), std::string::npos);
}

}  // namespace
}  // namespace kesto
