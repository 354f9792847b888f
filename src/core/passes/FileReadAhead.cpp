#include "passes/FileReadAhead.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <exception>
#include <utility>

#include "text/BackupName.h"
#include "text/UniqueFd.h"
#include "text/WriteAll.h"

namespace kesto {
namespace {

// As the run opens a file: never through a link, never blocking on a FIFO or taking a
// terminal.
constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool SameFileUnchanged(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           SameTime(a.st_mtim, b.st_mtim) && SameTime(a.st_ctim, b.st_ctim);
}

// The run's thread is the one the run waits for. A worker woken to refill the window
// would otherwise take the core from it at once; as a batch thread it waits for its turn.
void LeaveTheCoreToTheRun() {
    sched_param param{};
    ::pthread_setschedparam(::pthread_self(), SCHED_BATCH, &param);
}

}  // namespace

bool AheadFile::IsFile(const struct stat& run) const {
    return read && SameFileUnchanged(opened, run);
}

FileReadAhead::FileReadAhead(const std::vector<std::string>& paths, int workers, bool checkKind,
                             const ScannerFactory& makeScanner, Window window, NewFiles newFiles)
    : m_paths(paths), m_checkKind(checkKind), m_window(window), m_newFiles(newFiles) {
    for (int i = 0; i < workers; ++i) {
        std::shared_ptr<AheadScanner> scanner(makeScanner ? makeScanner() : nullptr);
        m_workers.emplace_back([this, scanner] { Work(scanner.get()); });
    }
}

FileReadAhead::~FileReadAhead() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_windowMoved.notify_all();
    for (std::thread& worker : m_workers) worker.join();
}

std::size_t FileReadAhead::BytesHeld(const AheadFile& file) {
    // A written file holds its bytes on disk: the window bounds them there too.
    return file.content.bytesHeld() + file.scan.content.size() + file.written.size;
}

std::unique_ptr<AheadFile> FileReadAhead::SpareFile() {
    if (m_spare.empty()) return std::make_unique<AheadFile>();
    std::unique_ptr<AheadFile> file = std::move(m_spare.back());
    m_spare.pop_back();
    return file;
}

void FileReadAhead::Work(AheadScanner* scanner) {
    LeaveTheCoreToTheRun();
    // The bytes of a file without a candidate, or whose new file is written, are not handed
    // on: the next file is read into the same buffer, still in this core's cache, and its
    // new content made in the same string. A fresh page costs far more than reading it.
    FileText own;
    std::string ownContent;
    std::unique_lock lock(m_mutex);
    for (;;) {
        // A full window is taken up again once half of it is free, so that a worker is not
        // woken for every file the run takes.
        if (!m_stopping && m_next < m_paths.size() &&
            (m_next >= m_taken + m_window.files || m_bytes >= m_window.bytes)) {
            m_windowMoved.wait(lock, [this] { return m_stopping || HalfTheWindowIsFree(); });
        }
        if (m_stopping || m_next >= m_paths.size()) return;
        const std::size_t index = m_next++;
        std::unique_ptr<AheadFile> file = SpareFile();
        lock.unlock();
        std::swap(own, file->content);
        std::swap(ownContent, file->scan.content);
        ReadAndScan(index, *file, scanner);
        file->withoutBytes =
            file->scan.state == AheadScan::State::NoCandidate || file->written.file.valid();
        if (file->withoutBytes) {
            std::swap(own, file->content);
            file->content.Forget();
            std::swap(ownContent, file->scan.content);
            file->scan.content.clear();
        }
        lock.lock();
        m_bytes += BytesHeld(*file);
        m_ready.emplace(index, std::move(file));
        if (m_runWaiting && EnoughIsReady()) m_fileReady.notify_one();
    }
}

void FileReadAhead::ReadAndScan(std::size_t index, AheadFile& file, AheadScanner* scanner) const {
    file.read = false;
    file.notSearched.reset();
    file.type = LineBreakType::None;
    file.scan.Clear();
    file.written = AheadFile::Written();
    const std::string& path = m_paths[index];
    file.input = UniqueFd(::open(path.c_str(), kReadFlags));
    const UniqueFd& input = file.input;
    struct stat before {};
    if (!input.valid() || ::fstat(input.get(), &before) != 0 || !S_ISREG(before.st_mode) ||
        before.st_size <= 0 || static_cast<std::uint64_t>(before.st_size) > kMaxFileSize ||
        file.content.Read(input.get(), static_cast<std::size_t>(before.st_size)) !=
            ReadResult::Ok) {
        file.input.Reset();
        return;
    }
    struct stat after {};
    if (::fstat(input.get(), &after) != 0 || !SameFileUnchanged(before, after)) {
        file.input.Reset();
        return;
    }
    file.opened = before;
    file.read = true;
    file.notSearched = file.content.Decode(m_checkKind);
    const std::string_view text = file.content.text();
    file.type = DetectLineBreakType(text);
    if (!scanner || file.notSearched || file.type == LineBreakType::None) return;
    try {
        scanner->ScanAhead(text, file.type, path, file.scan);
        WriteNewFile(path, file);
    } catch (const std::exception&) {
        // Out of memory, say: the run's own scan meets it, and tells it, as on one thread.
        file.scan.Clear();
        file.written = AheadFile::Written();
    }
}

