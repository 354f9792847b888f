// FileReadAhead: worker threads that read the files of a run's list ahead of the run, tell
// text from binary and the line-break type, and let the pass's scanner work each one out,
// while the run's own thread opens, checks, writes and logs the files in list order.
//
// A worker opens a file by its listed path and finds its text (a UTF-16 or UTF-32 file
// decoded, a byte-order mark set aside), as the run would; the run takes the worker's
// bytes only when its own opened file is the same one, unchanged (device, inode, size,
// modification and change times), and otherwise reads the file itself. The workers stay
// a bounded number of files and bytes ahead of the run. Nothing a worker does reaches the
// log, the prompter or a named file: what it found waits for the run. A file in which the
// scanner found no candidate comes without its bytes: the run has no use for them.
//
// For a run that writes, a worker also writes the new content it made into an unnamed file
// (O_TMPFILE) in the file's folder, and keeps the file's bytes and the new content in its
// own buffers: buffers used again and again stay in memory the worker already touched. Such a file
// has no name until the run gives it one, after its journal names the file: a run cut off before
// leaves nothing behind, and one the run does not take is gone when it is closed.
#pragma once

#include <sys/stat.h>

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "passes/AheadScanner.h"
#include "replace/BackupKeeper.h"
#include "text/FileText.h"
#include "text/LineBreak.h"
#include "text/UniqueFd.h"

namespace kesto {

// One file as a worker found it.
struct AheadFile {
    bool read = false;      // `content` holds the whole file `opened` describes
    UniqueFd input;         // the file, still open
    struct stat opened {};  // the file when it was read
    FileText content;
    std::optional<std::string_view> notSearched;  // why a run leaves it alone, if it does
    LineBreakType type = LineBreakType::None;
    AheadScan scan;
    // The new content of a scanned file that changes, written by the worker.
    struct Written {
        UniqueFd file;  // unnamed, in the folder the file was listed in
        std::size_t size = 0;
        ContentHashes hashes;  // of the file as read and of the new content
    };
    Written written;
    // `content` stayed with the worker: the file has no candidate, or its new content is
    // written. The run that needs the bytes all the same reads them itself.
    bool withoutBytes = false;

    // Whether the file the run opened, `run`, is the one read here, unchanged since.
    bool IsFile(const struct stat& run) const;
};

class FileReadAhead {
public:
    using ScannerFactory = std::function<std::unique_ptr<AheadScanner>()>;
    // How far the workers may run ahead of the run's own thread.
    struct Window {
        std::size_t files = 16;
        std::size_t bytes = std::size_t{64} << 20;
    };
    // Whether the workers write the new content of the files that change: a run that
    // writes, not a preview.
    struct NewFiles {
        bool write;
    };

    // Starts `workers` threads over `paths` (which must outlive this object). With
    // `checkKind` a worker also tells text from binary. Each worker makes its own scanner
    // with `makeScanner`; without one the files are only read.
    FileReadAhead(const std::vector<std::string>& paths, int workers, bool checkKind,
                  const ScannerFactory& makeScanner, Window window,
                  NewFiles newFiles = NewFiles{false});
    FileReadAhead(const FileReadAhead&) = delete;
    FileReadAhead& operator=(const FileReadAhead&) = delete;
    // Stops the workers; a file they are reading is finished first.
    ~FileReadAhead();

    // The file at `index` of the list, once a worker has read it: swapped into `file`,
    // whose former buffers go to a later file. The files before `index` are let go: the run
    // has passed them. False when no worker read the file (it could not be opened, read
    // or was no regular file): the run then reads it itself.
    bool Take(std::size_t index, AheadFile& file);

private:
    void Work(AheadScanner* scanner);
    void ReadAndScan(std::size_t index, AheadFile& file, AheadScanner* scanner) const;
    void WriteNewFile(const std::string& path, AheadFile& file) const;
    void DropBefore(std::size_t index);
    bool HalfTheWindowIsFree() const;
    bool EnoughIsReady() const;
    std::unique_ptr<AheadFile> SpareFile();
    static std::size_t BytesHeld(const AheadFile& file);

    const std::vector<std::string>& m_paths;
    const bool m_checkKind;
    const Window m_window;
    const NewFiles m_newFiles;
    std::mutex m_mutex;
    std::condition_variable m_fileReady;
    std::condition_variable m_windowMoved;
    std::size_t m_next = 0;     // the next file a worker takes
    std::size_t m_taken = 0;    // the run has come to this file
    std::size_t m_bytes = 0;    // held by files read and not yet taken
    std::size_t m_waitFor = 0;  // the file the run waits for, while it waits
    bool m_runWaiting = false;
    bool m_stopping = false;
    std::map<std::size_t, std::unique_ptr<AheadFile>> m_ready;
    std::vector<std::unique_ptr<AheadFile>> m_spare;
    std::vector<std::thread> m_workers;
};

}  // namespace kesto
