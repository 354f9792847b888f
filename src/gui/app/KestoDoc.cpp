#include "gui/app/KestoDoc.h"

#include <filesystem>

namespace kesto {

namespace {

constexpr int kRecentFindFragments = 30;

}  // namespace

CKestoDoc::CKestoDoc(std::string settingsPath, SessionHosts hosts, std::string title)
    : m_session(std::make_unique<SessionDocument>(std::move(settingsPath), hosts)),
      m_title(std::move(title)) {
    m_session->events().Subscribe(m_session->previewDiffs());
}

std::string CKestoDoc::title() const {
    const std::string name =
        m_pathName.empty() ? m_title : std::filesystem::path(m_pathName).filename().string();
    const bool preview = m_session->state.runStarted && m_session->previewing();
    return preview ? name + " (Preview)" : name;
}

CKestoDoc::OpenResult CKestoDoc::OnOpenDocument(const std::string& path) {
    LogStore& store = log();
    switch (store.LoadLogFile(path, &m_session->progress())) {
    case LogStore::LoadOutcome::Loaded:
        m_pathName = path;
        return OpenResult::Log;
    case LogStore::LoadOutcome::BatchFile:
        m_session->OpenInBatchMode();
        m_session->batchFilePath = path;
        m_pathName = path;
        return OpenResult::BatchFile;
    case LogStore::LoadOutcome::CannotOpen:
        m_session->hosts().prompter.ShowMessage(
            "Cannot open the file " + path + ".\nIt does not exist or may not be read.",
            MessageIcon::Stop);
        return OpenResult::Failed;
    case LogStore::LoadOutcome::Refused:
        break;
    }
    return OpenResult::Failed;
}

bool CKestoDoc::OnSaveDocument(const std::string& path) {
    m_session->hosts().status.BeginWaitCursor();
    const bool saved = log().SaveLogFile(path);
    m_session->hosts().status.EndWaitCursor();
    if (!saved) {
        m_session->hosts().prompter.ShowMessage(
            "Cannot save the log as " + path + ".\nThe file could not be written.",
            MessageIcon::Stop);
        return false;
    }
    m_pathName = path;
    return true;
}

void CKestoDoc::RememberFindFragment(const std::string& fragment) {
    AddToRecentList(m_session->ini, m_session->settings.findFragments, fragment,
                    kRecentFindFragments, SettingList::FindFragments);
}

}  // namespace kesto
