#include "walk/IgnoreRules.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

extern char** environ;

namespace kesto {
namespace {

using test::TempDir;
using test::WriteFile;

// One path of a tree and the answer for it.
struct Row {
    std::string path;
    bool isDirectory;
    bool ignored;
    // Decided by a .ignore file, which git does not read: the written answer is the
    // reference, not git.
    bool byDotIgnore = false;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << '"' << row.path << '"' << (row.isDirectory ? " (folder)" : "");
}

// git, run without a shell, in an environment of its own: no GIT_ variable of the caller,
// and a home without configuration, so that neither the user's nor the system's excludes
// file changes its answers. What it writes to stderr goes to a file, for failure messages.
class Git {
public:
    explicit Git(const std::string& home) : m_errorsPath(home + "/git-errors") {
        std::filesystem::create_directories(home);
        for (char** variable = environ; *variable != nullptr; ++variable) {
            const std::string_view entry(*variable);
            if (entry.starts_with("GIT_") || entry.starts_with("HOME=") ||
                entry.starts_with("XDG_CONFIG_HOME=")) {
                continue;
            }
            m_environment.emplace_back(entry);
        }
        m_environment.push_back("HOME=" + home);
        m_environment.push_back("XDG_CONFIG_HOME=" + home + "/.config");
        m_environment.push_back("GIT_CONFIG_NOSYSTEM=1");
    }

    // Its exit status, or -1 when it could not be run or did not exit.
    int Run(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), "git");
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        std::vector<std::string> environment = m_environment;
        std::vector<char*> envp;
        for (std::string& entry : environment) envp.push_back(entry.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_errorsPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = -1;
        const int spawned =
            ::posix_spawnp(&pid, "git", &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return -1;
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }

    bool Installed() const { return Run({"--version"}) == 0; }
    // What the last run wrote to stderr.
    std::string errors() const { return test::ReadFile(m_errorsPath); }

    bool Init(const std::string& folder) const {
        std::filesystem::create_directories(folder);
        return Run({"-c", "init.defaultBranch=main", "init", "-q", folder}) == 0;
    }

    // 0 when git ignores `path` of the work tree at `top`, 1 when it does not.
    int CheckIgnore(const std::string& top, const std::string& path) const {
        return Run({"-C", top, "check-ignore", "-q", "--no-index", "--", path});
    }

private:
    std::string m_errorsPath;
    std::vector<std::string> m_environment;
};

class IgnoreRulesTest : public ::testing::Test {
protected:
    TempDir temp;
    std::string tree = temp / "tree";
    Git git{temp / "home"};

    // Puts `bytes` at `path` of `top`, making the folders on the way.
    static void Put(const std::string& top, const std::string& path, const std::string& bytes) {
        const std::filesystem::path full = std::filesystem::path(top) / path;
        std::filesystem::create_directories(full.parent_path());
        WriteFile(full.string(), bytes);
    }

    // Makes the rows' paths in `top`: ignore rules may depend on what is a folder.
    static void MakeRows(const std::string& top, const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            if (row.isDirectory) {
                std::filesystem::create_directories(std::filesystem::path(top) / row.path);
            } else {
                Put(top, row.path, "");
            }
        }
    }

    // As the walk does: each folder above `path` is entered before `path` is asked about.
    static bool AskAsTheWalk(IgnoreRules& rules, const Row& row) {
        for (std::size_t slash = row.path.find('/'); slash != std::string::npos;
             slash = row.path.find('/', slash + 1)) {
            rules.EnterFolder(std::string_view(row.path).substr(0, slash));
        }
        return rules.IsIgnored(row.path, row.isDirectory);
    }

