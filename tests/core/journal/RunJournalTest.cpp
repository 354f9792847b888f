#include "journal/RunJournal.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"
#include "text/BackupName.h"

namespace kesto {
namespace {

using test::ReadFile;
using test::WriteFile;

class RunJournalTest : public ::testing::Test {
protected:
    // A journal of two files, one replaced, with names that need escaping.
    std::string WriteSample() {
        std::string error;
        auto journal = RunJournal::Create(dir / "state/runs", run, error);
        EXPECT_TRUE(journal) << error;
        if (!journal) return {};
        EXPECT_TRUE(RunJournalInUse(journal->path()));
        EXPECT_TRUE(journal->MayReplace(
            {{first, Backup(first), stamp, folder}, {third, Backup(third), {}, folder}}));
        EXPECT_TRUE(journal->AboutToReplace(first, Backup(first), folder, ContentHash::Of("old"),
                                            ContentHash::Of("new"), false));
        EXPECT_TRUE(journal->Replaced(first));
        EXPECT_TRUE(journal->AboutToReplace(second, Backup(second), folder, ContentHash::Of("a"),
                                            ContentHash::Of("b"), true));
        EXPECT_TRUE(journal->ChangesSettled("trash"));
        EXPECT_TRUE(journal->BackupFate(first, "trash:/home/u/.local/share/Trash/files/x"));
        EXPECT_FALSE(RunJournalEnded(journal->path()));
        EXPECT_TRUE(journal->End(false));
        return journal->path();
    }

    std::string Backup(const std::string& path) const { return BackupName(path, run.naming); }

