// Whole kesto-cli runs against a world that does not hold still: another user swapping
// links in, names that collide, signals, a closed pipe, a second run, a folder swapped
// for a link, a failing flush, a reader looking on. Every test checks that no version of a
// file is lost or torn and that nothing outside the run is touched.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "support/CliRun.h"
#include "support/TempDir.h"

namespace kesto {
namespace {

using test::Child;
using test::Ending;
using test::ReadFile;
using test::Snapshot;
using test::WaitUntil;
using test::WriteFile;
using Files = std::map<std::string, std::string>;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr uid_t kOtherUser = 65534;
constexpr const char* kRestored = "Original Files have been restored!";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Bytes as a failure message can show them: short, control bytes escaped.
std::string Shown(const std::string& bytes) {
    std::string shown;
    for (unsigned char c : bytes.substr(0, 40)) {
        if (c == '\n') {
            shown += "\\n";
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        } else {
            shown += static_cast<char>(c);
        }
    }
    if (bytes.size() > 40) shown += "... (" + std::to_string(bytes.size()) + " bytes)";
    return "\"" + shown + "\"";
}

// Compares two sets of files and names each file that is missing, extra or different.
void ExpectSameFiles(const Files& expected, const Files& actual) {
    std::string differences;
    int count = 0;
    const auto note = [&](const std::string& line) {
        if (++count <= 12) differences += "  " + line + "\n";
    };
    for (const auto& [path, bytes] : expected) {
        const auto found = actual.find(path);
        if (found == actual.end()) {
            note("missing:   " + path);
        } else if (found->second != bytes) {
            note("changed:   " + path + ": " + Shown(found->second) + ", expected " + Shown(bytes));
        }
    }
    for (const auto& [path, bytes] : actual) {
        if (!expected.contains(path)) note("unexpected: " + path + ": " + Shown(bytes));
    }
    if (count > 0) {
        ADD_FAILURE() << count << " files differ:\n"
                      << differences << (count > 12 ? "  ...\n" : "");
    }
}

// The problem entries of a log ("     3) --- PATH ... reason"): each path and its reason.
Files ProblemEntries(const std::string& log) {
    Files entries;
    std::size_t begin = 0;
    while (begin < log.size()) {
        std::size_t end = log.find('\n', begin);
        if (end == std::string::npos) end = log.size();
        const std::string line = log.substr(begin, end - begin);
        begin = end + 1;
        const std::size_t mark = line.find(") --- ");
        if (mark == std::string::npos || line.rfind("     ", 0) != 0) continue;
        const std::string number = line.substr(5, mark - 5);
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string rest = line.substr(mark + 6);
        const std::size_t dots = rest.find(" ... ");
        entries[rest.substr(0, dots)] = dots == std::string::npos ? "" : rest.substr(dots + 5);
    }
    return entries;
}

bool IsNameByte(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '~' || c == '-' ||
           c == '.';
}

// Whether `text` names `path` itself, not a longer name that begins with it (a backup name).
bool NamesPath(const std::string& text, const std::string& path) {
    for (std::size_t at = text.find(path); at != std::string::npos; at = text.find(path, at + 1)) {
        const std::string_view rest = std::string_view(text).substr(at + path.size());
        if (rest.empty()) return true;
        // A dot after the name ends a sentence only when no name byte follows it.
        if (rest[0] == '.' ? rest.size() == 1 || !IsNameByte(rest[1]) : !IsNameByte(rest[0]))
            return true;
    }
    return false;
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

// The bytes a command writes to standard output.
std::string OutputOf(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return output;
    char block[4096];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, pipe)) > 0;)
        output.append(block, n);
    ::pclose(pipe);
    return output;
}

// The whole file read with one open, as any program would read it; nothing when it is missing.
std::optional<std::string> ReadOnce(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    char block[16384];
    for (ssize_t n; (n = ::read(fd, block, sizeof block)) > 0;) bytes.append(block, n);
    ::close(fd);
    return bytes;
}

// Lines numbered so that a file mixed from two versions, or cut short, differs from both;
// every `every`-th line holds the word.
std::string NumberedText(int lines, int every, const std::string& word) {
    std::string text;
    char line[64];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line, "line %05d %s\n", i, i % every == 0 ? word.c_str() : "x");
        text += line;
    }
    return text;
}

