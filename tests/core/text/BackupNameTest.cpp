#include "text/BackupName.h"

#include <gtest/gtest.h>

namespace kesto {
namespace {

TEST(BackupNameTest, PathsAreJoinedByOneSeparator) {
    EXPECT_EQ(JoinPath("/a/b", "c.txt"), "/a/b/c.txt");
    EXPECT_EQ(JoinPath("/a/b/", "c.txt"), "/a/b/c.txt");
    EXPECT_EQ(JoinPath("/", "c.txt"), "/c.txt");
    EXPECT_EQ(JoinPath("", "c.txt"), "c.txt");
}

// A run's file list holds a joined path per file: a million of them with room to spare
// would take a third more memory than the paths need.
TEST(BackupNameTest, AJoinedPathHoldsNoSpareRoom) {
    const std::string path = JoinPath("/tmp/kesto-bench/million/million/d99/d99", "f99.txt");
    EXPECT_EQ(path.capacity(), path.size());
}

}  // namespace
}  // namespace kesto
