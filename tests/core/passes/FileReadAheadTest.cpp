#include "passes/FileReadAhead.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "support/TempDir.h"

namespace kesto {
namespace {

using test::WriteFile;

// Counts the files it is given and marks each as having no candidate.
class CountingScanner : public AheadScanner {
public:
    explicit CountingScanner(std::atomic<int>& count) : m_count(count) {}
    // Texts of an odd length have no candidate.
    void ScanAhead(std::string_view text, LineBreakType, const std::string&,
                   AheadScan& scan) override {
        ++m_count;
        scan.state = text.size() % 2 ? AheadScan::State::NoCandidate : AheadScan::State::Scanned;
    }

private:
    std::atomic<int>& m_count;
};

// Replaces every "a" with "A", and counts a match in every file.
class UppercasingScanner : public AheadScanner {
public:
    void ScanAhead(std::string_view text, LineBreakType, const std::string&,
                   AheadScan& scan) override {
        scan.content.assign(text);
        for (char& c : scan.content) c = c == 'a' ? 'A' : c;
        scan.counters.match.possible = 1;
        scan.state = AheadScan::State::Scanned;
    }
};

// What the file behind a descriptor holds, read through another one.
std::string ContentBehind(int fd) {
    return test::ReadFile("/proc/self/fd/" + std::to_string(fd));
}

std::size_t EntriesIn(const std::string& folder) {
    const std::filesystem::directory_iterator entries(folder);
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

class FileReadAheadTest : public ::testing::Test {
protected:
    FileReadAhead::ScannerFactory Counting() {
        return [this] { return std::make_unique<CountingScanner>(scanned); };
    }

    test::TempDir dir;
    std::atomic<int> scanned{0};
};

TEST_F(FileReadAheadTest, EachFileComesWholeInListOrderWithWhatItIs) {
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i) {
        paths.push_back(dir / ("f" + std::to_string(i) + ".txt"));
        WriteFile(paths.back(), std::string(static_cast<std::size_t>(i) * 997 + 1, 'a') + "\r\n");
    }
    WriteFile(paths[7], std::string("bin\0ary\n", 8));
    WriteFile(paths[9], "no line break");
    FileReadAhead ahead(paths, 3, true, Counting(), {4, 1 << 20});
    AheadFile file;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        ASSERT_TRUE(ahead.Take(i, file)) << i;
        // The run needs no bytes of a file without a candidate.
        const bool hasCandidate = file.scan.state != AheadScan::State::NoCandidate;
        EXPECT_EQ(file.content.bytes(), hasCandidate ? test::ReadFile(paths[i]) : "") << i;
        EXPECT_TRUE(file.IsFile(StatOf(paths[i]))) << i;
        if (i == 7) {
            EXPECT_TRUE(file.notSearched.has_value());
            EXPECT_EQ(file.scan.state, AheadScan::State::NotTried);
        } else if (i == 9) {
            EXPECT_EQ(file.type, LineBreakType::None);
            EXPECT_EQ(file.scan.state, AheadScan::State::NotTried);
        } else {
            EXPECT_FALSE(file.notSearched.has_value()) << i;
            EXPECT_EQ(file.type, LineBreakType::Dos) << i;
            EXPECT_EQ(file.scan.state,
                      i % 2 ? AheadScan::State::Scanned : AheadScan::State::NoCandidate)
                << i;
        }
    }
    EXPECT_FALSE(ahead.Take(paths.size(), file));
}

// The scanner and the line-break type see the decoded text: in its bytes, the CR of a UTF-16
// line break is followed by a zero byte and looks like a Mac one.
TEST_F(FileReadAheadTest, AWorkerDecodesWideTextAsTheRunWould) {
    const std::vector<std::string> paths = {dir / "wide", dir / "odd", dir / "nul", dir / "bom"};
    WriteFile(paths[0], std::string("\xFF\xFE"
                                    "a\0b\0\r\0\n\0",
                                    10));
    WriteFile(paths[1], std::string("\xFE\xFF\0a\0\n\0", 7));
    WriteFile(paths[2], std::string("\xFF\xFE"
                                    "a\0\0\0\n\0",
                                    8));
    WriteFile(paths[3],
              "\xEF\xBB\xBF"
              "ab\r\n");
    FileReadAhead ahead(paths, 2, true, Counting(), {});
    AheadFile file;
    for (const std::size_t i : {0, 3}) {
        ASSERT_TRUE(ahead.Take(i, file)) << i;
        EXPECT_FALSE(file.notSearched.has_value()) << i;
        EXPECT_EQ(file.content.text(), "ab\r\n") << i;
        EXPECT_EQ(file.content.bytes(), test::ReadFile(paths[i])) << i;
        EXPECT_EQ(file.type, LineBreakType::Dos) << i;
        EXPECT_EQ(file.scan.state, AheadScan::State::Scanned) << i;
        if (i == 0) {
            ASSERT_TRUE(ahead.Take(1, file));
            EXPECT_EQ(file.notSearched, "UTF-16 text of an odd length - not searched!");
            EXPECT_EQ(file.scan.state, AheadScan::State::NotTried);
            ASSERT_TRUE(ahead.Take(2, file));
            EXPECT_EQ(file.notSearched, "Binary file - not searched!");
        }
    }
}

TEST_F(FileReadAheadTest, WhatTheRunMustNotTakeFromAWorkerIsLeftToTheRun) {
    namespace fs = std::filesystem;
    const std::vector<std::string> paths = {dir / "empty", dir / "link", dir / "folder",
                                            dir / "fifo",  dir / "gone", dir / "big",
                                            dir / "plain"};
    WriteFile(paths[0], "");
    WriteFile(dir / "target", "text\n");
    fs::create_symlink(dir / "target", paths[1]);
    fs::create_directory(paths[2]);
    ASSERT_EQ(::mkfifo(paths[3].c_str(), 0600), 0);
    WriteFile(paths[5], std::string(8'388'609, 'x'));
    WriteFile(paths[6], "plain\n");
    FileReadAhead ahead(paths, 2, true, nullptr, {});
    AheadFile file;
    for (std::size_t i = 0; i + 1 < paths.size(); ++i) EXPECT_FALSE(ahead.Take(i, file)) << i;
    ASSERT_TRUE(ahead.Take(6, file));
    EXPECT_EQ(file.content.bytes(), "plain\n");
    // Only read: nobody scanned it.
    EXPECT_EQ(file.scan.state, AheadScan::State::NotTried);

    // Changed after it was read, even to the same size: the run reads it itself.
    const struct stat read = file.opened;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    WriteFile(paths[6], "PLAIN\n");
    EXPECT_FALSE(file.IsFile(StatOf(paths[6])));
    EXPECT_TRUE(file.IsFile(read));
}

// A file without a name is gone once it is closed: a run that never takes it, or is cut
// off, leaves nothing in the folder.
TEST_F(FileReadAheadTest, AWorkerWritesTheNewContentOfAFileThatChangesIntoAFileWithoutAName) {
    struct Row {
        std::string bytes;
        std::string written;  // empty: the run writes the file itself
    };
    const std::vector<Row> rows = {
        {"banana\n", "bAnAnA\n"},
        {"\xEF\xBB\xBF"
         "a\r\n",
         "\xEF\xBB\xBF"
         "A\r\n"},        // the mark stays ahead of the text
        {"hello\n", ""},  // a match that changes nothing
        {std::string("\xFF\xFE"
                     "a\0\n\0",
                     6),
         ""},  // decoded: encoded back by the run
    };
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        paths.push_back(dir / ("f" + std::to_string(i)));
        WriteFile(paths.back(), rows[i].bytes);
    }
    const std::size_t entries = EntriesIn(dir.path());
    {
        FileReadAhead ahead(
            paths, 2, true, [] { return std::make_unique<UppercasingScanner>(); }, {},
            FileReadAhead::NewFiles{true});
        AheadFile file;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(i);
            ASSERT_TRUE(ahead.Take(i, file));
            const AheadFile::Written& written = file.written;
            ASSERT_EQ(written.file.valid(), !rows[i].written.empty());
            // The worker keeps the bytes of a file whose new file it wrote.
            EXPECT_EQ(file.withoutBytes, written.file.valid());
            EXPECT_EQ(file.content.bytes(), written.file.valid() ? "" : rows[i].bytes);
            if (!written.file.valid()) continue;
            EXPECT_EQ(ContentBehind(written.file.get()), rows[i].written);
            EXPECT_EQ(written.size, rows[i].written.size());
            EXPECT_EQ(written.hashes.before, ContentHash::Of(rows[i].bytes));
            EXPECT_EQ(written.hashes.after, ContentHash::Of(rows[i].written));
        }
        EXPECT_EQ(EntriesIn(dir.path()), entries);
    }
    EXPECT_EQ(EntriesIn(dir.path()), entries);
    // A run that writes nothing (a preview) has nothing written for it.
    FileReadAhead preview(paths, 2, true, [] { return std::make_unique<UppercasingScanner>(); },
                          {});
    AheadFile file;
    ASSERT_TRUE(preview.Take(0, file));
    EXPECT_FALSE(file.written.file.valid());
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(test::ReadFile(paths[i]), rows[i].bytes);
}

