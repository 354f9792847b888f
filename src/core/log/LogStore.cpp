#include "log/LogStore.h"

#include "log/ChangedLineText.h"
#include "log/LoggedPath.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "text/AsciiCase.h"
#include "text/LineDisplay.h"
#include "text/PrefaultPages.h"

namespace kesto {
namespace {

constexpr std::string_view kLimitNotice = "**** Application line limit reached! ****";
constexpr std::string_view kMemoryLimitMessage = "Memory Limit Reached!";
constexpr std::size_t kLoadPieceSize = 8'388'608;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The decimal number that starts at the sixth character of a numbered text line.
int LineNumberOf(std::string_view numberedLine) {
    int number = 0;
    for (std::size_t i = 5; i < numberedLine.size(); ++i) {
        const char c = numberedLine[i];
        if (c < '0' || c > '9') break;
        number = number * 10 + (c - '0');
    }
    return number;
}

bool EndsWithSrExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string extension = path.substr(dot);
    for (char& c : extension) c = ToLowerAscii(c);
    return extension == ".sr";
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

LogStore::LogStore(RunControl& control, Prompter& prompter)
    : m_control(control), m_prompter(prompter) {
}

void LogStore::On(const FileBegun& event) {
    BeginFile(std::string(event.path));
}

void LogStore::On(const FileRefused& event) {
    RecordProblemFile(event.reason);
}

void LogStore::On(const FileLeftAlone& event) {
    RecordProblemFile(event.reason);
}

void LogStore::On(const LineChanged& event) {
    ForEachChangedLineText(event.tabSpaces, event.lineNumber, event.before, event.after,
                           m_changedLineText, [this](std::string_view text) { AddLogLine(text); });
}

void LogStore::On(const ReportLine& event) {
    AddLogLine(event.text);
}

void LogStore::On(const RunStopped& event) {
    AddPlainLogLine(" ");
    AddPlainLogLine(event.line);
}

void LogStore::BeginFile(std::string path) {
    m_currentFilePath = std::move(path);
    m_fileHeaderPending = true;
}

std::string_view LogStore::line(int index) const {
    const auto i = static_cast<std::size_t>(index);
    const std::uint64_t start = StartAt(i);
    const std::string& block = m_blocks[start >> 32];
    const std::size_t begin = start & 0xFFFFFFFFu;
    const bool lastOfBlock = i + 1 == m_lineCount || (StartAt(i + 1) >> 32) != (start >> 32);
    const std::size_t end = lastOfBlock ? block.size() : StartAt(i + 1) & 0xFFFFFFFFu;
    return std::string_view(block).substr(begin, end - begin);
}

void LogStore::PushStart(std::uint64_t start) {
    if (m_lineCount == m_startPieces.size() * kStartsPerPiece) {
        m_startPieces.push_back(std::make_unique_for_overwrite<std::uint64_t[]>(kStartsPerPiece));
    }
    m_startPieces.back()[m_lineCount & (kStartsPerPiece - 1)] = start;
    ++m_lineCount;
}

bool LogStore::AppendLine(std::string_view text, std::size_t lengthForExtent) {
    const std::size_t blocks = m_blocks.size();
    try {
        if (m_blocks.empty() || m_blocks.back().size() + text.size() > m_blocks.back().capacity()) {
            std::string block;
            block.reserve(std::max(kBlockSize, text.size()));
            // A block is filled whole before the next is made.
            PrefaultPages(block.data(), block.capacity());
            m_blocks.push_back(std::move(block));
        }
        std::string& block = m_blocks.back();
        PushStart(StartOf(m_blocks.size() - 1, block.size()));
        block.append(text);  // within its capacity: cannot throw
    } catch (const std::bad_alloc&) {
        // A block made for the line that found no room for its start holds no line.
        if (m_blocks.size() > blocks) m_blocks.pop_back();
        return false;
    }
    const auto length = static_cast<int>(std::min<std::size_t>(lengthForExtent, 1 << 30));
    if (length > m_longestLogLine &&
        static_cast<long long>(length) * m_charWidth < kMaxExtentPixels) {
        m_longestLogLine = length;
    }
    return true;
}

void LogStore::AddLogLine(std::string_view text) {
    if (m_fileHeaderPending) {
        m_fileHeaderPending = false;
        const std::string header = "     File --- " + LoggedPath(m_currentFilePath);
        if (!AppendLine(header, header.size() - 14)) {
            m_control.RequestStop();
            m_prompter.ShowMessage(kMemoryLimitMessage, MessageIcon::Information);
            return;
        }
    }
    if (logLineCount() >= kLineLimit) {
        if (m_lineLimitNoticePending) {
            m_lineLimitNoticePending = false;
            m_control.RequestStopAtLineLimit();
            AppendLine(kLimitNotice, kLimitNotice.size());
        }
        return;
    }
    if (m_splitLinesAtBreaks) {
        AppendSplit(text);
    } else {
        AppendLine(text, text.size());
    }
}

void LogStore::AppendSplit(std::string_view text) {
    int lineNumber = 0;
    bool first = true;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", begin);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view piece = text.substr(begin, end - begin);
        if (!piece.empty()) {
            if (first) {
                AppendLine(piece, piece.size());
                lineNumber = LineNumberOf(piece);
                first = false;
            } else {
                const std::string numbered =
                    "     " + FormatLineNumber(++lineNumber) + " " + std::string(piece);
                AppendLine(numbered, numbered.size());
            }
        }
        begin = end + 1;
    }
}

void LogStore::AddPlainLogLine(std::string_view text) {
    AppendLine(text, text.size());
}

void LogStore::RecordProblemFile(std::string_view reason) {
    m_problemFiles.Add(LoggedPath(m_currentFilePath), reason);
}

std::vector<std::string> LogStore::problemFiles() const {
    std::vector<std::string> entries;
    entries.reserve(m_problemFiles.size());
    for (std::size_t i = 0; i < m_problemFiles.size(); ++i) {
        entries.push_back(m_problemFiles.Entry(i));
    }
    return entries;
}

void LogStore::ClearLog() {
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_startPieces.clear();
    m_startPieces.shrink_to_fit();
    m_lineCount = 0;
    m_longestLogLine = 0;
}

int LogStore::FrameCountFor(int lineCount) {
    if (lineCount <= kDisplayFrameSize) return 1;
    return (lineCount + kDisplayFrameSize - 1) / kDisplayFrameSize;
}

int LogStore::FrameEndLine(int frame) const {
    return std::min(frame * kDisplayFrameSize, logLineCount());
}

bool LogStore::SaveLogFile(const std::string& path) const {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    bool ok = true;
    for (int i = 0; ok && i < logLineCount(); ++i) {
        const std::string_view text = line(i);
        ok = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size() &&
             std::fwrite("\r\n", 1, 2, file.get()) == 2;
    }
    return std::fclose(file.release()) == 0 && ok;
}

void LogStore::ReportLoadRefusal(const std::string& message) {
    m_prompter.ShowMessage(message, MessageIcon::Stop);
    m_logFramePending = false;
    ClearLog();
}

LogStore::LoadOutcome LogStore::LoadLogFile(const std::string& path, ProgressReporter* progress) {
    if (EndsWithSrExtension(path)) return LoadOutcome::BatchFile;
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return LoadOutcome::CannotOpen;
    std::fseek(file.get(), 0, SEEK_END);
    const long fileSize = std::ftell(file.get());
    std::fseek(file.get(), 0, SEEK_SET);

    m_logFramePending = true;
    const std::string name = FileNameOf(path);
    if (progress) progress->ShowReadProgress(name, 0);

    const std::size_t size = fileSize > 0 ? static_cast<std::size_t>(fileSize) : 1;
    std::vector<char> piece(std::min(size, kLoadPieceSize) + 2);
    std::string carry;  // a line cut by the end of a piece
    char separator = 0;
    bool dropCarriageReturn = false;
    bool firstLine = true;
    std::size_t consumed = 0;

    // Takes one complete line; false refuses the file.
    const auto takeLine = [&](std::string_view text) {
        if (dropCarriageReturn && !text.empty() && text.back() == '\r') text.remove_suffix(1);
        if (text.size() > kMaxLineLength) {
            ReportLoadRefusal(
                "File " + path +
                (firstLine ? ":\n contains lines longer than " : ":\ncontains lines longer than ") +
                std::to_string(kMaxLineLength) + " characters\nwhich is this application's max!\n");
            return false;
        }
        firstLine = false;
        if (text.empty()) return true;
        AppendLine(text, text.size());
        if (progress && logLineCount() % 300 == 0) {
            progress->ShowReadProgress(
                name, fileSize > 0 ? static_cast<int>(consumed * 100 / size) : 100);
        }
        return true;
    };

    for (;;) {
        const std::size_t got = std::fread(piece.data(), 1, piece.size() - 2, file.get());
        if (got == 0) break;
        const std::string_view data(piece.data(), got);
        if (separator == 0) {
            const std::size_t lineFeed = data.find('\n');
            if (lineFeed != std::string_view::npos) {
                separator = '\n';
                dropCarriageReturn = lineFeed > 0 && data[lineFeed - 1] == '\r';
            } else if (data.find('\r') != std::string_view::npos) {
                separator = '\r';
            } else {
                ReportLoadRefusal("File " + path + ":\nis NOT a text file!\n");
                return LoadOutcome::Refused;
            }
        }
        std::size_t begin = 0;
        for (;;) {
            const void* hit = std::memchr(data.data() + begin, separator, got - begin);
            if (!hit) break;
            const auto end = static_cast<std::size_t>(static_cast<const char*>(hit) - data.data());
            consumed += end + 1 - begin;
            bool taken;
            if (carry.empty()) {
                taken = takeLine(data.substr(begin, end - begin));
            } else {
                carry.append(data.substr(begin, end - begin));
                taken = takeLine(carry);
                carry.clear();
            }
            if (!taken) return LoadOutcome::Refused;
            begin = end + 1;
            if (logLineCount() >= kLineLimit) break;
        }
        if (logLineCount() >= kLineLimit) break;
        carry.append(data.substr(begin));
        consumed += got - begin;
    }
    if (!carry.empty() && logLineCount() < kLineLimit && !takeLine(carry)) {
        return LoadOutcome::Refused;
    }
    if (separator == 0) {  // an empty file holds no line break either
        ReportLoadRefusal("File " + path + ":\nis NOT a text file!\n");
        return LoadOutcome::Refused;
    }
    if (progress) progress->ShowReady();
    return LoadOutcome::Loaded;
}

}  // namespace kesto
