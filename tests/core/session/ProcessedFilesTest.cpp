#include "session/ProcessedFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace kesto {
namespace {

using test::TempDir;
using test::WriteFile;
using Strings = std::vector<std::string>;
using Taken = std::vector<bool>;

class ProcessedFilesTest : public ::testing::Test {
protected:
    ProcessedFilesTest() {
        std::filesystem::create_directories(dir / "tree");
        WriteFile(dir / "tree/m.txt", "x\n");
        WriteFile(dir / "tree/p.txt", "x\n");
        WriteFile(dir / "outside.txt", "x\n");
    }

    // Asks about every entry of `list` in turn, as a run's file loop does.
    static Taken Ask(const Strings& list, const WalkListing& walk) {
        ProcessedFiles processed;
        Taken taken;
        for (std::size_t i = 0; i < list.size(); ++i) {
            taken.push_back(processed.FirstTime(list, i, walk));
        }
        return taken;
    }
    std::string Link(const std::string& name, const std::string& target) const {
        std::filesystem::create_symlink(target, dir / name);
        return dir / name;
    }

    TempDir dir;
};

TEST_F(ProcessedFilesTest, AWalkedFileIsTakenByItsFirstEntryWhereverItsLinksSort) {
    const std::string before = Link("tree/a.txt", "m.txt");
    const std::string after = Link("tree/z.txt", "m.txt");
    const Strings list{before, dir / "tree/m.txt", dir / "tree/p.txt", after};
    EXPECT_EQ(Ask(list, {0, 4, {0, 3}}), (Taken{true, false, true, false}));
    const Strings targetFirst{dir / "tree/m.txt", after};
    EXPECT_EQ(Ask(targetFirst, {0, 2, {1}}), (Taken{true, false}));
}

TEST_F(ProcessedFilesTest, TwoLinksToAFileOutsideTheWalkTakeItOnce) {
    const std::string one = Link("tree/o1.txt", "../outside.txt");
    const std::string two = Link("tree/o2.txt", "../outside.txt");
    const Strings list{one, dir / "tree/p.txt", two};
    EXPECT_EQ(Ask(list, {0, 3, {0, 2}}), (Taken{true, true, false}));
}

TEST_F(ProcessedFilesTest, EntriesBesideTheWalksFilesAreCheckedAgainstThem) {
    const Strings list{dir / "tree/p.txt", dir / "tree/./p.txt", dir / "tree/p.txt",
                       dir / "tree/m.txt"};
    EXPECT_EQ(Ask(list, {2, 2, {}}), (Taken{true, false, false, true}));
    const Strings walkFirst{dir / "tree/p.txt", dir / "tree/m.txt", dir / "tree/./m.txt"};
    EXPECT_EQ(Ask(walkFirst, {0, 2, {}}), (Taken{true, true, false}));
}

TEST_F(ProcessedFilesTest, AListWithoutAWalkIsCheckedEntryByEntry) {
    const std::string link = Link("tree/l.txt", "p.txt");
    const Strings list{dir / "tree/p.txt", dir / "tree/./p.txt", link,
                       dir / "tree/m.txt", dir / "missing.txt",  dir / "missing.txt"};
    EXPECT_EQ(Ask(list, {}), (Taken{true, false, false, true, true, true}));
}

}  // namespace
}  // namespace kesto