TEST_F(FileReadAheadTest, WorkersStayWithinTheirWindowAndTheRunMaySkipFiles) {
    std::vector<std::string> paths;
    for (int i = 0; i < 100; ++i) {
        paths.push_back(dir / ("f" + std::to_string(i)));
        WriteFile(paths.back(), "line\n");
    }
    FileReadAhead ahead(paths, 4, false, Counting(), {5, 1 << 20});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // Nothing taken yet: files 0 to 4 at most.
    EXPECT_LE(scanned.load(), 5);
    AheadFile file;
    ASSERT_TRUE(ahead.Take(50, file));
    EXPECT_EQ(file.scan.state, AheadScan::State::NoCandidate);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // The files passed over are not read: 0..4, then 50..54.
    EXPECT_LE(scanned.load(), 10);
    EXPECT_FALSE(ahead.Take(49, file));
    ASSERT_TRUE(ahead.Take(99, file));
}

TEST_F(FileReadAheadTest, TheRunMayEndWhileWorkersWaitOrRead) {
    std::vector<std::string> paths;
    for (int i = 0; i < 64; ++i) {
        paths.push_back(dir / ("f" + std::to_string(i)));
        WriteFile(paths.back(), std::string(100'000, 'y') + "\r\n");
    }
    for (int round = 0; round < 20; ++round) {
        FileReadAhead ahead(paths, 3, true, Counting(), {8, 300'000});
        AheadFile file;
        if (round % 2) {
            ASSERT_TRUE(ahead.Take(static_cast<std::size_t>(round), file));
            EXPECT_EQ(file.content.bytes().size(), 100'002u);
        }
    }
    // Three files fill the bytes the window holds, and a run that took a file lets the
    // workers read at most eight files from there on.
    EXPECT_LE(scanned.load(), 10 * 3 + 10 * (3 + 8));
}

}  // namespace
}  // namespace kesto
