#include "walk/FileWalk.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "settings/ExtensionLists.h"
#include "support/RecordingStatusHost.h"
#include "support/TempDir.h"

namespace kesto {
namespace {

using test::TempDir;
using test::WriteFile;
using Strings = std::vector<std::string>;

class FileWalkTest : public ::testing::Test {
protected:
    SessionState state;
    test::RecordingStatusHost status;
    RunControl control;
    ProgressReporter progress{state, control, status};
    FileWalk walk{control, progress};
    Strings sessionSearchList;
};

TEST_F(FileWalkTest, TheFilterSplitsAtSemicolonsCommasAndTheFirstBlank) {
    const std::pair<std::string, Strings> rows[] = {
        {"*.c;*.h", {"*.c", "*.h"}},
        {"*.c *.h", {"*.c", "*.h"}},
        {"*.c; *.h", {"*.c", " *.h"}},
        {"*.c, *.h, *.txt", {"*.c", " *.h", " *.txt"}},
        {" *.*", {"*.*"}},
        {";;a.b;;", {"a.b"}},
    };
    for (const auto& [filter, patterns] : rows) {
        walk.SplitFileFilter(filter, sessionSearchList);
        EXPECT_EQ(walk.patterns(), patterns) << filter;
    }
}

TEST_F(FileWalkTest, LiteralExtensionsOfTheFilterJoinTheSessionList) {
    walk.SplitFileFilter("*.txt;*.tx?;*.C*;x.", sessionSearchList);
    walk.SplitFileFilter("*.txt", sessionSearchList);
    EXPECT_EQ(sessionSearchList, (Strings{"TXT", "", "TXT"}));
}

TEST_F(FileWalkTest, NamesMatchPatternsByBaseAndExtension) {
    struct Row {
        const char* filter;
        const char* name;
        bool matches;
    };
    const Row rows[] = {
        {"*.C", "a.c", true},
        {"*.C", "A.CPP", false},
        {"*.C", "A", false},
        {"*.C*", "A.CPP", true},
        {"*.C*", "A.C", true},
        {"A*", "abc.txt", true},
        {"A*", "babc.txt", false},
        {"*", "MAKEFILE", true},
        {"*.", "MAKEFILE", true},
        {"*.*", "MAKEFILE", true},
        {"*.c", "MAKEFILE", false},
        {"readme.txt", "README.TXT", true},
        {"readme.txt", "README2.TXT", false},
        {"read*.txt", "README2.TXT", true},
        {"*.tx?", "a.txt", true},
        {"*.tx?", "a.tx", false},
        {"?a.x", "a.x", false},
        {"a?.x", "a.x", false},
        {"a?*.x", "a.x", true},
        {"*.c;*.h", "b.h", true},
        {"*.c; *.h", "b.h", false},
    };
    for (const Row& row : rows) {
        walk.SplitFileFilter(row.filter, sessionSearchList);
        EXPECT_EQ(walk.MatchesFileFilter(row.name), row.matches) << row.filter << " " << row.name;
    }
}

TEST_F(FileWalkTest, TheWalkIsBreadthFirstAndTheResultSortedByDirectoryThenName) {
    TempDir dir;
    const std::string root = dir.path().string();
    for (const char* folder : {"A", "A/B", "A/C", "A/B/D", "A/.dot", "A/c2"}) {
        std::filesystem::create_directories(dir / folder);
    }
    for (const char* file : {"A/z.txt", "A/Y.txt", "A/B/b.txt", "A/C/c.txt", "A/B/D/d.txt",
                             "A/.dot/hidden.txt", "A/c2/x.dat", "A/notes.md"}) {
        WriteFile(dir / file, "x\n");
    }
    std::filesystem::create_directory_symlink(dir / "A/B", dir / "A/linked");
    ::mkfifo((dir / "A/pipe.txt").c_str(), 0600);

    Strings found;
    walk.BuildFileList(dir / "A", "*.txt", true, sessionSearchList, found, 0);
    EXPECT_EQ(found, (Strings{root + "/A/Y.txt", root + "/A/z.txt", root + "/A/B/b.txt",
                              root + "/A/B/D/d.txt", root + "/A/C/c.txt"}));
    EXPECT_EQ(walk.dirsExamined(), 4);  // B, C, c2, then D; the dot folder and the link never

    Strings top;
    FileWalk flat(control, progress);
    flat.BuildFileList(dir / "A", "*.*", false, sessionSearchList, top, 0);
    EXPECT_EQ(top, (Strings{root + "/A/notes.md", root + "/A/Y.txt", root + "/A/z.txt"}));
    EXPECT_EQ(flat.dirsExamined(), 3);  // subdirectories are counted even when not entered

    Strings none;
    flat.BuildFileList(dir / "missing", "*.*", true, sessionSearchList, none, 0);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(status.waitDepth, 0);
}

TEST_F(FileWalkTest, AnAbortDuringTheWalkHandsOverNothing) {
    TempDir dir;
    for (int i = 0; i < 250; ++i) WriteFile(dir / ("f" + std::to_string(i) + ".txt"), "x\n");
    status.abortAtReport = 1;
    state.sessionRunning = true;
    Strings found{"kept"};
    walk.BuildFileList(dir.path().string(), "*.*", true, sessionSearchList, found, 0);
    EXPECT_TRUE(control.abortRequested());
    EXPECT_EQ(found, Strings{"kept"});
    EXPECT_EQ(walk.listing().count, 0u);
}

TEST_F(FileWalkTest, TheListingNamesTheLinksAmongTheFilesItHandsOver) {
    TempDir dir;
    std::filesystem::create_directories(dir / "t/sub");
    WriteFile(dir / "t/m.txt", "x\n");
    WriteFile(dir / "t/sub/s.txt", "x\n");
    std::filesystem::create_symlink("m.txt", dir / "t/a.txt");
    std::filesystem::create_symlink("../m.txt", dir / "t/sub/z.txt");
    Strings found{"given"};
    walk.BuildFileList(dir / "t", "*.txt", true, sessionSearchList, found, 0);
    const std::string t = dir / "t";
    ASSERT_EQ(found,
              (Strings{"given", t + "/a.txt", t + "/m.txt", t + "/sub/s.txt", t + "/sub/z.txt"}));
    EXPECT_EQ(walk.listing().first, 1u);
    EXPECT_EQ(walk.listing().count, 4u);
    EXPECT_EQ(walk.listing().shared, (std::vector<std::size_t>{1, 4}));
}

class ScriptedExtensionAsker : public UnknownExtensionAsker {
public:
    ExtensionChoice AskAboutExtension(std::string_view base, std::string_view extension) override {
        asked.push_back(std::string(base) + "." + std::string(extension));
        return answer;
    }
    ExtensionChoice answer = ExtensionChoice::SessionSearch;
    Strings asked;
};

TEST(ExtensionListsTest, PrecedenceDecidesBeforeAnyQuestion) {
    RunControl control;
    ScriptedExtensionAsker asker;
    ExtensionLists lists(control, asker);
    lists.alwaysSearchList = {"EXE", "TXT"};
    lists.alwaysExcludeList = {"TXT", "BAK", "TMP"};
    lists.overrideList = {"BAK"};
    EXPECT_TRUE(lists.IsFileEligible("MAKEFILE"));
    EXPECT_FALSE(lists.IsFileEligible("prog.exe"));  // never, whatever the lists say
    EXPECT_FALSE(lists.IsFileEligible("lib.Dll"));
    EXPECT_TRUE(lists.IsFileEligible("readme.txt"));
    EXPECT_TRUE(lists.IsFileEligible("a.bak"));
    EXPECT_FALSE(lists.IsFileEligible("a.tmp"));
    EXPECT_TRUE(asker.asked.empty());

    asker.answer = ExtensionChoice::SessionExclude;
    EXPECT_FALSE(lists.IsFileEligible("x.dat"));
    EXPECT_FALSE(lists.IsFileEligible("y.DAT"));  // answered once for the session
    EXPECT_EQ(asker.asked, Strings{"X.DAT"});
    EXPECT_FALSE(lists.listsChanged);
}

TEST(ExtensionListsTest, AllAlwaysSearchAddsEveryNewExtensionWithoutAsking) {
    RunControl control;
    ScriptedExtensionAsker asker;
    ExtensionLists lists(control, asker);
    asker.answer = ExtensionChoice::AllAlwaysSearch;
    EXPECT_TRUE(lists.IsFileEligible("a.one"));
    EXPECT_TRUE(lists.IsFileEligible("b.two"));
    EXPECT_EQ(asker.asked.size(), 1u);
    EXPECT_EQ(lists.alwaysSearchList, (Strings{"ONE", "TWO"}));
    EXPECT_TRUE(lists.listsChanged);

    TempDir dir;
    const IniFile ini(dir / "k.INI");
    ini.WriteString("Included", "Include2", "OLD");
    ini.WriteString("Included", "Include3", "OLDER");
    lists.SaveExtensionLists(ini, 4, 0);
    EXPECT_FALSE(lists.listsChanged);
    EXPECT_EQ(ini.ReadString("Included", "Include0"), "ONE");
    EXPECT_EQ(ini.ReadString("Included", "Include1"), "TWO");
    EXPECT_FALSE(ini.ReadString("Included", "Include2"));
    EXPECT_FALSE(ini.ReadString("Included", "Include3"));
}

TEST(ExtensionListsTest, StopAndAbortEndTheRunWithoutChangingTheLists) {
    RunControl control;
    ScriptedExtensionAsker asker;
    ExtensionLists lists(control, asker);
    asker.answer = ExtensionChoice::StopNow;
    EXPECT_FALSE(lists.IsFileEligible("a.xyz"));
    EXPECT_TRUE(control.stopRequested());
    asker.answer = ExtensionChoice::Abort;
    EXPECT_FALSE(lists.IsFileEligible("a.xyz"));
    EXPECT_TRUE(control.abortRequested());
    EXPECT_TRUE(lists.sessionSearchList.empty() && lists.sessionExcludeList.empty());
}

}  // namespace
}  // namespace kesto
