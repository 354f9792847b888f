// A random settings file names the backups of a single-mode run over a small tree: the run
// never creates, changes or removes anything outside the tree's folder, every file of the
// tree ends with its own text or its replaced text, and nothing crashes.
//
// The tree lives two folders down in a parent folder that holds a sentinel file beside each
// of those folders; everything in the parent but the tree is compared after every input.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzHosts.h"
#include "passes/PassContext.h"
#include "passes/SearchReplacePass.h"
#include "pattern/LineMatcher.h"
#include "pattern/PatternSyntax.h"
#include "run/StatusHost.h"
#include "settings/Settings.h"

namespace {

namespace fs = std::filesystem;
using namespace kesto;

class RunHosts : public fuzz::SilentHosts, public StatusHost {
public:
    void SetStatusPanes(std::string_view, std::string_view, std::string_view) override {}
    bool PumpMessages() override { return false; }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
};

// Backups that do not go to a trash: the trash lies outside the parent folder.
class RefusingBin : public RecycleBin {
public:
    bool MoveToRecycleBin(const std::vector<std::string>& paths,
                          std::vector<std::string>& places) override {
        places.assign(paths.size(), "");
        return false;
    }
};

struct TreeFile {
    const char* folder;  // below the run folder
    const char* name;
    const char* text;
    const char* replaced;
};

// A backup name made of a path ("d/../../victim.db") would land on victim.db.
constexpr TreeFile kTree[] = {
    {"", "report.txt", "report: a cat\n", "report: a dog\n"},
    {"report.d", "notes.txt", "notes: cat and cat\n", "notes: dog and dog\n"},
    {"", "victim.db", "victim: one cat\n", "victim: one dog\n"},
};

// Memory is faster to make and remove files in than the disk, and a crash leaves less.
fs::path ScratchBase() {
    std::error_code error;
    if (fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    return fs::temp_directory_path();
}

const fs::path& Parent() {
    static const fs::path parent =
        ScratchBase() / ("kesto-fuzz-settings-run-" + std::to_string(::getpid()));
    return parent;
}

fs::path RunFolder() {
    return Parent() / "level" / "run";
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteAll(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Everything in the parent folder but the run folder: names and kinds, and of each file its
// size, time and bytes. (The times of the folders above the run folder change with it.)
std::string Outside() {
    std::string listing;
    for (auto it = fs::recursive_directory_iterator(Parent()); it != fs::end(it); ++it) {
        if (it->path() == RunFolder()) {
            it.disable_recursion_pending();
            continue;
        }
        struct stat st {};
        ::lstat(it->path().c_str(), &st);
        listing += it->path().string() + " " + std::to_string(st.st_mode);
        if (!S_ISDIR(st.st_mode)) {
            listing += " " + std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) +
                       "." + std::to_string(st.st_mtim.tv_nsec) + "\n" + ReadAll(it->path());
        }
        listing += "\n";
    }
    return listing;
}

fs::path SettingsFile() {
    return Parent().string() + ".INI";
}

void RemoveScratch() {
    std::error_code ignored;
    fs::remove_all(Parent(), ignored);
    fs::remove(SettingsFile(), ignored);
}

const std::string& OutsideAtStart() {
    static const std::string listing = [] {
        RemoveScratch();
        std::atexit(RemoveScratch);
        fs::create_directories(RunFolder());
        WriteAll(Parent() / "sentinel.db", "the parent's sentinel\n");
        WriteAll(Parent() / "level" / "sentinel.db", "the level's sentinel\n");
        WriteAll(Parent() / "level" / "report.BAK", "an old file beside the run folder\n");
        return Outside();
    }();
    return listing;
}

void MakeTree() {
    fs::remove_all(RunFolder());
    fs::create_directories(RunFolder() / "report.d");
    for (const TreeFile& file : kTree) WriteAll(RunFolder() / file.folder / file.name, file.text);
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "SettingsRun: %s\n", what.c_str());
    std::abort();
}

void RunPass(const Settings& settings, RunPlan& options) {
    RunHosts hosts;
    RunDialogValues values;
    values.searchText = "cat";
    values.replaceText = "dog";
    values.matchCase = options.matchCase;
    values.confirmEachReplace = false;
    values.globalReplace = true;
    if (!ValidateBeforeRun(values, options, hosts).check.accepted) Fail("cat/dog refused");
    SessionState state;
    state.sessionRunning = true;

    RunControl control;
    control.StartRun(options.confirmEachReplace, options.globalReplace);
    ProgressReporter progress(state, control, hosts);
    LogStore log(control, hosts);
    BackupKeeper backups(control, log, hosts);
    backups.SetNaming(settings.backupNaming());
    backups.SetFileList();
    PassContext context{options, control, log, progress, hosts, backups};
    LineMatcher matcher(options, control, hosts, hosts);
    SearchReplacePass pass(context, matcher);
    for (const TreeFile& file : kTree) {
        pass.ProcessFile((RunFolder() / file.folder).string(), file.name);
    }
    if (!settings.retainBackUp) {
        RefusingBin bin;
        backups.RemoveBackups(settings.deletePermanently, bin);
    }
    backups.EndRun();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& atStart = OutsideAtStart();
    const std::string iniPath = SettingsFile().string();
    fuzz::WriteScratch(iniPath, data, size);
    Settings settings;
    RunPlan options;
    LoadSettings(IniFile(iniPath), settings, options);

    MakeTree();
    RunPass(settings, options);

    if (Outside() != atStart) {
        Fail("something outside the run folder changed; backup naming: prepend=" +
             std::to_string(settings.charBackUp) + " char=" + std::string(1, settings.backUpChar) +
             " ext=" + settings.replaceExt);
    }
    for (const TreeFile& file : kTree) {
        const std::string text = ReadAll(RunFolder() / file.folder / file.name);
        if (text != file.text && text != file.replaced) {
            Fail(std::string(file.name) + " holds \"" + text + "\"; ext=" + settings.replaceExt);
        }
    }
    return 0;
}