// `folders` folders of `perFolder` files each under `root`, all with the same bytes.
void MakeTree(const fs::path& root, int folders, int perFolder, const std::string& bytes) {
    fs::remove_all(root);
    for (int folder = 0; folder < folders; ++folder) {
        const fs::path path = root / ("d" + std::to_string(folder));
        fs::create_directories(path);
        char name[32];
        for (int file = 0; file < perFolder; ++file) {
            std::snprintf(name, sizeof name, "f%04d.txt", file);
            WriteFile((path / name).string(), bytes);
        }
    }
}

// Plays another user in a folder that user owns: `a.txt` becomes a link to `victim`, then a
// link put in place by a rename, then a fresh regular file; a link is planted at the backup
// name too. Runs until it is killed.
pid_t StartLinkSwapper(const std::string& folder, const std::string& victim) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    // Only system calls from here on: the test process may have other threads.
    if (::chdir(folder.c_str()) != 0 || ::setgroups(0, nullptr) != 0 ||
        ::setresgid(kOtherUser, kOtherUser, kOtherUser) != 0 ||
        ::setresuid(kOtherUser, kOtherUser, kOtherUser) != 0) {
        ::_exit(1);
    }
    static const char kText[] = "cat  \n";
    for (unsigned i = 0;; ++i) {
        switch (i % 4) {
        case 0:
            ::unlink("a.txt");
            ::symlink(victim.c_str(), "a.txt");
            break;
        case 1:
            ::symlink(victim.c_str(), "swap");
            ::rename("swap", "a.txt");
            break;
        case 2: {
            ::unlink("a.txt");
            const int fd = ::open("a.txt", O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd >= 0) {
                if (::write(fd, kText, sizeof kText - 1) < 0) ::_exit(2);
                ::close(fd);
            }
            break;
        }
        default:
            ::symlink(victim.c_str(), "a.~txt");
        }
        ::usleep((i % 5) * 100);
    }
}

class HostileRunTest : public test::CliRunTest {
protected:
    HostileRunTest() {
        // The journals and the trash of these runs stay in the test's folder.
        SetEnvironment("XDG_STATE_HOME", dir / "state");
        SetEnvironment("XDG_DATA_HOME", dir / "data");
    }
    ~HostileRunTest() override {
        for (const auto& [name, value] : m_savedEnvironment) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }

    void SetEnvironment(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        m_savedEnvironment.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name.c_str(), value.c_str(), 1);
    }

    // kesto-cli with standard input on a pipe that stays open until the object goes, so
    // that the run waits at each question until the test answers.
    class AskedRun {
    public:
        AskedRun(const std::vector<std::string>& words, const std::string& output,
                 const std::string& errors) {
            int ends[2];
            if (::pipe2(ends, O_CLOEXEC) != 0) return;
            m_answers = ends[1];
            Child::Streams streams;
            streams.inputFd = ends[0];
            streams.output = output;
            streams.errors = errors;
            m_run = std::make_unique<Child>(words, streams);
            ::close(ends[0]);
        }
        ~AskedRun() {
            if (m_answers >= 0) ::close(m_answers);
        }
        AskedRun(const AskedRun&) = delete;
        AskedRun& operator=(const AskedRun&) = delete;

        bool started() const { return m_run && m_run->started(); }
        void Answer(const std::string& text) {
            if (::write(m_answers, text.data(), text.size()) < 0) {
                ADD_FAILURE() << "answer lost";
            }
        }
        Child& run() { return *m_run; }

    private:
        std::unique_ptr<Child> m_run;
        int m_answers = -1;
    };
    std::unique_ptr<AskedRun> StartAsked(const std::vector<std::string>& arguments) {
        return std::make_unique<AskedRun>(CliWords(arguments), dir / "stdout", dir / "stderr");
    }

    // Waits until the confirm question about `path` shows on standard error.
    bool WaitForQuestion(const std::string& path) {
        return WaitUntil([&] { return ReadFile(dir / "stderr").find(path) != std::string::npos; },
                         20s);
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> m_savedEnvironment;
};

