// Taking runs back with kesto-cli: --undo of finished runs, --recover of killed ones, and
// --runs reading what earlier processes kept.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/CliRun.h"
#include "support/TempDir.h"

namespace kesto {
namespace {

using test::ReadFile;
using test::Snapshot;
using test::WriteFile;
namespace fs = std::filesystem;

class UndoRecoverTest : public test::CliRunTest {
protected:
    // A small tree with a file reached through a link and a file without a match.
    void MakeTree() {
        fs::remove_all(dir / "tree");
        fs::create_directories(dir / "tree/sub");
        WriteFile(dir / "tree/a.txt", "a cat\r\nsecond cat   \r\n");
        WriteFile(dir / "tree/b.txt", "no match here\n");
        WriteFile(dir / "tree/sub/c.txt", "cat \r\ncat\tcat\r\n\r\n");
        WriteFile(dir / "tree/sub/d.txt", "\rold mac cat\r");
        fs::create_symlink("sub/c.txt", dir / "tree/link.txt");
        before = Snapshot(dir / "tree");
    }

    // The files as they were before the run, each compared byte for byte.
    void ExpectTreeAsBefore() {
        for (const auto& [path, bytes] : before) EXPECT_EQ(ReadFile(path), bytes) << path;
        for (const auto& entry : fs::recursive_directory_iterator(dir / "tree")) {
            EXPECT_EQ(entry.path().filename().string().rfind(".kesto-", 0), std::string::npos)
                << entry.path();
        }
    }

    std::vector<std::string> RunsListed() {
        EXPECT_EQ(Run({"--runs"}), 0);
        std::vector<std::string> lines;
        std::string text = ReadFile(dir / "stdout");
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = text.find('\n', at);
            lines.push_back(text.substr(at, end - at));
            at = end + 1;
        }
        return lines;
    }

    std::string Errors() { return ReadFile(dir / "stderr"); }