    test::TempDir dir;
    const RunDescription run{"single",     "cat\tdog",           "100%\r\n",    "case=1",
                             "/etc/k.INI", {false, '#', "B\tK"}, "0123456789ab"};
    const FolderIdentity folder{7, 8};
    const std::string first = "/tree/tab\there.txt";
    const std::string second = "/tree/line\nfeed%.txt";
    const std::string third = "/tree/only intended.txt";
    const FileStamp stamp{1, 2, 3, -4, 999999999};
};

TEST_F(RunJournalTest, WhatIsWrittenIsReadBackWhole) {
    const std::string path = WriteSample();
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat((dir / "state").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);

    const auto read = ReadRunJournal(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->damage, "");
    EXPECT_TRUE(read->ended);
    EXPECT_FALSE(read->aborted);
    EXPECT_EQ(read->run.search, run.search);
    EXPECT_EQ(read->run.replace, run.replace);
    EXPECT_EQ(read->run.settingsPath, run.settingsPath);
    EXPECT_EQ(read->run.naming.prependChar, run.naming.prependChar);
    EXPECT_EQ(read->run.naming.backupChar, run.naming.backupChar);
    EXPECT_EQ(read->run.naming.replaceExtension, run.naming.replaceExtension);
    EXPECT_EQ(read->run.temporaryPrefix, run.temporaryPrefix);
    EXPECT_EQ(read->settled, "trash");
    EXPECT_EQ(read->pid, static_cast<long>(::getpid()));
    EXPECT_EQ(std::filesystem::path(path).stem(), read->id);
    EXPECT_EQ(read->trustedSize, ReadFile(path).size());
    EXPECT_TRUE(RunJournalEnded(path));
    EXPECT_FALSE(RunJournalInUse(path)) << "nobody holds the journal of a run that ended";
    ASSERT_EQ(read->files.size(), 3u);
    EXPECT_EQ(read->files[0].path, first);
    EXPECT_EQ(read->files[0].original, stamp);
    EXPECT_EQ(read->files[0].state, JournalEntry::State::Replaced);
    EXPECT_EQ(read->files[0].before, ContentHash::Of("old"));
    EXPECT_EQ(read->files[0].after, ContentHash::Of("new"));
    EXPECT_EQ(read->files[0].backupFate, "trash:/home/u/.local/share/Trash/files/x");
    EXPECT_EQ(read->files[0].folder.inode, folder.inode);
    for (const JournalEntry& entry : read->files) EXPECT_EQ(entry.damage, "") << entry.path;
    EXPECT_EQ(read->files[1].path, third);
    EXPECT_EQ(read->files[1].state, JournalEntry::State::Intended);
    EXPECT_EQ(read->files[2].path, second);
    EXPECT_EQ(read->files[2].backupPath, Backup(second));
    EXPECT_EQ(read->files[2].state, JournalEntry::State::AboutToReplace);

    // Two runs in the same second get journals of their own.
    std::string error;
    const auto another = RunJournal::Create(dir / "state/runs", run, error);
    ASSERT_TRUE(another) << error;
    EXPECT_NE(another->path(), path);
}

TEST_F(RunJournalTest, ACutJournalIsTrustedUpToItsLastWholeRecord) {
    const std::string path = WriteSample();
    const std::string whole = ReadFile(path);
    for (std::size_t length = 0; length < whole.size(); ++length) {
        WriteFile(path, whole.substr(0, length));
        const auto read = ReadRunJournal(path);
        const std::string kept = whole.substr(0, length);
        if (kept.find('\n') == std::string::npos) {
            EXPECT_FALSE(read) << length;  // not even the format line
            continue;
        }
        ASSERT_TRUE(read) << length;
        EXPECT_FALSE(read->ended) << length;
        EXPECT_FALSE(RunJournalEnded(path)) << length;
        EXPECT_EQ(read->trustedSize, kept.rfind('\n') + 1) << length;
        const bool atLineEnd = kept.back() == '\n';
        EXPECT_EQ(read->damage.empty(), atLineEnd && kept.find("\nrun\t") != std::string::npos)
            << length << ": " << read->damage;
        // A file is listed only once a whole record names it.
        const auto complete = [&](std::string_view record) {
            const std::size_t at = kept.find(record);
            return at != std::string::npos && kept.find('\n', at + 1) != std::string::npos;
        };
        const std::size_t listed = (complete("\nmay\t") ? 1u : 0u) +
                                   (complete("\nmay\t" + third) ? 1u : 0u) +
                                   (complete("\nabout\t/tree/line") ? 1u : 0u);
        EXPECT_EQ(read->files.size(), listed) << length;
    }
}

TEST_F(RunJournalTest, ADamagedRecordEndsWhatIsTrusted) {
    const std::string path = WriteSample();
    const std::string whole = ReadFile(path);
    // One byte changed in the sixth line: the record that the first file was replaced.
    const std::size_t sixth = [&] {
        std::size_t at = 0;
        for (int line = 0; line < 5; ++line) at = whole.find('\n', at) + 1;
        return at;
    }();
    std::string damaged = whole;
    damaged[sixth + 8] ^= 1;
    WriteFile(path, damaged);
    const auto read = ReadRunJournal(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->damage, "line 6: damaged");
    ASSERT_EQ(read->files.size(), 2u);
    EXPECT_EQ(read->files[0].path, first);
    EXPECT_EQ(read->files[0].state, JournalEntry::State::AboutToReplace);
    EXPECT_FALSE(read->ended) << "nothing after the damage is believed";

    WriteFile(path, "kesto run journal 3\n");
    EXPECT_FALSE(ReadRunJournal(path)) << "another format";
    EXPECT_FALSE(ReadRunJournal(dir / "missing.journal"));
}

TEST_F(RunJournalTest, ARecordThatNamesWhatItsRunCouldNotHaveTouchedIsDamaged) {
    struct Case {
        std::string title;
        IntendedFile file;
        bool damaged;
    };
    const auto file = [&](const std::string& path, std::string backup, FolderIdentity in) {
        return IntendedFile{path, backup.empty() ? Backup(path) : backup, stamp, in};
    };
    const std::vector<Case> cases = {
        {"a file with its backup beside it", file("/t/a.txt", "", folder), false},
        {"a file that is its own backup name", file("/t/x.B\tK", "/t/x.B\tK", folder), true},
        {"a backup that is the file in other case", file("/t/X.txt", "/t/x.txt", folder), true},
        {"the backup in another folder", file("/t/b.txt", "/other/b.B\tK", folder), true},
        {"the backup under another name", file("/t/c.txt", "/t/c.txt.bak", folder), true},
        {"a path that is not absolute", file("t/d.txt", "", folder), true},
        {"a folder named as the file", file("/t/..", "", folder), true},
        {"no folder recorded", file("/t/e.txt", "", {}), true},
    };
    std::vector<IntendedFile> files;
    for (const Case& c : cases) files.push_back(c.file);
    std::string error;
    auto journal = RunJournal::Create(dir / "state", run, error);
    ASSERT_TRUE(journal) << error;
    ASSERT_TRUE(journal->MayReplace(files));
    const auto read = ReadRunJournal(journal->path());
    ASSERT_TRUE(read);
    ASSERT_EQ(read->files.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(read->files[i].damage.empty(), !cases[i].damaged)
            << cases[i].title << ": " << read->files[i].damage;
    }

    // A journal of the first format did not record folders: every record of it is damaged.
    const auto line = [](const std::string& fields) {
        const std::uint64_t sum = QuickHash(fields);
        std::string hex;
        for (int shift = 60; shift >= 0; shift -= 4) hex += "0123456789abcdef"[(sum >> shift) & 15];
        return fields + "\t#" + hex + "\n";
    };
    WriteFile(dir / "old.journal", std::string(RunJournal::kFirstFormatLine) + "\n" +
                                       line("run\tid\t2026-01-01T00:00:00Z\t1\tsingle\tx\ty\t\t") +
                                       line("may\t/tree/a.txt\t/tree/a.~txt\t1\t2\t3\t4\t5"));
    ::chmod((dir / "old.journal").c_str(), 0600);
    const auto old = ReadRunJournal(dir / "old.journal");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->damage, "");
    ASSERT_EQ(old->files.size(), 1u);
    EXPECT_NE(old->files[0].damage.find("earlier version"), std::string::npos);

    // A journal others may write is not believed at all.
    ::chmod(journal->path().c_str(), 0644);
    const auto shared = ReadRunJournal(journal->path());
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->files.size(), 0u);
    EXPECT_NE(shared->damage.find("not a journal of your own"), std::string::npos);
}

TEST(ContentHashTest, TheHashIsXxh3Of128BitsWrittenIn32Digits) {
    // The published XXH3-128 of no bytes.
    EXPECT_EQ(ContentHash::Of("").Hex(), "99aa06d3014798d86001c324468d497f");
    const ContentHash hash = ContentHash::Of("some bytes\r\n");
    EXPECT_EQ(ContentHash::FromHex(hash.Hex()), hash);
    EXPECT_NE(ContentHash::Of("some bytes\n"), hash);
    EXPECT_FALSE(ContentHash::FromHex("99aa06d3014798d86001c324468d497"));
    EXPECT_FALSE(ContentHash::FromHex("99aa06d3014798d86001c324468d497g"));
    EXPECT_FALSE(ContentHash::FromHex("99AA06D3014798D86001C324468D497F"));

    ContentHasher pieces;
    pieces.Update("some ");
    pieces.Update("");
    pieces.Update("bytes\r\n");
    EXPECT_EQ(pieces.Digest(), hash);
}

}  // namespace
}  // namespace kesto