TEST_F(HostileRunTest, ALinkSwappedInByAnotherUserNeverRedirectsARootRun) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root: the run is root's, the swapper is not";
    const std::string shared = dir / "shared";
    const std::string victim = dir / "outside/victim.txt";
    const std::string secret = "root's cat  \nsecret cat\n";
    fs::create_directory(dir / "outside");
    WriteFile(victim, secret);
    ::chmod(victim.c_str(), 0600);
    const auto resetShared = [&] {
        fs::remove_all(shared);
        fs::create_directory(shared);
        WriteFile(shared + "/a.txt", "cat  \n");
        ASSERT_EQ(::chown(shared.c_str(), kOtherUser, kOtherUser), 0);
        ASSERT_EQ(::chown((shared + "/a.txt").c_str(), kOtherUser, kOtherUser), 0);
    };
    const std::vector<std::vector<std::string>> runs = {
        {"-s", "cat", "-r", "dog", shared + "/a.txt"},
        {"-W", "-s", "c?t", "-r", "dog", "-d", shared},
        {"--strip", "-d", shared},
    };
    // Left alone, each kind of run does rewrite the other user's file.
    for (const auto& arguments : runs) {
        resetShared();
        Child run(CliWords(arguments), {});
        EXPECT_EQ(Ending(run.Wait(20s)), "exit 0") << arguments[0];
        EXPECT_NE(ReadFile(shared + "/a.txt"), "cat  \n") << arguments[0];
    }

    resetShared();
    const Files outside = Snapshot(dir / "outside");
    const pid_t swapper = StartLinkSwapper(shared, victim);
    ASSERT_GT(swapper, 0);
    std::string firstHarm;
    const auto deadline = std::chrono::steady_clock::now() + 40s;
    for (int i = 0; i < 200 && firstHarm.empty() && std::chrono::steady_clock::now() < deadline;
         ++i) {
        const auto& arguments = runs[static_cast<std::size_t>(i) % runs.size()];
        Child run(CliWords(arguments), {});
        run.Wait(20s);
        const struct stat st = StatOf(victim);
        if (ReadFile(victim) != secret || st.st_uid != 0 || st.st_gid != 0 ||
            (st.st_mode & 07777) != 0600 || st.st_nlink != 1) {
            firstHarm = "run " + std::to_string(i) + " (" + arguments[0] + " ...)";
        }
    }
    ::kill(swapper, SIGKILL);
    ::waitpid(swapper, nullptr, 0);

    EXPECT_EQ(firstHarm, "") << "changed the file outside the folder";
    const struct stat st = StatOf(victim);
    EXPECT_EQ(ReadFile(victim), secret);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_gid, 0u);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_nlink, 1u) << "a second name was made for it";
    ExpectSameFiles(outside, Snapshot(dir / "outside"));
}

// Swaps the two names `a` and `b` of `folder` over and over, as the other user.
pid_t StartNameSwapper(const std::string& folder, const std::string& a, const std::string& b) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    // Only system calls from here on: the test process may have other threads.
    if (::chdir(folder.c_str()) != 0 || ::setgroups(0, nullptr) != 0 ||
        ::setresgid(kOtherUser, kOtherUser, kOtherUser) != 0 ||
        ::setresuid(kOtherUser, kOtherUser, kOtherUser) != 0) {
        ::_exit(1);
    }
    for (;;) ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
}

TEST_F(HostileRunTest, AFolderSwappedUnderALinkWhileARootRunFollowsItNeverLeadsToRootsFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root: the run is root's, the swapper is not";
    // Each link of the other user leads to a file of theirs through their folder "mid",
    // which they swap, again and again, for a link to a folder where every name leads to
    // root's own folder.
    const std::string theirs = dir / "theirs";
    const std::string root = dir / "root";
    fs::create_directories(root);
    ::chmod(root.c_str(), 0700);
    WriteFile(root + "/f.txt", "root's cat\n");
    constexpr int kLinks = 800;
    for (int i = 0; i < kLinks; ++i) {
        const std::string n = std::to_string(i);
        fs::create_directories(theirs + "/tree/mid/" + n);
        fs::create_directories(theirs + "/alt");
        WriteFile(theirs + "/tree/mid/" + n + "/f.txt", "their cat\n");
        fs::create_directory_symlink(root, theirs + "/alt/" + n);
        fs::create_symlink(theirs + "/tree/mid/" + n + "/f.txt", theirs + "/tree/l" + n + ".txt");
    }
    fs::create_directory_symlink(theirs + "/alt", theirs + "/tree/swap");
    ASSERT_EQ(std::system(("chown -hR 65534:65534 " + test::Quote(theirs)).c_str()), 0);
    const pid_t swapper = StartNameSwapper(theirs + "/tree", "mid", "swap");
    ASSERT_GT(swapper, 0);
    for (int attempt = 0; attempt < 3; ++attempt) {
        Child run(CliWords({"-s", "cat", "-r", "dog", "-d", theirs + "/tree"}), {});
        run.Wait(60s);
    }
    ::kill(swapper, SIGKILL);
    ::waitpid(swapper, nullptr, 0);
    EXPECT_EQ(ReadFile(root + "/f.txt"), "root's cat\n");
    EXPECT_FALSE(fs::exists(root + "/f.~txt"));
}