    std::map<std::string, std::string> before;
};

TEST_F(UndoRecoverTest, EveryKindOfRunIsUndoneByteForByteAndTheUndoItselfCanBeUndone) {
    WriteFile(dir / "pairs.sr",
              "#!S!#1#\r\ncat\r\n#!R!#1#\r\ndog\r\n#!S!#2#\r\nold\r\n#!R!#2#\r\nnew");
    const std::vector<std::vector<std::string>> runs = {
        {"-c", "-s", "cat", "-r", "dog"},    {"-b", "pairs.sr"},        {"--strip"},
        {"--insert", "> ", "--column", "1"}, {"--convert", "dos2unix"},
    };
    // A preview and a run that changes nothing keep no journal.
    MakeTree();
    ASSERT_EQ(Run({"-n", "-s", "cat", "-r", "dog", "-d", "tree", "-R"}), 0);
    ASSERT_EQ(Run({"-s", "nowhere", "-r", "dog", "-d", "tree", "-R"}), 0);
    EXPECT_FALSE(fs::exists(dir / "state"));

    for (const std::vector<std::string>& kind : runs) {
        SCOPED_TRACE(kind.front());
        MakeTree();
        std::vector<std::string> arguments = kind;
        arguments.insert(arguments.end(), {"-d", "tree", "-R", "-f", "*.txt"});
        ASSERT_EQ(Run(arguments), 0) << Errors();
        const std::map<std::string, std::string> after = Snapshot(dir / "tree");
        ASSERT_NE(after.at(dir / "tree/sub/c.txt"), before.at(dir / "tree/sub/c.txt"))
            << "the file behind the link was changed";

        ASSERT_EQ(Run({"--undo"}), 0) << Errors();
        ExpectTreeAsBefore();
        EXPECT_EQ(Errors(), "");

        // The undo kept what the run wrote, so it can be taken back too.
        ASSERT_EQ(Run({"--undo"}), 0) << Errors();
        for (const auto& [path, bytes] : before) EXPECT_EQ(ReadFile(path), after.at(path)) << path;
        fs::remove_all(dir / "state");
    }
}

TEST_F(UndoRecoverTest, FilesChangedSinceTheRunAreLeftAndNamedWithTheirReason) {
    // Each run of files is made once: a second one from a copy of the folder would give the
    // tree other folders than those the first run's journal names.
    comparesThreads = false;
    MakeTree();
    ASSERT_EQ(Run({"-s", "cat", "-r", "dog", "-d", "tree", "-R"}), 0);
    const std::string first = RunsListed().at(0).substr(0, RunsListed().at(0).find(' '));
    // A later run over one file: undoing the first run leaves that file.
    ASSERT_EQ(Run({"-s", "dog", "-r", "cow", dir / "tree/a.txt"}), 0);
    const std::vector<std::string> listed = RunsListed();
    ASSERT_EQ(listed.size(), 2u);
    const std::string second = listed[0].substr(0, listed[0].find(' '));
    EXPECT_NE(listed[0].find("  single  1 file  can be undone"), std::string::npos) << listed[0];
    EXPECT_NE(listed[1].find("  single  3 files  can be undone"), std::string::npos) << listed[1];
    // Someone edits another file.
    WriteFile(dir / "tree/sub/d.txt", "edited by hand\n");

    EXPECT_EQ(Run({"--undo", first}), 4);
    const std::string errors = Errors();
    EXPECT_NE(errors.find("Left as it was: " + (dir / "tree/a.txt") + ": changed by a later run (" +
                          second + ")"),
              std::string::npos)
        << errors;
    EXPECT_NE(errors.find("Left as it was: " + (dir / "tree/sub/d.txt") + ": edited since the run"),
              std::string::npos)
        << errors;
    EXPECT_EQ(ReadFile(dir / "tree/a.txt"), "a cow\r\nsecond cow   \r\n");
    EXPECT_EQ(ReadFile(dir / "tree/sub/d.txt"), "edited by hand\n");
    EXPECT_EQ(ReadFile(dir / "tree/sub/c.txt"), before.at(dir / "tree/sub/c.txt"));

    // Undone in order, the later run first, and then its backup no longer matches.
    EXPECT_EQ(Run({"--undo", second}), 0) << Errors();
    EXPECT_EQ(ReadFile(dir / "tree/a.txt"), "a dog\r\nsecond dog   \r\n");
    // The run undone whole is none to undo any more; the one undone in part still is.
    const auto stateOf = [](const std::vector<std::string>& lines, const std::string& id) {
        for (const std::string& line : lines) {
            if (line.rfind(id + ' ', 0) == 0) return line;
        }
        return std::string();
    };
    const std::vector<std::string> after = RunsListed();
    ASSERT_EQ(after.size(), 4u);
    const std::string undoOfSecond = after[0].substr(0, after[0].find(' '));
    EXPECT_NE(stateOf(after, second).find("can't be undone (undone by " + undoOfSecond + ")"),
              std::string::npos)
        << stateOf(after, second);
    EXPECT_NE(stateOf(after, first).find("3 files  can be undone"), std::string::npos)
        << stateOf(after, first);
    EXPECT_EQ(Run({"--undo", "no-such-run"}), 1);
    EXPECT_NE(Errors().find("No run no-such-run kept!"), std::string::npos);
}

TEST_F(UndoRecoverTest, ARunAndItsUndoOverMoreFoldersThanTheSoftLimitOfOpenFilesTakeEveryFile) {
    // A run holds a descriptor of each folder it changed a file in until it ends.
    for (int i = 0; i < 200; ++i) {
        fs::create_directories(dir / ("many/" + std::to_string(i)));
        WriteFile(dir / ("many/" + std::to_string(i) + "/f.txt"), "cat\n");
    }
    const std::string limit = "ulimit -Sn 128;";
    ASSERT_EQ(Run({"-s", "cat", "-r", "dog", "-d", "many", "-R"}, "", limit), 0) << Errors();
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(ReadFile(dir / ("many/" + std::to_string(i) + "/f.txt")), "dog\n") << i;
    }
    ASSERT_EQ(Run({"--undo"}, "", limit), 0) << Errors();
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(ReadFile(dir / ("many/" + std::to_string(i) + "/f.txt")), "cat\n") << i;
    }
}

TEST_F(UndoRecoverTest, BackupsThatWentToTheTrashAreTakenBack) {
    MakeTree();
    WriteFile(dir / "k.INI", "[Preferences]\nRetainBackUp=0\nDeletePermanently=0\n");
    const std::string data = "XDG_DATA_HOME=" + test::Quote(dir / "data");
    ASSERT_EQ(Run({"-s", "cat", "-r", "dog", "-d", "tree", "-R"}, "", data), 0);
    EXPECT_FALSE(fs::exists(dir / "tree/a.~txt"));
    ASSERT_TRUE(fs::exists(dir / "data/Trash/files/a.~txt"));

    EXPECT_EQ(Run({"--undo"}, "", data), 0) << Errors();
    ExpectTreeAsBefore();
    EXPECT_FALSE(fs::exists(dir / "data/Trash/files/a.~txt"));
    EXPECT_FALSE(fs::exists(dir / "data/Trash/info/a.~txt.trashinfo"));

    // Deleted for good: nothing is left to undo, and the run is no longer kept.
    WriteFile(dir / "k.INI", "[Preferences]\nRetainBackUp=0\nDeletePermanently=1\n");
    fs::remove_all(dir / "state");
    MakeTree();
    ASSERT_EQ(Run({"-s", "cat", "-r", "dog", "-d", "tree", "-R"}), 0);
    EXPECT_EQ(RunsListed(), std::vector<std::string>{});
    EXPECT_EQ(Run({"--undo"}), 1);
    EXPECT_EQ(Errors(), "No run to undo!\n");
}

