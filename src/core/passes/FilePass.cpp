#include "passes/FilePass.h"

#include <algorithm>

#include <unistd.h>

namespace kesto {

namespace {

std::string_view CannotEncodeReason(TextEncoding encoding) {
    const bool utf32 = encoding == TextEncoding::Utf32Le || encoding == TextEncoding::Utf32Be;
    return utf32 ? "Left as it was: the new text is no UTF-8, so it can't be written as UTF-32!"
                 : "Left as it was: the new text is no UTF-8, so it can't be written as UTF-16!";
}

}  // namespace

void FilePass::DropOutput() {
    m_encoder.reset();
    m_output.reset();
    m_writtenAhead.reset();
}

bool FilePass::OpenAndRead(const std::string& directory, const std::string& fileName) {
    DropOutput();
    m_file.Forget();
    m_aheadTaken = false;
    m_ahead.written = AheadFile::Written();
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
            : m_file.Read(file.input.get(), static_cast<std::size_t>(file.size));
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
    // A byte search and the line-break rule would break a binary file beyond the change,
    // and text that does not decode exactly would not encode back to its bytes.
    const std::optional<std::string_view> reason =
        m_aheadTaken ? m_ahead.notSearched : m_file.Decode(m_context.options.skipBinaryFiles);
    if (reason) {
        Fail(*reason);
        return false;
    }
    return true;
}

bool FilePass::TakeAheadFile() {
    m_aheadTaken = false;
    if (!m_ahead.IsFile(m_context.backups.current().original)) return false;
    std::swap(m_file, m_ahead.content);
    m_aheadTaken = true;
    return true;
}

LineBreakType FilePass::TypeOfText() const {
    return m_aheadTaken ? m_ahead.type : DetectLineBreakType(text());
}

bool FilePass::ReadBytesLeftWithTheWorker() {
    if (!m_aheadTaken || !m_ahead.withoutBytes || !m_file.bytes().empty()) return true;
    const PreparedFile& file = m_context.backups.current();
    // The worker read the descriptor to its end.
    if (::lseek(file.input.get(), 0, SEEK_SET) != 0 ||
        m_file.Read(file.input.get(), static_cast<std::size_t>(file.size)) != ReadResult::Ok) {
        Fail("Failed to read!");
        return false;
    }
    if (const std::optional<std::string_view> reason =
            m_file.Decode(m_context.options.skipBinaryFiles)) {
        Fail(*reason);
        return false;
    }
    return true;
}

std::size_t FilePass::fileSize() const {
    const bool withoutBytes = m_aheadTaken && m_ahead.withoutBytes;
    return withoutBytes ? static_cast<std::size_t>(m_ahead.opened.st_size) : m_file.bytes().size();
}

AheadScan* FilePass::TakenScan() {
    return m_aheadTaken ? &m_ahead.scan : nullptr;
}

bool FilePass::AheadLinesFit(const AheadScan& scan) const {
    const LogStore& log = m_context.log;
    // Each line splits into one line per piece at most, and a header goes before the first.
    std::size_t room = 1 + scan.lines.size();
    if (log.splitsLinesAtBreaks()) {
        const std::string_view bytes = scan.lines.bytes();
        room += static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\r') +
                                         std::count(bytes.begin(), bytes.end(), '\n'));
    }
    return log.HasRoomFor(room);
}

void FilePass::AddAheadLines(const AheadScan& scan) {
    for (std::size_t i = 0; i < scan.lines.size(); ++i) Report(scan.lines[i]);
}

bool FilePass::RewriteWith(std::string_view content, bool madeAhead) {
    AheadFile::Written& written = m_ahead.written;
    // The worker kept `content` itself when it wrote the file: it is taken or copied.
    const bool offered = madeAhead && m_aheadTaken && written.file.valid();
    if (!BeginRewrite(offered ? std::move(written.file) : UniqueFd())) return false;
    if (offered) {
        m_writtenAhead = std::move(written);
        return true;
    }
    output().Write(content);
    return true;
}

bool FilePass::BeginRewrite(UniqueFd written) {
    BackupKeeper& backups = m_context.backups;
    DropOutput();
    if (!backups.BeginRewrite(std::move(written))) return false;
    if (backups.current().outputWritten) return true;
    if (backups.preview()) {
        m_previewContent.clear();
        m_keepsPreviewContent = m_context.sink().WantsNewContent();
        if (m_keepsPreviewContent) m_previewContent.reserve(fileSize() + fileSize() / 8);
        m_output.emplace(m_keepsPreviewContent ? &m_previewContent : nullptr);
    } else {
        m_output.emplace(backups.current().output.get());
        m_newContentHash.reset();
        if (backups.recorder()) m_output->HashWith(&m_newContentHash.emplace());
    }
    m_output->CompareWith(m_file.bytes());
    if (!m_file.byteOrderMark().empty()) m_output->Write(m_file.byteOrderMark());
    if (m_file.decoded()) m_encoder.emplace(*m_output, m_file.encoding());
    return true;
}

void FilePass::Fail(std::string_view reason) {
    DropOutput();
    m_context.backups.RestoreOneFile();
    m_context.sink().On(FileRefused{reason});
}

void FilePass::LeaveAlone(std::string_view reason) {
    DropOutput();
    m_context.backups.RestoreOneFile();
    m_context.sink().On(FileLeftAlone{reason});
}

void FilePass::ShowLineTooLong(std::string_view ending) {
    m_context.prompter.ShowMessage(path() + " contains lines longer than " +
                                       std::to_string(kMaxLineLength) + std::string(ending),
                                   MessageIcon::Stop);
}

bool FilePass::KeepNewFile() {
    // A file a worker wrote holds the whole new content, which differs from the old.
    const std::optional<AheadFile::Written> ahead = std::move(m_writtenAhead);
    const bool encoded = ahead || !m_encoder || m_encoder->Finish();
    const bool complete = ahead || m_output->Flush();
    const bool unchanged = !ahead && m_output->SameAsOriginal();
    m_newFileSize = ahead ? ahead->size : m_output->written();
    DropOutput();
    // The log's line limit, reached in this file, stops the run before the file is whole:
    // its part done is thrown away, as an abort of this one file would.
    if (m_context.control.lineLimitReached()) {
        Fail("Left as it was: the log reached its line limit!");
        return false;
    }
    if (!encoded) {
        Fail(CannotEncodeReason(m_file.encoding()));
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
    if (ahead) {
        if (backups.recorder()) hashes = ahead->hashes;
    } else if (m_newContentHash) {
        hashes = ContentHashes{ContentHash::Of(m_file.bytes()), m_newContentHash->Digest()};
        m_newContentHash.reset();
    }
    if (!backups.KeepRewrittenFile(hashes)) return false;
    const bool kept = backups.preview() && m_keepsPreviewContent;
    m_context.sink().On(FileRewritten{
        backups.current().path, backups.preview() ? m_file.bytes() : std::string_view(),
        kept ? std::optional<std::string_view>(m_previewContent) : std::nullopt, m_file.decoded()});
    return true;
}

void FilePass::ShowProgress(int percent) {
    m_context.progress.ShowFileProgress(m_context.backups.shortDisplayName(), percent);
}

}  // namespace kesto