// Two files of one run whose backups would have the same name, and a walk past an old backup.
struct CollisionCase {
    std::string title;
    std::string ini;
    std::vector<std::pair<std::string, std::string>> files;  // in the order the run takes them
    bool walk = false;                                       // -d instead of the file list
    std::string oldBackup;  // a backup from before the run, not one of the run's files
    std::string kept;       // the second of a colliding pair, left alone ...
    std::string holder;     // ... because this file's backup has the name
    Files after;            // the whole folder after the run
};

std::vector<CollisionCase> CollisionCases() {
    const std::string z = "cat three\ncat four\n";
    const std::string zChanged = "dog three\ndog four\n";
    return {
        {"Replace Ext gives report.txt and report.c one backup",
         "[Preferences]\nCharBackUp=0\nReplace Ext=BAK\n",
         {{"report.txt", "cat one\n"}, {"report.c", "cat two\n"}, {"z.txt", z}},
         false,
         "",
         "report.c",
         "report.txt",
         {{"report.txt", "dog one\n"},
          {"report.BAK", "cat one\n"},
          {"report.c", "cat two\n"},
          {"z.txt", zChanged},
          {"z.BAK", z}}},
        {"a. and a share the backup a.~",
         "",
         {{"a.", "cat one\n"}, {"a", "cat two\n"}, {"z.txt", z}},
         false,
         "",
         "a",
         "a.",
         {{"a.", "dog one\n"},
          {"a.~", "cat one\n"},
          {"a", "cat two\n"},
          {"z.txt", zChanged},
          {"z.~txt", z}}},
        {"a walk passes x.txt and then its backup",
         "",
         {{"x.txt", "cat one\n"}, {"x.~txt", "an old cat\n"}, {"z.txt", z}},
         true,
         "x.~txt",
         "",
         "",
         {{"x.txt", "dog one\n"}, {"x.~txt", "cat one\n"}, {"z.txt", zChanged}, {"z.~txt", z}}},
    };
}

class HostileCollisionTest : public HostileRunTest {
protected:
    // Writes the case's folder and settings; returns the arguments that name the run's files.
    std::vector<std::string> Prepare(const CollisionCase& c, const std::string& folder) {
        fs::remove_all(dir / folder);
        fs::create_directory(dir / folder);
        WriteFile(dir / "k.INI", c.ini);
        std::vector<std::string> files;
        for (const auto& [name, bytes] : c.files) {
            WriteFile(dir / (folder + "/" + name), bytes);
            files.push_back(dir / (folder + "/" + name));
        }
        if (c.walk) return {"-d", dir / folder};
        return files;
    }
    Files Absolute(const Files& files, const std::string& folder) const {
        Files absolute;
        for (const auto& [name, bytes] : files) absolute[dir / (folder + "/" + name)] = bytes;
        return absolute;
    }
};

TEST_F(HostileCollisionTest, ASecondFileForTheSameBackupNameIsLeftAloneAndNamesTheFirst) {
    for (const CollisionCase& c : CollisionCases()) {
        SCOPED_TRACE(c.title);
        std::vector<std::string> arguments = {"-s", "cat", "-r", "dog"};
        for (const std::string& word : Prepare(c, "c")) arguments.push_back(word);
        EXPECT_EQ(Run(arguments), 0);
        ExpectSameFiles(Absolute(c.after, "c"), Snapshot(dir / "c"));
        const std::string log = ReadFile(dir / "stdout");
        if (!c.kept.empty()) {
            const Files problems = ProblemEntries(log);
            const std::string kept = dir / ("c/" + c.kept);
            EXPECT_TRUE(problems.contains(kept)) << "no problem entry for " << c.kept << " in\n"
                                                 << log;
            if (problems.contains(kept)) {
                EXPECT_TRUE(NamesPath(problems.at(kept), dir / ("c/" + c.holder)))
                    << "the entry does not name " << c.holder << ": " << problems.at(kept);
            }
        }
        if (!c.oldBackup.empty()) {
            EXPECT_EQ(log.find("File --- " + dir / ("c/" + c.oldBackup)), std::string::npos)
                << "a backup of this run was processed:\n"
                << log;
        }
    }
}

