// A random or mutated journal in the state folder, read through the run history and acted on
// by undo and recovery: nothing crashes, and nothing outside the scratch tree the journal is
// about changes, whatever the journal names.
//
// The input is a journal with a few words the target puts in before writing it, so that
// mutations can reach records the reader believes: @T and @O (the tree and a folder beside
// it that no journal may touch), @D and @I (the device and inode of the tree, the one folder
// a run recorded), @A and @B (the hashes of the new and old text that files of both folders
// hold), @s (the stamp of the tree's backup, the original as a run would record it) and @X
// (the user's trash). A line ending in a tab and "#" gets its checksum.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "journal/RunHistory.h"
#include "platform/FreedesktopTrash.h"
#include "text/ContentHash.h"

namespace {

namespace fs = std::filesystem;
using namespace kesto;

const std::string& Root() {
    static const std::string root = "/tmp/kesto-fuzz-journal-" + std::to_string(::getpid());
    return root;
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Every entry below `folder`: its path, kind, inode and bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        entries[entry.path()] = std::to_string(st.st_mode) + " " + std::to_string(st.st_ino) + " " +
                                (S_ISREG(st.st_mode) ? Read(entry.path()) : "");
    }
    return entries;
}

std::string Identity(const std::string& folder, bool inode) {
    struct stat st {};
    ::stat(folder.c_str(), &st);
    return std::to_string(inode ? st.st_ino : st.st_dev);
}

std::string Stamp(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return std::to_string(st.st_dev) + "\t" + std::to_string(st.st_ino) + "\t" +
           std::to_string(st.st_size) + "\t" + std::to_string(st.st_mtim.tv_sec) + "\t" +
           std::to_string(st.st_mtim.tv_nsec);
}

void ReplaceAll(std::string& text, const std::string& word, const std::string& by) {
    for (std::size_t at = text.find(word); at != std::string::npos;
         at = text.find(word, at + by.size())) {
        text.replace(at, word.size(), by);
    }
}

// The tree as a run over it left it: a.txt replaced with its backup beside it, b.txt
// untouched; the folder no journal may touch; a trash with one backup in it.
void MakeScratch() {
    const std::string& root = Root();
    fs::remove_all(root);
    fs::create_directories(root + "/state");
    fs::create_directories(root + "/tree/sub");
    fs::create_directories(root + "/outside/files");
    fs::create_directories(root + "/data/Trash/files");
    fs::create_directories(root + "/data/Trash/info");
    fs::permissions(root + "/state", fs::perms::owner_all);
    Write(root + "/tree/a.~txt", "old a\n");
    Write(root + "/tree/a.txt", "new a\n");
    Write(root + "/tree/b.txt", "old a\n");
    Write(root + "/tree/sub/c.txt", "new a\n");
    Write(root + "/outside/victim.txt", "new a\n");
    Write(root + "/outside/victim.~txt", "old a\n");
    Write(root + "/outside/files/own.txt", "old a\n");
    Write(root + "/data/Trash/files/c.~txt", "old a\n");
}

std::string Journal(const uint8_t* data, size_t size) {
    const std::string& root = Root();
    std::string text(reinterpret_cast<const char*>(data), size);
    ReplaceAll(text, "@T", root + "/tree");
    ReplaceAll(text, "@O", root + "/outside");
    ReplaceAll(text, "@X", root + "/data/Trash");
    ReplaceAll(text, "@D", Identity(root + "/tree", false));
    ReplaceAll(text, "@I", Identity(root + "/tree", true));
    ReplaceAll(text, "@A", ContentHash::Of("new a\n").Hex());
    ReplaceAll(text, "@B", ContentHash::Of("old a\n").Hex());
    ReplaceAll(text, "@s", Stamp(root + "/tree/a.~txt"));
    std::string journal;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.ends_with("\t#")) {
            const std::uint64_t sum = QuickHash(std::string_view(line).substr(0, line.size() - 2));
            for (int shift = 60; shift >= 0; shift -= 4) {
                line += "0123456789abcdef"[(sum >> shift) & 15];
            }
        }
        journal += line + "\n";
    }
    return journal;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("XDG_DATA_HOME", (Root() + "/data").c_str(), 1);
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(Root(), ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MakeScratch();
    const std::string& root = Root();
    const std::string journal = root + "/state/20260101-000000.000-1.journal";
    Write(journal, Journal(data, size));
    fs::permissions(journal, fs::perms::owner_read | fs::perms::owner_write);
    const std::map<std::string, std::string> outside = Snapshot(root + "/outside");

    RunHistory history(root + "/state");
    FreedesktopTrash trash;
    for (const KeptRun& run : history.Runs()) history.CheckUndo(run, &trash);
    history.UnfinishedRuns();
    history.Undo("", trash, "");
    history.Recover(&trash);
    history.PruneGone();
    history.Prune(1);

    if (Snapshot(root + "/outside") != outside) std::abort();
    return 0;
}
