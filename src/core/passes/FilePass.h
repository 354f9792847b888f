// FilePass: what the search/replace, strip/insert and conversion passes share.
//
// A pass prepares its file with the backup step, reads it whole into one buffer, writes
// the new content, and either keeps the new file (listed in changedFiles) or puts the
// original back. Every failure after the backup step restores the original and records
// its reason as a problem entry; the run goes on with the next file.
//
// A pass sees the file's text (FileText): UTF-8 after any byte-order mark, decoded from
// UTF-16 or UTF-32 where the mark names one. It writes the new text to output(); the mark
// goes to the file first, and decoded text is encoded back on its way.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "passes/FileReadAhead.h"
#include "passes/PassContext.h"
#include "text/FileText.h"
#include "text/OutputWriter.h"
#include "text/TextEncoder.h"
#include "text/TextFile.h"

namespace kesto {

class FilePass {
protected:
    explicit FilePass(PassContext& context) : m_context(context) {}

    // Opens and reads the file; false when it was refused, could not be read, or is no text
    // a run may rewrite (then the reason is recorded). The file is not touched.
    [[nodiscard]] bool OpenAndRead(const std::string& directory, const std::string& fileName);

    // Moves the original to its backup and opens the new file for output(); false when
    // that was refused (the file is as it was, the reason recorded). A file a worker wrote
    // the new content into, `written`, is taken as the new file where it can be; output()
    // is then not to be written.
    [[nodiscard]] bool BeginRewrite(UniqueFd written = UniqueFd());
    // Begins the rewrite with its whole new content, `content`. When a worker made it
    // (`madeAhead`) and wrote it into a file already, that file is taken instead.
    [[nodiscard]] bool RewriteWith(std::string_view content, bool madeAhead);

    // Restores the original and reports it refused for `reason`.
    void Fail(std::string_view reason);
    // Restores the original and reports it left alone for `reason` (nothing to change).
    void LeaveAlone(std::string_view reason);
    // A line of the file's report.
    void Report(std::string_view text) { m_context.sink().On(ReportLine{text}); }

    // The message box of a line longer than kMaxLineLength; `ending` closes its text.
    void ShowLineTooLong(std::string_view ending);

    // Completes the new file and swaps it in. When the file could not be completed (a full
    // disk, say) or swapped in, the original stays and the reason is recorded instead.
    [[nodiscard]] bool KeepNewFile();

    // The line-break type of the text read.
    LineBreakType TypeOfText() const;
    // What a worker found in the file, when the file in hand is the one it read; null when
    // the pass reads and scans the file itself.
    AheadScan* TakenScan();
    // Reads the file's bytes where the worker that scanned it kept them (it wrote the new
    // file, or found no candidate), for a pass that goes on to scan the file itself; false,
    // with the file refused, when they can't be read.
    [[nodiscard]] bool ReadBytesLeftWithTheWorker();
    // Whether the report lines a worker made for the changed lines stay below the log's
    // line limit. Where they could reach it the pass scans the file itself, so that the
    // limit falls where it falls on one thread.
    bool AheadLinesFit(const AheadScan& scan) const;
    void AddAheadLines(const AheadScan& scan);

    ByteSink& output() { return m_encoder ? static_cast<ByteSink&>(*m_encoder) : *m_output; }
    std::string_view text() const { return m_file.text(); }
    // The file as it is on disk, and whether text() was decoded from it (UTF-16, UTF-32).
    const FileText& file() const { return m_file; }
    // The sizes of the file on disk: as read, and as the last file kept was written.
    std::size_t fileSize() const;
    std::size_t newFileSize() const { return m_newFileSize; }
    const std::string& path() const { return m_context.log.currentFilePath(); }
    void ShowProgress(int percent);

    PassContext& m_context;

private:
    // Takes the bytes a worker read when it read the file the backup step opened.
    bool TakeAheadFile();

    // Closes the output: the new file's bytes are no longer wanted.
    void DropOutput();

    FileText m_file;
    // The file as a worker read it; its buffers are handed back with the next file.
    AheadFile m_ahead;
    bool m_aheadTaken = false;
    std::optional<OutputWriter> m_output;
    // Between the pass and m_output, when the text was decoded.
    std::optional<TextEncoder> m_encoder;
    // The file a worker wrote the new content into, when the rewrite took it.
    std::optional<AheadFile::Written> m_writtenAhead;
    std::size_t m_newFileSize = 0;
    // The hash of the new content as it is written, when the run keeps a journal.
    std::optional<ContentHasher> m_newContentHash;
    // A preview's new content, when a subscriber wants it.
    std::string m_previewContent;
    bool m_keepsPreviewContent = false;
};

}  // namespace kesto