TEST_F(HostileCollisionTest, AnAbortAfterACollisionPutsBackEveryFileOfTheRun) {
    for (const CollisionCase& c : CollisionCases()) {
        SCOPED_TRACE(c.title);
        std::vector<std::string> arguments = {"-i", "-s", "cat", "-r", "dog"};
        for (const std::string& word : Prepare(c, "c")) arguments.push_back(word);
        Files before;
        for (const auto& [name, bytes] : c.files) {
            if (name != c.oldBackup) before[name] = bytes;
        }
        // Replace, replace, abort: the abort comes after at least one file was rewritten.
        EXPECT_EQ(Run(arguments, "r\nr\nx\n"), 3);
        Files after = Snapshot(dir / "c");
        if (!c.oldBackup.empty()) after.erase(dir / ("c/" + c.oldBackup));
        ExpectSameFiles(Absolute(before, "c"), after);
        EXPECT_NE(ReadFile(dir / "stdout").find(kRestored), std::string::npos);
    }
}

TEST_F(HostileRunTest, TheRestoredLineOnlyFollowsAFullRestore) {
    fs::create_directory(dir / "p");
    const std::string first = dir / "p/first.txt";
    const std::string second = dir / "p/second.txt";
    WriteFile(first, "cat one\n");
    WriteFile(second, "cat two\n");
    const auto asked = StartAsked({"-i", "-s", "cat", "-r", "dog", first, second});
    ASSERT_TRUE(asked->started());
    ASSERT_TRUE(WaitForQuestion(first));
    asked->Answer("r\n");
    ASSERT_TRUE(WaitForQuestion(second));
    // Another program writes the first file while the run waits; its bytes must survive.
    WriteFile(first, "someone else's cat\n");
    asked->Answer("x\n");
    EXPECT_EQ(Ending(asked->run().Wait(20s)), "exit 3");
    EXPECT_EQ(ReadFile(first), "someone else's cat\n");
    EXPECT_EQ(ReadFile(test::BackupOf(first)), "cat one\n");
    EXPECT_EQ(ReadFile(second), "cat two\n");
    EXPECT_EQ(ReadFile(dir / "stdout").find(kRestored), std::string::npos)
        << ReadFile(dir / "stdout");
}

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

TEST_F(HostileRunTest, ASignalAtAConfirmQuestionAbortsAndRestores) {
    for (const int signal : kInterrupts) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        fs::remove_all(dir / "s");
        fs::create_directory(dir / "s");
        const std::string a = dir / "s/a.txt", b = dir / "s/b.txt", c = dir / "s/c.txt";
        WriteFile(a, "cat a\n");
        WriteFile(b, "cat b\ncat b2\n");
        WriteFile(c, "cat c\n");
        WriteFile(dir / "s/b.~txt", "an old backup of b\n");
        const Files before = Snapshot(dir / "s");
        const auto asked = StartAsked({"-i", "-s", "cat", "-r", "dog", a, b, c});
        ASSERT_TRUE(asked->started());
        ASSERT_TRUE(WaitForQuestion(a));
        asked->Answer("r\n");
        ASSERT_TRUE(WaitForQuestion(b));
        EXPECT_TRUE(asked->run().Signal(signal));
        // The pipe stays open: the run must not take the signal for the end of its input.
        EXPECT_EQ(Ending(asked->run().Wait(20s)), "exit 3");
        ExpectSameFiles(before, Snapshot(dir / "s"));
    }
}

TEST_F(HostileRunTest, ASignalInTheMiddleOfALongRunAbortsAndRestores) {
    const fs::path tree = dir / "t";
    const std::string text = "first cat\nplain\nlast cat\n";
    for (const int signal : kInterrupts) {
        SCOPED_TRACE("signal " + std::to_string(signal));
        bool signalled = false;
        // A run that ends before the signal is tried again, a bounded number of times.
        for (int attempt = 0; attempt < 3 && !signalled; ++attempt) {
            MakeTree(tree, 4, 500, text);
            const Files before = Snapshot(tree);
            const struct stat untouched = StatOf((tree / "d0").string());
            Child run(CliWords({"-s", "cat", "-r", "dog", "-d", tree.string(), "-R"}),
                      {.output = dir / "stdout"});
            ASSERT_TRUE(run.started());
            // The first folder's time changes with the first file the run writes.
            WaitUntil(
                [&] {
                    const struct stat now = StatOf((tree / "d0").string());
                    return now.st_mtim.tv_nsec != untouched.st_mtim.tv_nsec ||
                           now.st_mtim.tv_sec != untouched.st_mtim.tv_sec || !run.Running();
                },
                20s);
            signalled = run.Signal(signal);
            const std::string ending = Ending(run.Wait(60s));
            if (!signalled) continue;
            EXPECT_EQ(ending, "exit 3");
            ExpectSameFiles(before, Snapshot(tree));
        }
        EXPECT_TRUE(signalled) << "every run ended before the signal could be sent";
    }
}

