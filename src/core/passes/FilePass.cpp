#include "passes/FilePass.h"

#include "text/TextKind.h"

namespace kesto {

bool FilePass::OpenAndRead(const std::string& directory, const std::string& fileName) {
    m_output.reset();
    m_buffer.size = 0;
    m_aheadTaken = false;
    BackupKeeper& backups = m_context.backups;
    // The file a worker opened and read is offered to the backup step, which takes it
    // when the folder still names that very file: one look at the entry, no second open.
    FileReadAhead* ahead = m_context.readAhead;
    const bool readAhead = ahead && ahead->Take(m_context.fileIndex, m_ahead);
    if (readAhead) backups.OfferOpenedFile(std::move(m_ahead.input), m_ahead.opened);
    if (!backups.OpenForReading(directory, fileName)) return false;
    if (m_context.control.endsRun()) {
        backups.RestoreOneFile();
        return false;
    }
    ShowProgress(0);

    PreparedFile& file = backups.current();
    const ReadResult read =
        readAhead && TakeAheadFile()
            ? ReadResult::Ok
            : ReadWholeFile(file.input.get(), static_cast<std::size_t>(file.size), m_buffer);
    switch (read) {
    case ReadResult::Ok:
        break;
    case ReadResult::OutOfMemory:
        m_context.prompter.ShowMessage("Failed to allocate memory to read " + path() + "!",
                                       MessageIcon::Stop);
        Fail("Out of Memory, couldn't process!");
        return false;
    case ReadResult::Failed:
        Fail("Failed to read!");
        return false;
    }
    // A byte search and the line-break rule would break such a file beyond the change.
    if (m_context.options.skipBinaryFiles) {
        const std::optional<std::string_view> reason =
            m_aheadTaken ? m_ahead.notSearched : NotSearchedReason(KindOfText(text()));
        if (reason) {
            Fail(*reason);
            return false;
        }
    }
    return true;
}

bool FilePass::TakeAheadFile() {
    m_aheadTaken = false;
    if (!m_ahead.IsFile(m_context.backups.current().original)) return false;
    std::swap(m_buffer, m_ahead.buffer);
    m_aheadTaken = true;
    return true;
}

LineBreakType FilePass::TypeOfText() const {
    return m_aheadTaken ? m_ahead.type : DetectLineBreakType(text());
}

AheadScan* FilePass::TakenScan() {
    return m_aheadTaken ? &m_ahead.scan : nullptr;
}

bool FilePass::AddAheadLines(const AheadScan& scan) {
    LogStore& log = m_context.log;
    // Each line splits into one line per piece at most, and a header goes before the first.
    std::size_t room = 1;
    for (const std::string& line : scan.lines) {
        room += 1;
        if (log.splitsLinesAtBreaks()) {
            for (const char c : line) room += c == '\r' || c == '\n';
        }
    }
    if (!log.HasRoomFor(room)) return false;
    for (const std::string& line : scan.lines) Report(line);
    return true;
}

bool FilePass::BeginRewrite() {
    BackupKeeper& backups = m_context.backups;
    if (!backups.BeginRewrite()) return false;
    if (backups.preview()) {
        m_previewContent.clear();
        m_keepsPreviewContent = m_context.sink().WantsNewContent();
        if (m_keepsPreviewContent) m_previewContent.reserve(text().size() + text().size() / 8);
        m_output.emplace(m_keepsPreviewContent ? &m_previewContent : nullptr);
    } else {
        m_output.emplace(backups.current().output.get());
        m_newContentHash.reset();
        if (backups.recorder()) m_output->HashWith(&m_newContentHash.emplace());
    }
    m_output->CompareWith(text());
    return true;
}

void FilePass::Fail(std::string_view reason) {
    m_output.reset();
    m_context.backups.RestoreOneFile();
    m_context.sink().On(FileRefused{reason});
}

void FilePass::LeaveAlone(std::string_view reason) {
    m_output.reset();
    m_context.backups.RestoreOneFile();
    m_context.sink().On(FileLeftAlone{reason});
}

void FilePass::ShowLineTooLong(std::string_view ending) {
    m_context.prompter.ShowMessage(path() + " contains lines longer than " +
                                       std::to_string(kMaxLineLength) + std::string(ending),
                                   MessageIcon::Stop);
}

bool FilePass::KeepNewFile() {
    const bool complete = m_output->Flush();
    const bool unchanged = m_output->SameAsOriginal();
    m_output.reset();
    // The log's line limit, reached in this file, stops the run before the file is whole:
    // its part done is thrown away, as an abort of this one file would.
    if (m_context.control.lineLimitReached()) {
        Fail("Left as it was: the log reached its line limit!");
        return false;
    }
    if (!complete) {
        Fail("Failed to write!");
        return false;
    }
    // New bytes that are the old ones are no change: no backup, no new file, no journal.
    if (unchanged) {
        m_newContentHash.reset();
        m_context.backups.RestoreOneFile();
        return true;
    }
    // A refusal at the swap reports its own reason.
    BackupKeeper& backups = m_context.backups;
    std::optional<ContentHashes> hashes;
    if (m_newContentHash) {
        hashes = ContentHashes{ContentHash::Of(text()), m_newContentHash->Digest()};
        m_newContentHash.reset();
    }
    if (!backups.KeepRewrittenFile(hashes)) return false;
    const bool kept = backups.preview() && m_keepsPreviewContent;
    m_context.sink().On(
        FileRewritten{backups.current().path, text(),
                      kept ? std::optional<std::string_view>(m_previewContent) : std::nullopt});
    return true;
}

void FilePass::ShowProgress(int percent) {
    m_context.progress.ShowFileProgress(m_context.backups.shortDisplayName(), percent);
}

}  // namespace kesto
