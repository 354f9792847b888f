#include "passes/DiffPass.h"

#include <sys/stat.h>

#include <filesystem>

#include "text/BackupName.h"

namespace kesto {
namespace {

// The line without the line break that ends it.
std::string_view WithoutLineBreak(std::string_view text) {
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    return text;
}

// Whether a folder on the way from `folder` to `name` in it, or the file itself, is a
// symbolic link.
bool GoesThroughLink(const std::string& folder, const std::string& name) {
    std::filesystem::path at(folder);
    for (const auto& part : std::filesystem::path(name)) {
        if (part.empty() || part == ".") continue;
        at /= part;
        struct stat entry {};
        if (::lstat(at.c_str(), &entry) != 0) return false;
        if (S_ISLNK(entry.st_mode)) return true;
    }
    return false;
}

}  // namespace

void DiffPass::Refuse(const std::string& path, std::string_view reason) {
    m_context.sink().On(FileBegun{path});
    m_context.sink().On(FileRefused{reason});
}

bool DiffPass::ApplyToFile(const FilePatch& patch) {
    const std::string whole = patch.path();
    if (!patch.refusal.empty()) {
        Refuse(whole, patch.refusal);
        return false;
    }
    if (GoesThroughLink(patch.folder, patch.name)) {
        Refuse(whole, "Reached through a link - not applied!");
        return false;
    }
    const std::string directory(DirectoryOf(whole));
    const std::string fileName(FileNameOf(whole));
    if (!OpenAndRead(directory, fileName)) return false;
    // A link put in its place since it was looked at leads the backup step elsewhere.
    if (m_context.backups.current().path != JoinPath(directory, fileName)) {
        Fail("Reached through a link - not applied!");
        return false;
    }
    // A diff names UTF-8 text by its bytes, a byte-order mark included; UTF-16 and UTF-32
    // text by the text decoded from it.
    const std::string_view mark = file().decoded() ? std::string_view() : file().byteOrderMark();
    const std::optional<std::string> after =
        patch.Apply(file().decoded() ? text() : file().bytes());
    if (!after) {
        Fail("Changed since the diff was made!");
        return false;
    }
    // The mark is written ahead of the text: the diff must leave it where it is.
    if (std::string_view(*after).substr(0, mark.size()) != mark) {
        Fail("Takes the byte-order mark away - not applied!");
        return false;
    }
    if (!BeginRewrite()) return false;
    const std::size_t changes = ReportChanges(patch);
    output().Write(std::string_view(*after).substr(mark.size()));
    if (m_context.control.abortRequested()) {
        m_context.backups.RestoreOneFile();
        return false;
    }
    if (!KeepNewFile()) return false;
    Report(std::to_string(changes) + (changes == 1 ? " change" : " changes") + " applied in " +
           std::to_string(patch.hunks.size()) + (patch.hunks.size() == 1 ? " hunk!" : " hunks!"));
    Report(" ");
    return true;
}

std::size_t DiffPass::ReportChanges(const FilePatch& patch) {
    const std::vector<PatchChange> changes = patch.Changes(true);
    const std::optional<int> tabSpaces = ReportedTabSpaces(m_context.options);
    for (const PatchChange& change : changes) {
        m_context.sink().On(LineChanged{static_cast<int>(change.lineNumber),
                                        WithoutLineBreak(change.before),
                                        WithoutLineBreak(change.after), tabSpaces});
    }
    return changes.size();
}

}  // namespace kesto
