// Whole kesto-cli runs for end-to-end tests: a folder of the test's own with a settings file
// in it, the program run through the shell with its streams in files, or started directly
// so that the test can signal it, answer it through a pipe, or let it race another process.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDir.h"

extern char** environ;

namespace kesto::test {

// The kesto-cli the tests run: the one built beside them, or the one KESTO_CLI names (the
// ThreadSanitizer build's kesto-cli, run by the release build's tests).
inline std::string KestoCli() {
    const char* named = std::getenv("KESTO_CLI");
    return named != nullptr && *named != '\0' ? named : KESTO_CLI_PATH;
}

// One word for /bin/sh, whatever bytes it holds.
inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The backup name with the default settings: "~" put in front of the extension.
inline std::string BackupOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < slash) return path + ".~";
    return path.substr(0, dot) + ".~" + path.substr(dot + 1);
}

// Every regular file of a tree and its bytes.
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) files[entry.path().string()] = ReadFile(entry.path().string());
    }
    return files;
}

// Makes `tree` afresh: 300 files of 200 lines in four folders, every seventh line with a
// "cat" in it. Returns its files with their bytes.
inline std::map<std::string, std::string> MakeCatTree(const std::filesystem::path& tree) {
    std::filesystem::remove_all(tree);
    for (int folder = 0; folder < 4; ++folder) {
        const auto sub = tree / ("d" + std::to_string(folder));
        std::filesystem::create_directories(sub);
        for (int file = 0; file < 75; ++file) {
            std::string text;
            for (int line = 0; line < 200; ++line) {
                text += "line " + std::to_string(line) + (line % 7 ? " plain\n" : " cat\n");
            }
            WriteFile(sub / ("f" + std::to_string(file) + ".txt"), text);
        }
    }
    return Snapshot(tree);
}

// The original bytes of each file are complete at its name or at its backup name.
inline void ExpectOriginalsRecoverable(const std::map<std::string, std::string>& originals) {
    namespace fs = std::filesystem;
    for (const auto& [path, bytes] : originals) {
        const bool atName = fs::exists(path) && ReadFile(path) == bytes;
        const bool atBackup = fs::exists(BackupOf(path)) && ReadFile(BackupOf(path)) == bytes;
        EXPECT_TRUE(atName || atBackup) << path;
    }
}

// Whether the test may switch to the unprivileged user 65534 through setpriv.
inline bool CanDropPrivileges() {
    return ::geteuid() == 0 &&
           std::system("setpriv --reuid=65534 --regid=65534 --clear-groups true >/dev/null 2>&1") ==
               0 &&
           ::access(KestoCli().c_str(), X_OK) == 0;
}
inline constexpr const char* kNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups";

// Whether a command is found on PATH.
inline bool HasTool(const std::string& name) {
    return std::system(("command -v " + Quote(name) + " >/dev/null 2>&1").c_str()) == 0;
}

// Polls until `done` holds or `limit` has passed; says whether it held.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// How a process ended, as a failure message would want it: "exit 3", "signal 15".
inline std::string Ending(std::optional<int> status) {
    if (!status) return "still running at the time limit";
    if (WIFEXITED(*status)) return "exit " + std::to_string(WEXITSTATUS(*status));
    if (WIFSIGNALED(*status)) return "signal " + std::to_string(WTERMSIG(*status));
    return "wait status " + std::to_string(*status);
}

// A program started without a shell. Each stream is a file opened by name, or a descriptor
// of the test's (a pipe end) when one is given. A child still running when the object goes
// is killed and reaped, so that a failed test leaves no process behind.
class Child {
public:
    struct Streams {
        std::string input = "/dev/null";
        std::string output = "/dev/null";
        std::string errors = "/dev/null";
        int inputFd = -1;
        int outputFd = -1;
    };

