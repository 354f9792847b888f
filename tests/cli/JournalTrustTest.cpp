// The run journals against someone who would turn them on the user: journals forged in a
// folder another user controls, state folders planted or shared, two undos of one run, an
// undo racing a run, and runs killed at any moment in every backup mode. Every test checks
// the files it could harm byte for byte.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/CliRun.h"
#include "support/TempDir.h"
#include "text/ContentHash.h"

namespace kesto {
namespace {

using test::CanDropPrivileges;
using test::Child;
using test::KestoCli;
using test::kNobody;
using test::Quote;
using test::ReadFile;
using test::WriteFile;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr uid_t kOtherUser = 65534;

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t next; (next = text.find(separator, at)) != std::string::npos; at = next + 1) {
        parts.push_back(text.substr(at, next - at));
    }
    parts.push_back(text.substr(at));
    return parts;
}

std::string Join(const std::vector<std::string>& parts, char separator) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i ? std::string(1, separator) : "") + parts[i];
    return text;
}

using Record = std::vector<std::string>;
using Records = std::vector<Record>;

// A journal rewritten as someone who can write its file would: each record (its type and
// fields) replaced by what `edit` makes of it, none or several, every checksum made anew. A
// line is a record's fields, then "#" and a checksum of what precedes it.
std::string Forged(const std::string& journal, const std::function<Records(Record)>& edit) {
    std::vector<std::string> lines = Split(journal, '\n');
    std::string forged = lines.front() + "\n";
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        Record fields = Split(lines[i], '\t');
        fields.pop_back();  // the checksum
        for (const Record& record : edit(fields)) {
            const std::string line = Join(record, '\t');
            const std::uint64_t sum = QuickHash(line);
            std::string hex;
            for (int shift = 60; shift >= 0; shift -= 4) {
                hex += "0123456789abcdef"[(sum >> shift) & 15];
            }
            forged += line + "\t#" + hex + "\n";
        }
    }
    return forged;
}

// The five numbers that end a "may" record: the stamp of the file as the run first saw it.
void PutStamp(std::vector<std::string>& fields, const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    const std::vector<std::string> stamp = {
        std::to_string(st.st_dev), std::to_string(st.st_ino), std::to_string(st.st_size),
        std::to_string(st.st_mtim.tv_sec), std::to_string(st.st_mtim.tv_nsec)};
    std::copy(stamp.begin(), stamp.end(), fields.end() - 5);
}

// Every file of a folder with its bytes, inode, owner and mode.
std::map<std::string, std::string> Inventory(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        files[entry.path().string()] = std::to_string(st.st_ino) + " " + std::to_string(st.st_uid) +
                                       " " + std::to_string(st.st_mode) + " " +
                                       (entry.is_regular_file() ? ReadFile(entry.path()) : "");
    }
    return files;
}

class JournalTrustTest : public test::CliRunTest {
protected:
    JournalTrustTest() { comparesThreads = false; }

    std::string Out() { return ReadFile(dir / "stdout"); }
    std::string Errors() { return ReadFile(dir / "stderr"); }

    // The id of the newest run of the state folder `state` (first word of --runs).
    std::string NewestRun(const std::string& state = "") {
        std::vector<std::string> words = {"--runs"};
        if (!state.empty()) words = {"--state", state, "--runs"};
        EXPECT_EQ(Run(words), 0) << Errors();
        return Out().substr(0, Out().find(' '));
    }
};

// The attacker's folder and the folder of root's that forged journals aim at.
struct Places {
    std::string attacker;
    std::string victim;
};

// A folder another user controls, with a real journal of theirs, and a folder of root's
// that the forged journals aim at.
class ForgedJournalTest : public JournalTrustTest {
protected:
    void SetUp() override {
        if (!CanDropPrivileges()) GTEST_SKIP() << "needs root and setpriv to act as another user";
        places = {dir / "att", dir / "victim"};
        attacker = places.attacker;
        victim = places.victim;
        fs::create_directories(attacker + "/tree");
        WriteFile(attacker + "/tree/x.txt", "cat\n");
        ASSERT_EQ(std::system(("chown -R 65534:65534 " + Quote(attacker)).c_str()), 0);
        // The attacker's own run, which leaves a journal of theirs to forge from.
        ASSERT_EQ(Run({"--state", attacker + "/state", "-s", "cat", "-r", "dog",
                       attacker + "/tree/x.txt"},
                      "", kNobody),
                  0)
            << Errors();
        const fs::path journal = fs::begin(fs::directory_iterator(attacker + "/state"))->path();
        journalName = journal.filename();
        real = ReadFile(journal);
    }