TEST_F(HostileRunTest, AReaderThatClosesThePipeAbortsTheRun) {
    if (!test::HasTool("head")) GTEST_SKIP() << "needs head";
    const fs::path tree = dir / "t";
    MakeTree(tree, 4, 500, "cat one\nplain\ncat two\ncat three\n");
    const Files before = Snapshot(tree);
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    Child run(CliWords({"-s", "cat", "-r", "dog", "-d", tree.string(), "-R"}),
              {.errors = dir / "stderr", .outputFd = ends[1]});
    Child head({"head", "-c", "10"}, {.inputFd = ends[0]});
    ::close(ends[0]);
    ::close(ends[1]);
    ASSERT_TRUE(run.started() && head.started());
    EXPECT_EQ(Ending(run.Wait(60s)), "exit 3");
    EXPECT_EQ(Ending(head.Wait(10s)), "exit 0");
    ExpectSameFiles(before, Snapshot(tree));
}

TEST_F(HostileRunTest, TwoRunsAtOnceNeverMixAFileAndAnAbortTakesBackOnlyItsOwn) {
    constexpr int kFiles = 200;
    const std::string folder = dir / "c";
    const std::string original = NumberedText(1000, 16, "cat");
    const std::string dogs = Replaced(original, "cat", "dog");
    const std::string birds = Replaced(original, "cat", "bird");
    std::vector<std::string> paths;
    char name[32];
    for (int i = 0; i < kFiles; ++i) {
        std::snprintf(name, sizeof name, "/f%03d.txt", i);
        paths.push_back(folder + name);
    }
    std::set<std::string> allowedNames;
    for (const std::string& path : paths) {
        allowedNames.insert(path);
        allowedNames.insert(test::BackupOf(path));
    }
    WriteFile(dir / "kA.INI", "");
    WriteFile(dir / "kB.INI", "");
    // The first run walks the folder, the second goes through the list from its end. The
    // walk's filter leaves out the backups the other run makes: which earlier backups a walk
    // takes is a question of its own.
    const std::vector<std::string> wordsA =
        CliWords({"-s", "cat", "-r", "dog", "-d", folder, "-f", "*.txt"}, "kA.INI");
    std::vector<std::string> wordsB = CliWords({"-s", "cat", "-r", "bird"}, "kB.INI");
    wordsB.insert(wordsB.end(), paths.rbegin(), paths.rend());

    std::mt19937 random(20);
    auto durationB = 0ms;
    int abortedMidRun = 0;
    for (int trial = 0; trial < 20; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        fs::remove_all(folder);
        fs::create_directory(folder);
        for (const std::string& path : paths) WriteFile(path, original);

        const bool terminate = trial % 2 == 1;
        const auto started = std::chrono::steady_clock::now();
        Child runA(wordsA, {.output = dir / "logA"});
        Child runB(wordsB, {.output = dir / "logB"});
        ASSERT_TRUE(runA.started() && runB.started());
        if (terminate) {
            // Somewhere in the middle of the second run, as long as the first trial took.
            std::this_thread::sleep_for(durationB *
                                        std::uniform_real_distribution<>(0.15, 0.7)(random));
            runB.Signal(SIGTERM);
        }
        const std::string endingB = Ending(runB.Wait(60s));
        if (trial == 0) {
            durationB = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - started);
        }
        const std::string endingA = Ending(runA.Wait(60s));
        EXPECT_EQ(endingA, "exit 0");
        // A signal that comes before the run has set up its handlers ends the process
        // before it touched any file; the checks below hold for that case too.
        const bool killedEarly = endingB == "signal " + std::to_string(SIGTERM);
        if (terminate) {
            EXPECT_TRUE(endingB == "exit 0" || endingB == "exit 3" || killedEarly) << endingB;
        } else {
            EXPECT_EQ(endingB, "exit 0");
        }
        const bool abortedB = endingB == "exit 3" || killedEarly;
        if (endingB == "exit 3") ++abortedMidRun;

        // One line per fault; the first few are shown.
        std::vector<std::string> faults;
        const auto fault = [&](bool holds, const std::string& text) {
            if (!holds) faults.push_back(text);
        };
        const Files files = Snapshot(folder);
        for (const auto& [path, bytes] : files) {
            fault(allowedNames.contains(path), "left behind: " + path);
        }
        const Files problemsA = ProblemEntries(ReadFile(dir / "logA"));
        const Files problemsB = ProblemEntries(ReadFile(dir / "logB"));
        for (const std::string& path : paths) {
            const std::string bytes = files.contains(path) ? files.at(path) : "(missing)";
            const std::string backup = test::BackupOf(path);
            fault(bytes == original || bytes == dogs || bytes == birds,
                  path + " holds " + Shown(bytes));
            fault(bytes == original || (files.contains(backup) && files.at(backup) == original),
                  "the original of " + path + " is gone");
            fault(!abortedB || bytes != birds, path + " kept the aborted run's change");
            // A finished run's log agrees with the disk: a file it did not change is a
            // problem entry, whatever the reason.
            fault(endingA != "exit 0" || problemsA.contains(path) == (bytes != dogs),
                  path + (bytes == dogs ? " changed" : " unchanged") +
                      " but the first log says otherwise");
            fault(endingB != "exit 0" || problemsB.contains(path) == (bytes != birds),
                  path + (bytes == birds ? " changed" : " unchanged") +
                      " but the second log says otherwise");
        }
        std::string shown;
        for (std::size_t i = 0; i < faults.size() && i < 8; ++i) shown += "\n  " + faults[i];
        EXPECT_TRUE(faults.empty())
            << faults.size() << " faults (second run " << endingB << "):" << shown;
        if (HasFailure()) break;
    }
    EXPECT_GT(abortedMidRun, 0) << "no signal came while the second run was going";
}

