// Diffs as the tools write them, read into the patches of their files: names, refusals, and
// the damage that makes a diff unusable as a whole.
#include "patch/DiffReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kesto {
namespace {

const std::string kHunk = "@@ -1 +1 @@\n-old\n+new\n";

TEST(DiffReaderTest, NamesAsTheToolsWriteThem) {
    struct Case {
        const char* what;
        std::string diff;
        std::string name;
    };
    const std::vector<Case> cases = {
        {"git", "diff --git a/x.txt b/x.txt\nindex 1..2 100644\n--- a/x.txt\n+++ b/x.txt\n" + kHunk,
         "x.txt"},
        {"diff -u with times", "--- x.txt\t2026-01-01 10:00:00\n+++ x.txt\t2026-01-02\n" + kHunk,
         "x.txt"},
        {"a space, ended by a tab", "--- a/my file.txt\t\n+++ b/my file.txt\t\n" + kHunk,
         "my file.txt"},
        {"git's quotes",
         "--- \"a/tab\\there \\\"q\\\" \\303\\244\"\n+++ \"b/tab\\there \\\"q\\\" "
         "\\303\\244\"\n" +
             kHunk,
         "tab\there \"q\" \xc3\xa4"},
        {"CR LF headers", "--- a/x.txt\r\n+++ b/x.txt\r\n" + kHunk, "x.txt"},
        {"a folder", "--- a/sub/x.txt\n+++ b/sub/x.txt\n" + kHunk, "sub/x.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DiffReading reading = DiffReader::Read(c.diff, "/base");
        ASSERT_EQ(reading.damage, "");
        ASSERT_EQ(reading.files.size(), 1u);
        EXPECT_EQ(reading.files[0].name, c.name);
        EXPECT_EQ(reading.files[0].refusal, "");
        EXPECT_EQ(reading.files[0].path(), "/base/" + c.name);
    }
}

TEST(DiffReaderTest, WhatMayNotBeAppliedIsReadWithItsReason) {
    struct Case {
        const char* what;
        std::string diff;
        std::string refusal;
    };
    const std::vector<Case> cases = {
        {"created", "--- /dev/null\n+++ b/new.txt\n@@ -0,0 +1 @@\n+new\n",
         "Creates a file - not applied!"},
        {"deleted", "--- a/x.txt\n+++ /dev/null\n@@ -1 +0,0 @@\n-old\n",
         "Deletes the file - not applied!"},
        {"git's new file",
         "diff --git a/n b/n\nnew file mode 100644\n--- /dev/null\n+++ b/n\n"
         "@@ -0,0 +1 @@\n+new\n",
         "Creates a file - not applied!"},
        {"renamed", "--- a/x.txt\n+++ b/y.txt\n" + kHunk, "Renames the file - not applied!"},
        {"git's rename", "diff --git a/x b/y\nsimilarity index 100%\nrename from x\nrename to y\n",
         "Renames the file - not applied!"},
        {"mode", "diff --git a/x b/x\nold mode 100644\nnew mode 100755\n",
         "Changes the file's mode - not applied!"},
        {"git binary",
         "diff --git a/x.bin b/x.bin\nindex 1..2\nGIT binary patch\nliteral 3\n"
         "Kc${NkU|;|M00aO5\n\n",
         "Binary patch - not applied!"},
        {"binary files differ", "Binary files a/x.bin and b/x.bin differ\n",
         "Binary patch - not applied!"},
        {"up and out", "--- a/../x.txt\n+++ b/../x.txt\n" + kHunk,
         "Leaves the current folder - not applied!"},
        {"up inside", "--- a/sub/../../x\n+++ b/sub/../../x\n" + kHunk,
         "Leaves the current folder - not applied!"},
        {"absolute", "--- /etc/x\n+++ /etc/x\n" + kHunk,
         "Leaves the current folder - not applied!"},
        {"a NUL in quotes", "--- \"a/x\\000y\"\n+++ \"b/x\\000y\"\n" + kHunk,
         "Leaves the current folder - not applied!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DiffReading reading = DiffReader::Read(c.diff, "/base");
        ASSERT_EQ(reading.damage, "");
        ASSERT_EQ(reading.files.size(), 1u);
        EXPECT_EQ(reading.files[0].refusal, c.refusal);
    }
    EXPECT_EQ(DiffReader::Read("Binary files a/x and y.bin and b/x and y.bin differ\n", "/base")
                  .files.at(0)
                  .name,
              "x and y.bin");
}

TEST(DiffReaderTest, AFileNamedTwiceIsRefusedEachTimeAndTheOthersStay) {
    const DiffReading reading =
        DiffReader::Read("--- a/x\n+++ b/x\n" + kHunk + "--- a/y\n+++ b/y\n" + kHunk +
                             "--- a/./x\n+++ b/./x\n" + "@@ -3 +3 @@\n-c\n+d\n",
                         "/base");
    ASSERT_EQ(reading.files.size(), 3u);
    EXPECT_EQ(reading.files[0].refusal, "Named more than once in the diff - not applied!");
    EXPECT_EQ(reading.files[1].refusal, "");
    EXPECT_EQ(reading.files[2].refusal, "Named more than once in the diff - not applied!");
}

TEST(DiffReaderTest, ADamagedDiffIsRefusedWhole) {
    struct Case {
        const char* what;
        std::string diff;
        std::string damage;
    };
    const std::string head = "--- a/x\n+++ b/x\n";
    const std::vector<Case> cases = {
        {"counts fewer old lines", head + "@@ -1 +1 @@\n-a\n-b\n+c\n",
         "line 5: a hunk with more lines than its header counts"},
        {"counts fewer lines", head + "@@ -1 +1 @@\n-a\n+c\n+d\n",
         "line 6: a line of a hunk that its header does not count"},
        {"counts more lines", head + "@@ -1,3 +1 @@\n-a\n+c\n",
         "line 5: the diff ends inside a hunk"},
        {"counts more, then the next file", head + "@@ -1,2 +1 @@\n-a\n+c\n--- a/y\n+++ b/y\n",
         "line 7: a line of a hunk that its header does not count"},
        {"a stray line", head + "@@ -1 +1 @@\n-a\n?b\n+c\n",
         "line 5: a line in a hunk that is no context, removal or addition"},
        {"out of order", head + "@@ -5 +5 @@\n-a\n+b\n@@ -1 +1 @@\n-c\n+d\n",
         "line 6: hunks out of order or overlapping"},
        {"no names", "@@ -1 +1 @@\n-a\n+b\n", "line 1: a hunk before the names of its file"},
        {"bad header", head + "@@ -x +1 @@\n", "line 3: a hunk header that cannot be read"},
        {"line 0 with lines", head + "@@ -0,1 +1 @@\n-a\n+b\n",
         "line 3: a hunk header that cannot be read"},
        {"open quote", "--- \"a/x\n+++ b/x\n", "line 2: a name in quotes that does not end"},
        {"no line feed inside",
         head + "@@ -1,2 +1,2 @@\n-a\n\\ No newline at end of file\n-b\n+c\n+d\n",
         "in x a line without a line feed is not the file's last"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DiffReading reading = DiffReader::Read(c.diff, "/base");
        EXPECT_NE(reading.damage.find(c.damage), std::string::npos) << reading.damage;
        EXPECT_TRUE(reading.files.empty());
    }
}

TEST(DiffReaderTest, APreambleAndASignatureAreNotPartOfAnyHunk) {
    const DiffReading reading = DiffReader::Read(
        "From 1234 Mon Sep 17 00:00:00 2001\nSubject: a change\n\n  indented text\n---\n"
        " x | 2 +-\n\ndiff --git a/x b/x\n--- a/x\n+++ b/x\n" +
            kHunk + "-- \n2.39.5\n\n",
        "/base");
    EXPECT_EQ(reading.damage, "");
    ASSERT_EQ(reading.files.size(), 1u);
    EXPECT_EQ(reading.files[0].hunks.size(), 1u);
}

}  // namespace
}  // namespace kesto