    // Both trees as they were after the attacker's run, and what root's held then.
    void ResetTrees() {
        fs::remove_all(attacker + "/tree");
        fs::remove_all(victim);
        fs::remove_all(dir / "state");
        fs::create_directories(attacker + "/tree");
        fs::create_directories(victim + "/files");
        WriteFile(attacker + "/tree/x.txt", "dog\n");
        WriteFile(attacker + "/tree/x.~txt", "cat\n");
        WriteFile(attacker + "/tree/notes.~txt", "attacker's notes\n");
        ASSERT_EQ(std::system(("chown -R 65534:65534 " + Quote(attacker)).c_str()), 0);
        WriteFile(victim + "/secret", "root's secret\n");
        ::chmod((victim + "/secret").c_str(), 0600);
        WriteFile(victim + "/notes.txt", "victim notes\n");
        WriteFile(victim + "/notes.~txt", "victim's older notes\n");
        WriteFile(victim + "/files/own.txt", "victim's own file\n");
        before = Inventory(victim);
    }

    // Puts `text` where the attacker keeps journals, as theirs.
    void PlantInAttackersFolder(const std::string& text) {
        const std::string path = attacker + "/state/" + journalName;
        WriteFile(path, text);
        ::chown(path.c_str(), kOtherUser, kOtherUser);
        ::chmod(path.c_str(), 0600);
    }

    // Puts `text` among root's own journals, as root's.
    void PlantInRootsFolder(const std::string& text) {
        fs::create_directories(dir / "state");
        ::chmod((dir / "state").c_str(), 0700);
        const std::string path = dir / ("state/" + journalName);
        WriteFile(path, text);
        ::chmod(path.c_str(), 0600);
    }

    Places places;
    std::string attacker;
    std::string victim;
    std::string journalName;
    std::string real;
    std::map<std::string, std::string> before;
};

struct Forgery {
    std::string title;
    std::string command;  // --recover or --undo
    std::function<Records(Record, const Places&)> edit;
};

std::string HashOf(const std::string& bytes) {
    return ContentHash::Of(bytes).Hex();
}