void FileReadAhead::WriteNewFile(const std::string& path, AheadFile& file) const {
    const AheadScan& scan = file.scan;
    // A decoded text is encoded back by the run. New content that is the old one is no
    // change, which the run finds out itself.
    if (!m_newFiles.write || scan.state != AheadScan::State::Scanned ||
        scan.counters.match.possible == 0 || file.content.decoded()) {
        return;
    }
    const std::string_view mark = file.content.byteOrderMark();
    const std::string_view original = file.content.bytes();
    if (original.size() == mark.size() + scan.content.size() &&
        original.substr(mark.size()) == scan.content) {
        return;
    }
    const std::string_view folder = DirectoryOf(path);
    const std::string where = folder.empty() ? std::string(".") : std::string(folder);
    // Where the file system has no unnamed files, the run makes the new file itself. Open
    // for reading too: where the run can't name it, it copies it.
    UniqueFd out(::open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!out.valid() || !WriteAll(out.get(), mark) || !WriteAll(out.get(), scan.content)) return;
    // For the journal, which the worker does not know to be kept: hashing costs little
    // beside the write.
    ContentHasher after;
    after.Update(mark);
    after.Update(scan.content);
    file.written.hashes = ContentHashes{ContentHash::Of(original), after.Digest()};
    file.written.size = mark.size() + scan.content.size();
    file.written.file = std::move(out);
}

bool FileReadAhead::HalfTheWindowIsFree() const {
    return m_next >= m_paths.size() ||
           (m_next + m_window.files / 2 < m_taken + m_window.files && m_bytes < m_window.bytes / 2);
}

bool FileReadAhead::EnoughIsReady() const {
    if (m_ready.count(m_waitFor) == 0) return false;
    // Half a window of files: a worker that waits for room has taken each of them. When
    // the bytes fill the window first, the files at hand have to do.
    if (m_bytes >= m_window.bytes / 2) return true;
    const std::size_t half = std::max<std::size_t>(m_window.files / 2, 1);
    const std::size_t last = std::min(m_waitFor + half - 1, m_paths.size() - 1);
    for (std::size_t index = m_waitFor + 1; index <= last; ++index) {
        if (m_ready.count(index) == 0) return false;
    }
    return true;
}

void FileReadAhead::DropBefore(std::size_t index) {
    while (!m_ready.empty() && m_ready.begin()->first < index) {
        AheadFile& passed = *m_ready.begin()->second;
        m_bytes -= BytesHeld(passed);
        // Nothing of a file the run passed over is kept until the file is used again.
        passed.input.Reset();
        passed.written = AheadFile::Written();
        m_spare.push_back(std::move(m_ready.begin()->second));
        m_ready.erase(m_ready.begin());
    }
}

bool FileReadAhead::Take(std::size_t index, AheadFile& file) {
    std::unique_lock lock(m_mutex);
    m_taken = std::max(m_taken, index);
    // The files the run passed over are not read any more.
    m_next = std::max(m_next, m_taken);
    DropBefore(m_taken);
    if (HalfTheWindowIsFree()) m_windowMoved.notify_all();
    if (index >= m_paths.size() || index < m_taken || m_workers.empty()) return false;
    if (m_ready.count(index) == 0) {
        // Woken for every file, the run would pay a sleep and a wake-up per file whenever
        // the workers are the slower side; it waits for a few files at once instead.
        m_waitFor = index;
        m_runWaiting = true;
        m_fileReady.wait(lock, [this] { return EnoughIsReady(); });
        m_runWaiting = false;
    }
    auto node = m_ready.extract(index);
    std::unique_ptr<AheadFile>& taken = node.mapped();
    m_bytes -= BytesHeld(*taken);
    std::swap(*taken, file);
    const bool read = file.read;
    m_spare.push_back(std::move(taken));
    if (HalfTheWindowIsFree()) m_windowMoved.notify_all();
    return read;
}

}  // namespace kesto