TEST_F(UndoRecoverTest, ADamagedJournalIsReportedAndNeverTrustedBeyondTheDamage) {
    MakeTree();
    ASSERT_EQ(Run({"-s", "cat", "-r", "dog", "-d", "tree", "-R"}), 0);
    const fs::path journal = fs::begin(fs::directory_iterator(dir / "state"))->path();
    std::string text = ReadFile(journal);
    const std::size_t replaced = text.find("\nreplaced\t");
    ASSERT_NE(replaced, std::string::npos);
    text[replaced + 12] ^= 1;
    WriteFile(journal, text);

    const std::vector<std::string> listed = RunsListed();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_NE(listed[0].find("damaged (line "), std::string::npos) << listed[0];
    EXPECT_EQ(Run({"--undo", journal.stem()}), 1);
    EXPECT_NE(Errors().find("is damaged"), std::string::npos) << Errors();

    // Cut in the middle of a record and never ended: recovery acts only on whole records.
    WriteFile(journal, text.substr(0, replaced + 5));
    EXPECT_EQ(Run({"--recover"}), 0) << Errors();
    EXPECT_NE(ReadFile(dir / "stdout").find("Recovered run " + journal.stem().string()),
              std::string::npos);
    for (const auto& [path, bytes] : before) EXPECT_EQ(ReadFile(path), bytes) << path;
    EXPECT_EQ(Run({"--recover"}), 0);
    EXPECT_EQ(ReadFile(dir / "stdout"), "") << "a recovered run is ended";
}

TEST_F(UndoRecoverTest, RecoverAfterAKillAtAnyMomentGivesEveryOriginalBack) {
    const fs::path tree = dir / "tree";
    std::map<std::string, std::string> originals;
    const auto makeTree = [&] { originals = test::MakeCatTree(tree); };
    const std::vector<std::string> words =
        CliWords({"-s", "cat", "-r", "dog", "-d", tree.string(), "-R"});

    // The moments are spread over the time a whole run takes here.
    makeTree();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Run({"-s", "cat", "-r", "dog", "-d", tree.string(), "-R"}), 0);
    const auto whole = std::chrono::steady_clock::now() - start;
    fs::remove_all(dir / "state");

    // A machine under load makes that measure a poor guess: a kill that comes after the run
    // ended shrinks the time scale, so the twenty moments still land inside runs.
    constexpr int kMoments = 20;
    int killedMidRun = 0;
    double scale = 1.0;
    for (int attempt = 0; killedMidRun < kMoments && attempt < 4 * kMoments; ++attempt) {
        makeTree();
        test::Child run(words, {});
        ASSERT_TRUE(run.started());
        const auto delay = std::chrono::duration_cast<std::chrono::microseconds>(
            whole * scale * (killedMidRun + 0.5) / kMoments);
        std::this_thread::sleep_for(delay);
        const bool killed = run.Signal(SIGKILL);
        run.Wait(std::chrono::seconds(60));
        if (!killed) {  // it had ended: nothing to recover
            scale *= 0.8;
            continue;
        }
        ++killedMidRun;
        SCOPED_TRACE(
            "killed after " +
            std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(delay).count()) +
            " us");
        ASSERT_EQ(Run({"--recover"}), 0) << Errors();
        const auto changed = [&] {
            for (const auto& [path, bytes] : originals) {
                if (ReadFile(path) != bytes) return path;
            }
            return std::string();
        };
        // Killed after its journal was ended, the run was complete: undone, not recovered.
        if (ReadFile(dir / "stdout").empty() && !changed().empty()) {
            EXPECT_EQ(Run({"--undo"}), 0) << Errors();
        }
        ASSERT_EQ(changed(), "");
        fs::remove_all(dir / "state");
    }
    EXPECT_EQ(killedMidRun, kMoments);
}

}  // namespace
}  // namespace kesto