TEST_F(ForgedJournalTest, AForgedJournalNeverMovesOrSwapsAFileItsRunCouldNotHaveTouched) {
    const auto x = [](const Places& t) { return t.attacker + "/tree/x.txt"; };
    const std::vector<Forgery> forgeries = {
        {"root's file named as the file, the attacker's file as its backup", "--recover",
         [&](Record f, const Places& t) -> Records {
             if (f[0] == "about" || f[0] == "replaced" || f[0] == "end") return {};
             if (f[0] == "may") {
                 f[1] = t.victim + "/secret";
                 PutStamp(f, f[2]);  // the backup, x.~txt, as the original
             }
             return {f};
         }},
        {"a stamp forged from lstat moves root's file into the attacker's folder", "--recover",
         [&](Record f, const Places& t) -> Records {
             if (f[0] == "about" || f[0] == "replaced" || f[0] == "end") return {};
             if (f[0] == "may") {
                 f[2] = t.victim + "/secret";
                 PutStamp(f, f[2]);
             }
             return {f};
         }},
        {"a trash place that is another user's folder named files/", "--undo",
         [&](Record f, const Places& t) -> Records {
             if (f[0] == "about") f[f.size() - 2] = HashOf("victim's own file\n");
             if (f[0] == "end") {
                 return {{"backup", x(t), "trash:" + t.victim + "/files/own.txt"}, f};
             }
             return {f};
         }},
        {"the file in root's folder, the backup checked in the attacker's", "--undo",
         [&](Record f, const Places& t) -> Records {
             for (std::string& field : f) {
                 if (field == x(t)) field = t.victim + "/notes.txt";
                 if (field == t.attacker + "/tree/x.~txt") field = t.attacker + "/tree/notes.~txt";
             }
             if (f[0] == "about") {
                 f[f.size() - 2] = HashOf("attacker's notes\n");
                 f[f.size() - 1] = HashOf("victim notes\n");
             }
             return {f};
         }},
    };
    for (const Forgery& forgery : forgeries) {
        SCOPED_TRACE(forgery.title);
        const auto forge = [&] {
            ResetTrees();
            if (forgery.title.starts_with("a trash")) fs::remove(attacker + "/tree/x.~txt");
            return Forged(real, [&](Record f) { return forgery.edit(std::move(f), places); });
        };

        // In the attacker's folder: named directly, or as the folder of XDG_STATE_HOME kept
        // after su without "-".
        PlantInAttackersFolder(forge());
        EXPECT_EQ(Run({"--state", attacker + "/state", forgery.command}), 1) << Out();
        EXPECT_NE(Errors().find(attacker + "/state"), std::string::npos) << Errors();
        EXPECT_EQ(Inventory(victim), before);
        PlantInAttackersFolder(forge());
        fs::create_directories(attacker + "/xdg/kesto");
        fs::rename(attacker + "/state", attacker + "/xdg/kesto/runs");
        const int status = std::system(
            ("cd " + Quote(dir.path()) + " && XDG_STATE_HOME=" + Quote(attacker + "/xdg") + " " +
             Quote(KestoCli()) + " --ini k.INI " + forgery.command + " >stdout 2>stderr")
                .c_str());
        EXPECT_EQ(WEXITSTATUS(status), 1) << Out();
        fs::rename(attacker + "/xdg/kesto/runs", attacker + "/state");
        EXPECT_EQ(Inventory(victim), before);

        // Among root's own journals it is a journal of root's, and its record is damaged.
        PlantInRootsFolder(forge());
        EXPECT_NE(Run({forgery.command}), 0) << Out();
        EXPECT_EQ(Out().find("Put back: " + victim), std::string::npos) << Out();
        EXPECT_EQ(Inventory(victim), before);
    }
}