    Child(std::vector<std::string> words, const Streams& streams) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (streams.inputFd >= 0) {
            posix_spawn_file_actions_adddup2(&actions, streams.inputFd, STDIN_FILENO);
        } else {
            posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, streams.input.c_str(),
                                             O_RDONLY, 0);
        }
        if (streams.outputFd >= 0) {
            posix_spawn_file_actions_adddup2(&actions, streams.outputFd, STDOUT_FILENO);
        } else {
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, streams.output.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, streams.errors.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        if (::posix_spawnp(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() {
        if (m_pid <= 0 || m_status) return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return m_pid > 0; }

    // Whether it has not ended yet; reaps it when it has.
    bool Running() {
        if (m_pid <= 0 || m_status) return false;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) != m_pid) return true;
        m_status = status;
        return false;
    }

    // Sends `signal` unless it has already ended; says whether it was sent.
    bool Signal(int signal) { return Running() && ::kill(m_pid, signal) == 0; }

    // Its wait status, or nothing when it was still running after `limit` (it is then killed).
    std::optional<int> Wait(std::chrono::milliseconds limit) {
        if (m_pid <= 0) return std::nullopt;
        if (WaitUntil([this] { return !Running(); }, limit)) return m_status;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_status = -1;
        return std::nullopt;
    }

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// A folder of the test's own, open to the unprivileged user as /tmp is (sticky, so that the
// state folder in it stays the user's own), with an empty settings file `k.INI` that every
// run is given.
class CliRunTest : public ::testing::Test {
protected:
    CliRunTest() {
        std::filesystem::permissions(
            dir.path(), std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
        WriteFile(dir / "k.INI", "");
        std::filesystem::permissions(dir / "k.INI", std::filesystem::perms::all);
    }

    // Runs kesto-cli in the folder; `prefix` goes in front of it (setpriv, timeout). A run
    // of files is made twice from the same folder: first with every file on one thread,
    // then with workers reading and searching ahead, and the two must end alike (status,
    // log, messages, files).
    int Run(const std::vector<std::string>& arguments, const std::string& input = "",
            const std::string& prefix = "") {
        if (!comparesThreads || !IsRunOfFiles(arguments)) return RunOnce(arguments, input, prefix);
        const std::string folder = dir.path().string();
        const std::string before = folder + ".before";
        Shell("rm -rf " + Quote(before) + " && cp -a " + Quote(folder) + " " + Quote(before));
        const int oneStatus = RunOnce(arguments, input, prefix, "--threads 1");
        const std::map<std::string, std::string> oneThread = Outcome();
        Shell("find " + Quote(folder) + " -mindepth 1 -delete && cp -a " + Quote(before) + "/. " +
              Quote(folder) + " && rm -rf " + Quote(before));
        const int status = RunOnce(arguments, input, prefix, "--threads 3");
        EXPECT_EQ(status, oneStatus) << "threads against one thread";
        const std::map<std::string, std::string> threads = Outcome();
        for (const auto& [path, bytes] : threads) {
            const auto one = oneThread.find(path);
            EXPECT_TRUE(one != oneThread.end() && one->second == bytes)
                << path << " differs from the run on one thread:\n"
                << FirstDifference(one == oneThread.end() ? "" : one->second, bytes);
        }
        EXPECT_EQ(threads.size(), oneThread.size()) << "files against one thread";
        return status;
    }

    // Set by a test whose runs reach beyond its folder, so that a second run would not
    // start where the first did.
    bool comparesThreads = true;

private:
    static bool IsRunOfFiles(const std::vector<std::string>& arguments) {
        for (const std::string& word : arguments) {
            if (word == "--runs" || word == "--undo" || word == "--recover" || word == "--help" ||
                word == "-h" || word == "--version" || word == "--threads") {
                return false;
            }
        }
        return true;
    }

    // Where two texts part, shown a little before, as "one thread | threads".
    static std::string FirstDifference(const std::string& a, const std::string& b) {
        const std::size_t at = static_cast<std::size_t>(
            std::mismatch(a.begin(), a.begin() + static_cast<long>(std::min(a.size(), b.size())),
                          b.begin())
                .first -
            a.begin());
        const std::size_t from = at > 60 ? at - 60 : 0;
        return a.substr(from, 160) + "\n|\n" + b.substr(from, 160);
    }

    static void Shell(const std::string& command) {
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    // Every file of the folder but the journals, with the times a run measures, the names
    // of its journals and the times its trash records masked.
    std::map<std::string, std::string> Outcome() const {
        std::map<std::string, std::string> files;
        const std::filesystem::path state = dir.path() / "state";
        const std::regex elapsed("Elapsed Time [0-9]+ milliseconds");
        const std::regex journal("[0-9]{8}-[0-9]{6}\\.[0-9]{3}-[0-9]+");
        const std::regex trashed("DeletionDate=[0-9T:-]+");
        for (auto entry = std::filesystem::recursive_directory_iterator(dir.path());
             entry != std::filesystem::recursive_directory_iterator(); ++entry) {
            if (entry->path() == state) {
                entry.disable_recursion_pending();
                continue;
            }
            if (entry->is_symlink()) {
                files[entry->path().string()] =
                    "-> " + std::filesystem::read_symlink(*entry).string();
            } else if (entry->is_regular_file()) {
                const std::string bytes = ReadFile(entry->path().string());
                files[entry->path().string()] = std::regex_replace(
                    std::regex_replace(std::regex_replace(bytes, elapsed, "Elapsed Time"), journal,
                                       "journal"),
                    trashed, "DeletionDate=");
            }
        }
        return files;
    }

    int RunOnce(const std::vector<std::string>& arguments, const std::string& input,
                const std::string& prefix, const std::string& extra = "") {
        WriteFile(dir / "stdin", input);
        std::string command = "cd " + Quote(dir.path().string()) + " && " + prefix + " " +
                              Quote(KestoCli()) + " --ini " + Quote(dir / "k.INI") + " --state " +
                              Quote(dir / "state") + " -q " + extra;
        for (const std::string& argument : arguments) command += " " + Quote(argument);
        command += " < stdin > stdout 2> stderr";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

protected:
    // The words that start kesto-cli quietly with a settings file of the folder.
    std::vector<std::string> CliWords(const std::vector<std::string>& arguments,
                                      const std::string& ini = "k.INI") const {
        std::vector<std::string> words = {KestoCli(), "--ini",       dir / ini,
                                          "--state",  dir / "state", "-q"};
        words.insert(words.end(), arguments.begin(), arguments.end());
        return words;
    }

    TempDir dir;
};

}  // namespace kesto::test