    // A work tree with an info/exclude, ignore files at the top and nested, and the rows
    // that ask about every rule of them. git may already have made `tree` a work tree.
    std::vector<Row> BuildMainTree() {
        Put(tree, ".git/info/exclude", "*.tmp\nscratch/\n");
        Put(tree, ".gitignore",
            "# objects, except one\n"
            "*.o\n"
            "!keep.o\n"
            "!keep.tmp\n"
            "build/\n"
            "node_modules\n"
            "/top-only.txt\n"
            "docs/generated\n"
            "**/logs\n"
            "cache/**\n"
            "a/**/b\n"
            "x/**/y/*.c\n"
            "mid**/end\n"
            "q?r**/end\n"
            "t/tail**\n"
            "data[0-9].csv\n"
            "[!abc]?.bin\n"
            "[^x-z]z.img\n"
            "file[]]x\n"
            "*.[ch]x\n"
            "v[[:upper:]].dat\n"
            "\\#hash.txt\n"
            "\\!bang.txt\n"
            "trailing.txt   \n"
            "space\\ \n"
            "*.log\n"
            "*.bak\n");
        Put(tree, ".ignore", "!wanted.bak\nnotes.txt\n");
        Put(tree, "sub/.gitignore", "!special.o\n/local.txt\n!debug.log\n!notes.txt\n");
        Put(tree, "sub/.ignore", "*.gen\n");
        Put(tree, "shared-patterns", "*.txt\n");
        std::filesystem::create_directories(tree + "/linked");
        std::filesystem::create_symlink("../shared-patterns", tree + "/linked/.gitignore");
        Put(tree, "crlf/.gitignore", "win.txt\r\nother.txt \r\n");
        Put(tree, "bom/.gitignore",
            "\xEF\xBB\xBF"
            "first.txt\nsecond.txt\n");
        Put(tree, "nul/.gitignore", std::string("cut\0tail.txt\n", 13));
        Put(tree, "bad/.gitignore", "unclosed[ab\ntrail\\\n[[:nope:]]x\nafter-bad.txt\n");
        Put(tree, "esc/.gitignore", "[\\]]x\na\\*b\n");
        Put(tree, "slow/.gitignore", "*a*a*a*a*a*a*a*a*b\n");

        const std::string deep = "p1/p2/p3/p4/p5/p6/p7/";
        std::vector<Row> rows = {
            // Negation, at any depth, and overridden by a nested file.
            {"a.o", false, true},
            {"keep.o", false, false},
            {"sub/deep/z.o", false, true},
            {"sub/special.o", false, false},
            {"sub/other.o", false, true},
            {"debug.log", false, true},
            {"sub/debug.log", false, false},
            // Folders only, and names that ignore a folder.
            {"build", true, true},
            {"other/build", false, false},
            {"sub/build", true, true},
            {"lib/node_modules", true, true},
            {"scratch", true, true},
            // Anchored by a leading or middle slash, against unanchored.
            {"top-only.txt", false, true},
            {"sub/top-only.txt", false, false},
            {"docs/generated", false, true},
            {"sub/docs/generated", false, false},
            {"sub/local.txt", false, true},
            {"sub/deep/local.txt", false, false},
            // "**" leading, trailing and between slashes; other runs of stars.
            {"logs", true, true},
            {"sub/deep/logs", true, true},
            {"logs.txt", false, false},
            {"cache", true, false},
            {"cache/file.txt", false, true},
            {"a/b", false, true},
            {"a/x/b", false, true},
            {"a/x/y/b", false, true},
            {"sub/a/b", false, false},
            {"x/y/m.c", false, true},
            {"x/p/q/y/m.c", false, true},
            {"x/y/m.h", false, false},
            // A run of stars right after the literal start of a pattern takes slashes too,
            // as git has it; after a wildcard it is one '*'.
            {"midX/end", false, true},
            {"midX/Y/end", false, true},
            {"midend", false, true},
            {"qXrZ/end", false, true},
            {"qXr/Y/end", false, false},
            {"t/tail", false, true},
            {"t/tailX/Y", false, true},
            {"t/tai", false, false},
            // Character classes.
            {"data7.csv", false, true},
            {"dataX.csv", false, false},
            {"d1.bin", false, true},
            {"a1.bin", false, false},
            {"az.img", false, true},
            {"yz.img", false, false},
            {"file]x", false, true},
            {"m.cx", false, true},
            {"m.hx", false, true},
            {"m.ox", false, false},
            {"vA.dat", false, true},
            {"va.dat", false, false},
            // Escapes, comments and trailing spaces.
            {"#hash.txt", false, true},
            {"!bang.txt", false, true},
            {"# objects, except one", false, false},
            {"trailing.txt", false, true},
            {"space ", false, true},
            {"space", false, false},
            {"esc/]x", false, true},
            {"esc/a*b", false, true},
            {"esc/axb", false, false},
            // info/exclude, the weakest file.
            {"scratch.tmp", false, true},
            {"keep.tmp", false, false},
            {"sub/deep/x.tmp", false, true},
            // How the files are read.
            {"linked/a.txt", false, false},
            {"crlf/win.txt", false, true},
            {"crlf/other.txt", false, true},
            {"bom/first.txt", false, true},
            {"bom/second.txt", false, true},
            {"nul/cut", false, true},
            {"nul/cuttail.txt", false, false},
            {"bad/unclosed[ab", false, false},
            {"bad/trail", false, false},
            {"bad/ax", false, false},
            {"bad/after-bad.txt", false, true},
            {"slow/" + std::string(200, 'a'), false, false},
            {"slow/" + std::string(199, 'a') + "b", false, true},
            {deep + "deep.o", false, true},
            {deep + "deep.txt", false, false},
            // .ignore over the .gitignore beside it, under a deeper .gitignore.
            {"other.bak", false, true},
            {"wanted.bak", false, false, true},
            {"notes.txt", false, true, true},
            {"sub/notes.txt", false, false, true},
            {"sub/x.gen", false, true, true},
            {"x.gen", false, false},
        };
        MakeRows(tree, rows);
        return rows;
    }
};

TEST_F(IgnoreRulesTest, GivesTheWrittenAnswers) {
    const std::vector<Row> rows = BuildMainTree();
    IgnoreRules rules(tree);
    rules.LoadRoot();
    for (const Row& row : rows) EXPECT_EQ(AskAsTheWalk(rules, row), row.ignored) << row;
}

TEST_F(IgnoreRulesTest, AgreesWithGitCheckIgnore) {
    if (!git.Installed()) GTEST_SKIP() << "git is not installed";
    ASSERT_TRUE(git.Init(tree));
    const std::vector<Row> rows = BuildMainTree();
    IgnoreRules rules(tree);
    rules.LoadRoot();
    int compared = 0;
    for (const Row& row : rows) {
        if (row.byDotIgnore) continue;
        const int status = git.CheckIgnore(tree, row.path);
        ASSERT_TRUE(status == 0 || status == 1)
            << row << ": git check-ignore gave " << status << ": " << git.errors();
        EXPECT_EQ(AskAsTheWalk(rules, row), status == 0) << row;
        ++compared;
    }
    EXPECT_GE(compared, 25);
}

// A walk of repo/src: the top's .gitignore and info/exclude count, relative to the top.
TEST_F(IgnoreRulesTest, TheEnclosingWorkTreeCountsForASubfolderRoot) {
    const bool haveGit = git.Installed();
    if (haveGit) {
        ASSERT_TRUE(git.Init(tree));
    }
    Put(tree, ".git/info/exclude", "*.swp\n");
    Put(tree, ".gitignore", "build/\n/src/gen.c\n*.o\nsrc/lib/*.tmp\n**/src/**/cache\n");
    Put(tree, "src/.gitignore", "!keep.o\n");
    const std::vector<Row> rows = {
        {"build", true, true},       {"lib/build", true, true},  {"gen.c", false, true},
        {"lib/gen.c", false, false}, {"a.o", false, true},       {"keep.o", false, false},
        {"x.swp", false, true},      {"lib/a.tmp", false, true}, {"a.tmp", false, false},
        {"lib/cache", false, true},  {"cache", false, true},     {"lib/x/cache", true, true},
    };
    MakeRows(tree + "/src", rows);

    IgnoreRules rules(tree + "/src");
    rules.LoadRoot();
    for (const Row& row : rows) {
        EXPECT_EQ(AskAsTheWalk(rules, row), row.ignored) << row;
        if (!haveGit) continue;
        EXPECT_EQ(git.CheckIgnore(tree, "src/" + row.path), row.ignored ? 0 : 1) << row;
    }
    if (!haveGit) GTEST_SKIP() << "git is not installed: compared with the written answers only";
}

// A repository inside the walk answers by its own rules, as git run inside it does.
TEST_F(IgnoreRulesTest, AFolderHoldingGitStartsAWorkTreeOfItsOwn) {
    const bool haveGit = git.Installed();
    if (haveGit) {
        ASSERT_TRUE(git.Init(tree));
        ASSERT_TRUE(git.Init(tree + "/inner"));
    }
    Put(tree, ".gitignore", "*.txt\n");
    Put(tree, "inner/.git/info/exclude", "*.dat\n");
    Put(tree, "inner/.gitignore", "!keep.dat\n");
    const std::vector<Row> rows = {
        {"a.txt", false, true},
        {"inner/a.txt", false, false},
        {"inner/b.dat", false, true},
        {"inner/keep.dat", false, false},
    };
    MakeRows(tree, rows);

    IgnoreRules rules(tree);
    rules.LoadRoot();
    for (const Row& row : rows) {
        EXPECT_EQ(AskAsTheWalk(rules, row), row.ignored) << row;
        if (!haveGit) continue;
        const bool inInner = row.path.starts_with("inner/");
        const std::string top = inInner ? tree + "/inner" : tree;
        const std::string path = inInner ? row.path.substr(6) : row.path;
        EXPECT_EQ(git.CheckIgnore(top, path), row.ignored ? 0 : 1) << row;
    }
    if (!haveGit) GTEST_SKIP() << "git is not installed: compared with the written answers only";
}

// A matcher that backtracks over every way to place the stars would not finish these.
TEST_F(IgnoreRulesTest, ManyStarsDoNotBacktrackWithoutEnd) {
    Put(tree, ".git/info/exclude", "");
    Put(tree, ".gitignore", "*a*a*a*a*a*a*a*a*a*a*a*a*b\n/**/a/**/a/**/a/**/a/**/a/**/b\n");
    IgnoreRules rules(tree);
    rules.LoadRoot();

    EXPECT_FALSE(rules.IsIgnored(std::string(250, 'a'), false));
    EXPECT_TRUE(rules.IsIgnored(std::string(249, 'a') + "b", false));
    std::string folders;
    for (int i = 0; i < 300; ++i) folders += "a/";
    EXPECT_FALSE(rules.IsIgnored(folders + "c", false));
    EXPECT_TRUE(rules.IsIgnored(folders + "b", false));
}

TEST_F(IgnoreRulesTest, AFolderNotEnteredAddsNoRules) {
    Put(tree, ".git/info/exclude", "");
    Put(tree, "sub/.gitignore", "*.txt\n");
    IgnoreRules rules(tree);
    rules.LoadRoot();
    EXPECT_FALSE(rules.IsIgnored("sub/a.txt", false));
    rules.EnterFolder("sub");
    EXPECT_TRUE(rules.IsIgnored("sub/a.txt", false));
    EXPECT_TRUE(rules.IsIgnored("sub/not/entered/a.txt", false));
    EXPECT_FALSE(rules.IsIgnored("a.txt", false));
}

// A file of exactly 1 MiB is read; one byte more and none of its lines count.
TEST_F(IgnoreRulesTest, AFileOverTheSizeLimitHoldsNoRules) {
    Put(tree, ".git/info/exclude", "");
    const std::size_t limit = std::size_t{1} << 20;
    Put(tree, "at/.gitignore", "*.txt\n" + std::string(limit - 6, '#'));
    Put(tree, "over/.gitignore", "*.txt\n" + std::string(limit - 5, '#'));
    IgnoreRules rules(tree);
    rules.LoadRoot();
    rules.EnterFolder("at");
    rules.EnterFolder("over");
    EXPECT_TRUE(rules.IsIgnored("at/a.txt", false));
    EXPECT_FALSE(rules.IsIgnored("over/a.txt", false));
}

TEST_F(IgnoreRulesTest, WhatCannotBeReadHoldsNoRules) {
    Put(tree, ".git/info/exclude", "");
    std::filesystem::create_directories(tree + "/sub/.gitignore");
    Put(tree, "sub/.ignore", "*.txt\n");
    IgnoreRules rules(tree);
    rules.LoadRoot();
    rules.EnterFolder("sub");
    EXPECT_TRUE(rules.IsIgnored("sub/a.txt", false)) << "a folder named .gitignore is passed over";

    IgnoreRules missing(tree + "/no such folder");
    missing.LoadRoot();
    missing.EnterFolder("sub");
    EXPECT_FALSE(missing.IsIgnored("sub/a.txt", false));
}

// A `.git` file names the repository: a work tree with its repository elsewhere, and a
// linked work tree, whose info/exclude is the main repository's.
TEST_F(IgnoreRulesTest, TheExcludeFileIsFoundThroughAGitFile) {
    if (!git.Installed()) GTEST_SKIP() << "git is not installed";
    const std::string separate = temp / "separate.git";
    ASSERT_TRUE(git.Run({"init", "-q", "--separate-git-dir", separate, tree}) == 0) << git.errors();
    Put(separate, "info/exclude", "*.dat\n");
    ASSERT_EQ(git.Run({"-C", tree, "-c", "user.name=t", "-c", "user.email=t@t", "commit", "-q",
                       "--allow-empty", "-m", "first"}),
              0)
        << git.errors();
    const std::string linked = temp / "linked";
    ASSERT_EQ(git.Run({"-C", tree, "worktree", "add", "-q", linked}), 0) << git.errors();

    for (const std::string& top : {tree, linked}) {
        Put(top, "a.dat", "");
        Put(top, "a.txt", "");
        IgnoreRules rules(top);
        rules.LoadRoot();
        EXPECT_TRUE(rules.IsIgnored("a.dat", false)) << top;
        EXPECT_FALSE(rules.IsIgnored("a.txt", false)) << top;
        EXPECT_EQ(git.CheckIgnore(top, "a.dat"), 0) << top;
        EXPECT_EQ(git.CheckIgnore(top, "a.txt"), 1) << top;
    }
}

}  // namespace
}  // namespace kesto