TEST_F(JournalTrustTest, AStateFolderThatIsNotTheUsersOwnIsRefusedBeforeAnyFileIsTouched) {
    if (!CanDropPrivileges()) GTEST_SKIP() << "needs root to make folders of another user";
    const std::string theirs = dir / "theirs";
    struct Case {
        std::string title;
        std::function<std::string()> make;  // returns the state folder to name
    };
    const std::vector<Case> cases = {
        {"owned by another user, open to all",
         [&] {
             fs::create_directories(theirs);
             ::chown(theirs.c_str(), kOtherUser, kOtherUser);
             ::chmod(theirs.c_str(), 0777);
             return theirs;
         }},
        {"a link planted to another user's folder",
         [&] {
             fs::create_directories(theirs);
             ::chown(theirs.c_str(), kOtherUser, kOtherUser);
             ::chmod(theirs.c_str(), 0700);
             fs::create_symlink(theirs, dir / "planted");
             return dir / "planted";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        WriteFile(dir / "a.txt", "cat\n");
        fs::remove(dir / "a.~txt");
        const std::string state = c.make();
        EXPECT_EQ(Run({"--state", state, "-s", "cat", "-r", "dog", "a.txt"}), 1) << Out();
        EXPECT_NE(Errors().find(state), std::string::npos) << Errors();
        EXPECT_EQ(Out(), "");
        EXPECT_EQ(ReadFile(dir / "a.txt"), "cat\n");
        EXPECT_FALSE(fs::exists(dir / "a.~txt"));
        for (const char* command : {"--runs", "--undo", "--recover"}) {
            EXPECT_EQ(Run({"--state", state, command}), 1) << command;
            EXPECT_NE(Errors().find(state), std::string::npos) << command << ": " << Errors();
        }
        fs::remove_all(theirs);
        fs::remove(dir / "planted");
    }

    // A journal among root's own that is not root's own file is never acted on.
    ASSERT_EQ(Run({"-s", "cat", "-r", "dog", "a.txt"}), 0) << Errors();
    const fs::path journal = fs::begin(fs::directory_iterator(dir / "state"))->path();
    ::chown(journal.c_str(), kOtherUser, kOtherUser);
    EXPECT_EQ(Run({"--undo", journal.stem()}), 1);
    EXPECT_EQ(ReadFile(dir / "a.txt"), "dog\n");
    ::chown(journal.c_str(), 0, 0);
    ::chmod(journal.c_str(), 0666);
    EXPECT_EQ(Run({"--undo", journal.stem()}), 1);
    EXPECT_EQ(ReadFile(dir / "a.txt"), "dog\n");
    ::chmod(journal.c_str(), 0600);
    EXPECT_EQ(Run({"--undo", journal.stem()}), 0) << Errors();
    EXPECT_EQ(ReadFile(dir / "a.txt"), "cat\n");
}

// Collects the files a check finds wrong and reports how many and the first of them.
class WrongFiles {
public:
    void Check(bool right, const std::string& path, const std::string& what) {
        if (!right && m_count++ == 0) m_first = path + ": " + what;
    }
    ~WrongFiles() { EXPECT_EQ(m_count, 0) << "files, the first " << m_first; }

private:
    int m_count = 0;
    std::string m_first;
};

// The files named after "Put back: " in `output`.
std::multiset<std::string> PutBack(const std::string& output) {
    std::multiset<std::string> files;
    for (const std::string& line : Split(output, '\n')) {
        if (line.starts_with("Put back: ")) files.insert(line.substr(10));
    }
    return files;
}

TEST_F(JournalTrustTest, TwoUndosOfOneRunAtOnceUndoItOnce) {
    for (int trial = 0; trial < 3; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const std::map<std::string, std::string> originals = test::MakeCatTree(dir / "tree");
        ASSERT_EQ(Run({"-s", "cat", "-r", "dog", "-d", "tree", "-R"}), 0) << Errors();
        const std::string id = NewestRun();
        Child first(CliWords({"--undo", id}), {.output = dir / "1.out", .errors = dir / "1.err"});
        Child second(CliWords({"--undo", id}), {.output = dir / "2.out", .errors = dir / "2.err"});
        const std::string one = test::Ending(first.Wait(60s));
        const std::string two = test::Ending(second.Wait(60s));
        std::multiset<std::string> putBack = PutBack(ReadFile(dir / "1.out"));
        putBack.merge(PutBack(ReadFile(dir / "2.out")));
        WrongFiles wrong;
        for (const auto& [path, bytes] : originals) {
            wrong.Check(ReadFile(path) == bytes, path, "not the original");
            wrong.Check(putBack.count(path) == 1, path,
                        "put back " + std::to_string(putBack.count(path)) + " times");
        }
        EXPECT_TRUE((one == "exit 0") != (two == "exit 0")) << one << ", " << two;
        fs::remove_all(dir / "state");
    }
}

TEST_F(JournalTrustTest, AnUndoRacingARunOnTheSameFilesNeverTakesTheRunsFileAway) {
    for (int trial = 0; trial < 8; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const std::map<std::string, std::string> originals = test::MakeCatTree(dir / "tree");
        ASSERT_EQ(Run({"-s", "cat", "-r", "dog", "-d", "tree", "-R"}), 0) << Errors();
        const std::string id = NewestRun();
        // The run starts first and the undo, being quicker, catches up with it somewhere in
        // the tree: the two meet on a file.
        Child run(CliWords({"-s", "dog", "-r", "cow", "-d", dir / "tree", "-R"}),
                  {.output = dir / "r.out", .errors = dir / "r.err"});
        std::this_thread::sleep_for(trial * 4ms);
        Child undo(CliWords({"--undo", id}), {.output = dir / "u.out", .errors = dir / "u.err"});
        undo.Wait(60s);
        ASSERT_EQ(test::Ending(run.Wait(60s)), "exit 0");
        const std::multiset<std::string> putBack = PutBack(ReadFile(dir / "u.out"));
        const std::string runLog = ReadFile(dir / "r.out");
        WrongFiles wrong;
        for (const auto& [path, bytes] : originals) {
            const std::string now = ReadFile(path);
            std::string cow = bytes;
            for (std::size_t at; (at = cow.find(" cat\n")) != std::string::npos;) {
                cow.replace(at, 5, " cow\n");
            }
            if (putBack.count(path)) {
                wrong.Check(now == bytes, path, "said to be put back, not the original");
            } else {
                wrong.Check(now == cow, path, "left by the undo, not the run's");
                wrong.Check(runLog.find(path) != std::string::npos, path, "not in the run's log");
            }
        }
        fs::remove_all(dir / "state");
    }
}

struct BackupMode {
    std::string title;
    std::string ini;
};

TEST_F(JournalTrustTest, RecoverAfterAKillInEveryBackupModeLeavesEachFileWholeAndNothingBehind) {
    const fs::path tree = dir / "tree";
    const std::vector<BackupMode> modes = {
        {"backups kept", "[Preferences]\nRetainBackUp=1\n"},
        {"backups deleted", "[Preferences]\nRetainBackUp=0\nDeletePermanently=1\n"},
        {"backups to the trash", "[Preferences]\nRetainBackUp=0\nDeletePermanently=0\n"},
    };
    const std::string data = "XDG_DATA_HOME=" + Quote(dir / "data");
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    const std::vector<std::string> words =
        CliWords({"-s", "cat", "-r", "dog", "-d", tree.string(), "-R"});
    for (const BackupMode& mode : modes) {
        SCOPED_TRACE(mode.title);
        WriteFile(dir / "k.INI", mode.ini);
        std::map<std::string, std::string> originals = test::MakeCatTree(tree);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(Run({"-s", "cat", "-r", "dog", "-d", tree.string(), "-R"}, "", data), 0);
        const auto whole = std::chrono::steady_clock::now() - start;
        fs::remove_all(dir / "state");

        constexpr int kMoments = 20;
        int killed = 0;
        double scale = 1.0;
        for (int attempt = 0; killed < kMoments && attempt < 4 * kMoments; ++attempt) {
            originals = test::MakeCatTree(tree);
            Child run(words, {});
            ASSERT_TRUE(run.started());
            std::this_thread::sleep_for(whole * scale * (killed + 0.5) / kMoments);
            if (!run.Signal(SIGKILL)) {
                scale *= 0.8;
                continue;
            }
            run.Wait(60s);
            ++killed;
            const auto changed = [&] {
                int count = 0;
                for (const auto& [path, bytes] : originals) count += ReadFile(path) != bytes;
                return count;
            };
            if (changed() > 0) {
                ASSERT_EQ(Run({"--runs"}), 0);
                EXPECT_EQ(Out().find("  0 files"), std::string::npos) << Out();
            }
            ASSERT_EQ(Run({"--recover"}, "", data), 0) << Errors();
            WrongFiles wrong;
            for (const auto& [path, bytes] : originals) {
                std::string dog = bytes;
                for (std::size_t at; (at = dog.find(" cat\n")) != std::string::npos;) {
                    dog.replace(at, 5, " dog\n");
                }
                const std::string now = ReadFile(path);
                wrong.Check(now == bytes || now == dog, path, "neither version");
                wrong.Check(
                    now != dog || mode.title == "backups kept" || !fs::exists(test::BackupOf(path)),
                    path, "the run's version with its backup left beside it");
            }
            for (const auto& entry : fs::recursive_directory_iterator(tree)) {
                wrong.Check(!entry.path().filename().string().starts_with(".kesto-"), entry.path(),
                            "left behind");
            }
            fs::remove_all(dir / "state");
            fs::remove_all(dir / "data");
        }
        EXPECT_EQ(killed, kMoments);
    }
    ::unsetenv("XDG_DATA_HOME");
}

TEST_F(JournalTrustTest, UndoAndRecoverEscapeControlCharactersInNames) {
    const std::string name = "tree/line\nfeed.txt";
    fs::create_directories(dir / "tree");
    WriteFile(dir / name, "cat\n");
    ASSERT_EQ(Run({"-s", "cat", "-r", "dog", dir / name}), 0) << Errors();
    ASSERT_EQ(Run({"--undo"}), 0) << Errors();
    EXPECT_EQ(ReadFile(dir / name), "cat\n");
    EXPECT_NE(Out().find("Put back: " + dir / "tree/line\\nfeed.txt\n"), std::string::npos)
        << Out();
}

}  // namespace
}  // namespace kesto
