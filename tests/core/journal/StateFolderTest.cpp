#include "journal/StateFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "support/TempDir.h"

namespace kesto {
namespace {

namespace fs = std::filesystem;

// Which folders are trusted to hold the journals, and which are made.
TEST(StateFolderTest, OnlyAFolderNobodyElseCanHaveWrittenIsTrusted) {
    test::TempDir dir;
    const std::string d = dir.path().string();
    const auto folder = [&](const std::string& name, mode_t mode) {
        fs::create_directories(d + "/" + name);
        ::chmod((d + "/" + name).c_str(), mode);
    };
    struct Case {
        std::string title;
        std::function<void()> make;
        std::string path;  // below the test's folder
        bool create;
        std::string refusal;  // what the reason says; empty when trusted
        bool exists;
    };
    const std::vector<Case> cases = {
        {"missing, not made", [] {}, "a/b/runs", false, "", false},
        {"missing, made private", [] {}, "a/b/runs", true, "", true},
        {"a link on the way, in a trusted folder",
         [&] {
             folder("real/runs", 0700);
             fs::create_symlink(d + "/real", d + "/via");
         },
         "via/./runs", false, "", true},
        {"back up and down again", [&] { folder("x/runs", 0700); }, "x/../x/runs", false, "", true},
        {"a link at the end",
         [&] {
             folder("real/runs", 0700);
             fs::create_symlink(d + "/real/runs", d + "/runs");
         },
         "runs", false, "it is a symbolic link", false},
        {"a file at the end", [&] { test::WriteFile(d + "/runs", ""); }, "runs", false,
         "Not a directory", false},
        {"open to the group", [&] { folder("runs", 0770); }, "runs", false,
         "others may write to it", false},
        {"above it, open to all",
         [&] {
             folder("open", 0777);
             folder("open/runs", 0700);
         },
         "open/runs", false, "others may write to " + d + "/open above it", false},
        {"above it, open to all but sticky",
         [&] {
             folder("tmp", 01777);
             folder("tmp/runs", 0700);
         },
         "tmp/runs", false, "", true},
        {"above it, open to the user's own group",
         [&] {
             folder("home", 0770);
             folder("home/runs", 0700);
         },
         "home/runs", false, "", true},
        {"above it, open to another group",
         [&] {
             folder("shared", 0770);
             ::chown((d + "/shared").c_str(), ::geteuid(), 65534);
             folder("shared/runs", 0700);
         },
         "shared/runs", true, "others may write to " + d + "/shared above it", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        for (const auto& entry : fs::directory_iterator(dir.path())) fs::remove_all(entry.path());
        c.make();
        std::string refusal;
        const std::optional<StateFolder> state =
            StateFolder::Open(d + "/" + c.path, c.create, refusal);
        EXPECT_EQ(state.has_value(), c.refusal.empty()) << refusal;
        if (!c.refusal.empty()) {
            EXPECT_NE(refusal.find("Run journals can't be kept in " + d + "/" + c.path + ": "),
                      std::string::npos)
                << refusal;
            EXPECT_NE(refusal.find(c.refusal), std::string::npos) << refusal;
            continue;
        }
        EXPECT_EQ(state->exists(), c.exists);
        if (c.create) {
            struct stat st {};
            ASSERT_EQ(::fstat(state->fd(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0700u);
        }
    }
    std::string refusal;
    const std::optional<StateFolder> none = StateFolder::Open("", true, refusal);
    ASSERT_TRUE(none) << "no folder named: no journals";
    EXPECT_FALSE(none->exists());
}

}  // namespace
}  // namespace kesto
