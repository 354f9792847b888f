// FilePass: what the search/replace, strip/insert and conversion passes share.
//
// A pass prepares its file with the backup step, reads it whole into one buffer, writes
// the new content, and either keeps the new file (listed in changedFiles) or puts the
// original back. Every failure after the backup step restores the original and records
// its reason as a problem entry; the run goes on with the next file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "passes/PassContext.h"
#include "text/OutputWriter.h"
#include "text/TextFile.h"

namespace kesto {

class FilePass {
protected:
    explicit FilePass(PassContext& context) : m_context(context) {}

    // Opens and reads the file; false when it was refused, could not be read, or is no text
    // a run may rewrite (then the reason is recorded). The file is not touched.
    bool OpenAndRead(const std::string& directory, const std::string& fileName);

    // Moves the original to its backup and opens the new file for output(); false when
    // that was refused (the file is as it was, the reason recorded).
    bool BeginRewrite();

    // Restores the original and records `reason`.
    void Fail(std::string_view reason);

    // The message box of a line longer than kMaxLineLength; `ending` closes its text.
    void ShowLineTooLong(std::string_view ending);

    // Completes the new file and swaps it in. When the file could not be completed (a full
    // disk, say) or swapped in, the original stays and the reason is recorded instead.
    bool KeepNewFile();

    OutputWriter& output() { return *m_output; }
    std::string_view text() const { return m_buffer.view(); }
    const std::string& path() const { return m_context.log.currentFilePath(); }
    void ShowProgress(int percent);

    PassContext& m_context;

private:
    TextBuffer m_buffer;
    std::optional<OutputWriter> m_output;
    // The hash of the new content as it is written, when the run keeps a journal.
    std::optional<ContentHasher> m_newContentHash;
    // A preview's new content, when someone looks at it.
    std::string m_previewContent;
};

}  // namespace kesto
