#include "passes/FilePass.h"

#include "text/TextKind.h"

namespace kesto {

bool FilePass::OpenAndRead(const std::string& directory, const std::string& fileName) {
    m_output.reset();
    m_buffer.size = 0;
    BackupKeeper& backups = m_context.backups;
    if (!backups.OpenForReading(directory, fileName)) return false;
    if (m_context.control.endsRun()) {
        backups.RestoreOneFile();
        return false;
    }
    ShowProgress(0);

    PreparedFile& file = backups.current();
    switch (ReadWholeFile(file.input.get(), static_cast<std::size_t>(file.size), m_buffer)) {
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
        if (const auto reason = NotSearchedReason(KindOfText(text()))) {
            Fail(*reason);
            return false;
        }
    }
    return true;
}

bool FilePass::BeginRewrite() {
    BackupKeeper& backups = m_context.backups;
    if (!backups.BeginRewrite()) return false;
    if (backups.preview()) {
        m_previewContent.clear();
        if (backups.previewObserver()) m_previewContent.reserve(text().size() + text().size() / 8);
        m_output.emplace(backups.previewObserver() ? &m_previewContent : nullptr);
    } else {
        m_output.emplace(backups.current().output.get());
        m_newContentHash.reset();
        if (backups.recorder()) m_output->HashWith(&m_newContentHash.emplace());
    }
    return true;
}

void FilePass::Fail(std::string_view reason) {
    m_output.reset();
    m_context.backups.RestoreOneFile();
    m_context.log.RecordProblemFile(reason);
}

void FilePass::ShowLineTooLong(std::string_view ending) {
    m_context.prompter.ShowMessage(path() + " contains lines longer than " +
                                       std::to_string(kMaxLineLength) + std::string(ending),
                                   MessageIcon::Stop);
}

bool FilePass::KeepNewFile() {
    const bool complete = m_output->Flush();
    m_output.reset();
    if (!complete) {
        Fail("Failed to write!");
        return false;
    }
    // A refusal at the swap records its own reason.
    BackupKeeper& backups = m_context.backups;
    if (m_newContentHash) {
        backups.current().before = ContentHash::Of(text());
        backups.current().after = m_newContentHash->Digest();
        m_newContentHash.reset();
    }
    if (!backups.KeepRewrittenFile()) return false;
    if (RewriteObserver* observer = backups.previewObserver()) {
        observer->WouldRewrite(backups.current().path, text(), m_previewContent);
    }
    return true;
}

void FilePass::ShowProgress(int percent) {
    m_context.progress.ShowFileProgress(m_context.backups.shortDisplayName(), percent);
}

}  // namespace kesto