TEST_F(HostileRunTest, AFolderSwappedForALinkAtAQuestionIsNotFollowed) {
    const std::string tree = dir / "tree";
    fs::create_directories(tree + "/sub");
    fs::create_directory(dir / "outside");
    WriteFile(tree + "/a.txt", "cat at the top\n");
    WriteFile(tree + "/sub/f.txt", "cat below\n");
    WriteFile(dir / "outside/f.txt", "cat outside\n");
    const Files outside = Snapshot(dir / "outside");
    const auto asked = StartAsked({"-i", "-s", "cat", "-r", "dog", "-d", tree, "-R"});
    ASSERT_TRUE(asked->started());
    ASSERT_TRUE(WaitForQuestion(tree + "/a.txt"));
    ASSERT_EQ(::rename((tree + "/sub").c_str(), (tree + "/sub.old").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "outside").c_str(), (tree + "/sub").c_str()), 0);
    asked->Answer("g\n");
    EXPECT_EQ(Ending(asked->run().Wait(20s)), "exit 0");
    EXPECT_EQ(ReadFile(tree + "/a.txt"), "dog at the top\n");
    ExpectSameFiles(outside, Snapshot(dir / "outside"));
}

TEST_F(HostileRunTest, ARewrittenFileKeepsItsAclAndItsUserAttributes) {
    if (!test::HasTool("setfacl") || !test::HasTool("getfacl"))
        GTEST_SKIP() << "needs setfacl and getfacl (package acl)";
    const std::string file = dir / "m.txt";
    WriteFile(file, "cat\n");
    ::chmod(file.c_str(), 0640);
    if (std::system(("setfacl -m u:65534:rw " + test::Quote(file)).c_str()) != 0)
        GTEST_SKIP() << "this file system takes no ACL";
    if (::setxattr(file.c_str(), "user.note", "hello", 5, 0) != 0)
        GTEST_SKIP() << "this file system takes no user attribute";
    const std::string acl = OutputOf("getfacl -p -n " + test::Quote(file));
    ASSERT_NE(acl.find("user:65534:rw-"), std::string::npos) << acl;

    EXPECT_EQ(Run({"-s", "cat", "-r", "dog", file}), 0);
    EXPECT_EQ(ReadFile(file), "dog\n");
    EXPECT_EQ(OutputOf("getfacl -p -n " + test::Quote(file)), acl);
    char note[64] = {};
    const ssize_t length = ::getxattr(file.c_str(), "user.note", note, sizeof note);
    EXPECT_EQ(length > 0 ? std::string(note, static_cast<std::size_t>(length)) : "(none)", "hello");
}

TEST_F(HostileRunTest, AFlushThatFailsKeepsTheBackupsAndSaysSo) {
    if (!test::HasTool("strace") ||
        std::system("strace -f -o /dev/null true >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "needs strace and leave to trace (package strace)";
    }
    WriteFile(dir / "k.INI", "[Preferences]\nRetainBackUp=0\nDeletePermanently=1\n");
    for (const std::string folder : {"plain", "failing"}) {
        fs::create_directory(dir / folder);
        WriteFile(dir / (folder + "/a.txt"), "cat a\n");
        WriteFile(dir / (folder + "/b.txt"), "cat b\n");
    }
    // With a working flush the settings do remove the backups.
    EXPECT_EQ(Run({"-s", "cat", "-r", "dog", "plain/a.txt", "plain/b.txt"}), 0);
    ExpectSameFiles({{dir / "plain/a.txt", "dog a\n"}, {dir / "plain/b.txt", "dog b\n"}},
                    Snapshot(dir / "plain"));

    EXPECT_EQ(Run({"-s", "cat", "-r", "dog", "failing/a.txt", "failing/b.txt"}, "",
                  // The leak checker of a sanitizer build cannot run under a tracer.
                  "ASAN_OPTIONS=detect_leaks=0 strace -f -o /dev/null "
                  "-e inject=syncfs,fsync,fdatasync:error=EIO"),
              0);
    ExpectSameFiles({{dir / "failing/a.txt", "dog a\n"},
                     {dir / "failing/a.~txt", "cat a\n"},
                     {dir / "failing/b.txt", "dog b\n"},
                     {dir / "failing/b.~txt", "cat b\n"}},
                    Snapshot(dir / "failing"));
    std::string log = ReadFile(dir / "stdout");
    for (char& c : log) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(log.find("flush"), std::string::npos) << ReadFile(dir / "stdout");
}

TEST_F(HostileRunTest, AFileThatCannotBeReplacedByARenameStaysWhole) {
    if (::geteuid() != 0) GTEST_SKIP() << "a bind mount needs root";
    WriteFile(dir / "elsewhere.txt", "a cat on another mount\n");
    WriteFile(dir / "b.txt", "placeholder\n");
    if (::mount((dir / "elsewhere.txt").c_str(), (dir / "b.txt").c_str(), nullptr, MS_BIND,
                nullptr) != 0) {
        GTEST_SKIP() << "bind mounts are not permitted here";
    }
    comparesThreads = false;  // a copy of the folder would not hold the mount
    WriteFile(dir / "c.txt", "a cat at home\n");
    EXPECT_EQ(Run({"-s", "cat", "-r", "dog", "b.txt", "c.txt"}), 0);
    EXPECT_EQ(ReadFile(dir / "b.txt"), "a cat on another mount\n");
    ::umount2((dir / "b.txt").c_str(), MNT_DETACH);
    EXPECT_EQ(ReadFile(dir / "elsewhere.txt"), "a cat on another mount\n");
    EXPECT_EQ(ReadFile(dir / "b.txt"), "placeholder\n");
    EXPECT_EQ(ReadFile(dir / "c.txt"), "a dog at home\n");
    EXPECT_NE(ReadFile(dir / "stdout").find(dir / "b.txt" + " ... Failed to write!"),
              std::string::npos);
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        EXPECT_FALSE(entry.path().filename().string().starts_with(".kesto-")) << entry.path();
    }
}

TEST_F(HostileRunTest, AReaderSeesTheWholeOldOrTheWholeNewFile) {
    const std::string file = dir / "r.txt";
    const std::string cats = NumberedText(4096, 64, "cat");
    const std::string dogs = Replaced(cats, "cat", "dog");
    WriteFile(file, cats);

    std::atomic<bool> stop = false;
    std::atomic<int> reads = 0, missing = 0, torn = 0;
    std::string firstTorn;
    std::thread reader([&] {
        while (!stop) {
            const std::optional<std::string> bytes = ReadOnce(file);
            ++reads;
            if (!bytes) {
                ++missing;
            } else if (*bytes != cats && *bytes != dogs && torn++ == 0) {
                firstTorn = Shown(*bytes);
            }
        }
    });
    int runs = 0, failedRuns = 0;
    const auto deadline = std::chrono::steady_clock::now() + 40s;
    for (; runs < 500 && std::chrono::steady_clock::now() < deadline; ++runs) {
        const bool forth = runs % 2 == 0;
        Child run(CliWords({"-s", forth ? "cat" : "dog", "-r", forth ? "dog" : "cat", file}), {});
        if (Ending(run.Wait(20s)) != "exit 0") ++failedRuns;
    }
    stop = true;
    reader.join();

    EXPECT_EQ(failedRuns, 0) << "of " << runs << " runs";
    EXPECT_GT(reads, 0);
    EXPECT_EQ(missing, 0) << "of " << reads << " reads found no file";
    EXPECT_EQ(torn, 0) << "of " << reads << " reads saw neither version, first " << firstTorn;
    EXPECT_EQ(ReadFile(file), runs % 2 == 0 ? cats : dogs);
}

}  // namespace
}  // namespace kesto
