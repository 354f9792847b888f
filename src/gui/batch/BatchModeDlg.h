// CBatchModeDlg: "Batch Search & Replace": the dialog that starts a batch run. It reads
// the named batch file into the document's pair list as soon as a path is chosen, opens
// the pair editor, takes the switches and the way files are chosen, and on Begin makes
// the run's request.
//
// Result Accepted: Begin. Rejected: Cancel, or Single Mode (the request carries the
// switches over).
#pragma once

#include <QDialog>
#include <QTimer>
#include <array>
#include <functional>
#include <string>

#include "session/RunRequest.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace kesto {

class CKestoDoc;

class CBatchModeDlg : public QDialog {
    Q_OBJECT
public:
    enum Switch {
        MatchWholeWord,
        MatchCase,
        Confirm,
        Global,
        AllInLine,
        FirstOnly,
        RegularExpression,
        PreserveCase,
        kSwitchCount
    };

    // `selectFiles`: the file dialog (empty disables Select Files); `editPairs`: the pair
    // editor, true when it closed with Done.
    CBatchModeDlg(CKestoDoc& doc, bool showPreviousValues,
                  std::function<bool(QWidget*)> selectFiles,
                  std::function<bool(QWidget*)> editPairs, QWidget* parent = nullptr);

    bool singleModeChosen() const { return m_singleModeChosen; }
    // What Begin or Single Mode hands the session.
    const RunRequest& request() const { return m_request; }
    bool loaded() const { return m_loaded; }
    const std::string& loadedPath() const { return m_loadedPath; }

    // Reads `path` into the pair list unless it is the path already loaded.
    void LoadPath(const std::string& path);
    // The path typed so far is loaded when it names an existing file with a "." in it.
    void LoadTypedPathIfComplete();

    QComboBox* pathBox() const { return m_path; }
    QCheckBox* switchBox(Switch which) const { return m_switches.at(which); }
    QCheckBox* viaFileDialogBox() const { return m_viaFileDialog; }
    QCheckBox* byDirectoryBox() const { return m_byDirectory; }
    QPushButton* beginButton() const { return m_begin; }
    QPushButton* previewButton() const { return m_preview; }
    QPushButton* selectFilesButton() const { return m_selectFiles; }
    QPushButton* newEditButton() const { return m_newEdit; }
    QPushButton* singleModeButton() const { return m_singleMode; }
    QPushButton* browseButton() const { return m_browse; }
    QLabel* fileCountLabel() const { return m_fileCount; }

    // The override dialog behind Override.
    std::function<void(QWidget*)> overrideDoor;
    // How Browse asks for a file; tests answer instead.
    std::function<QString(QWidget*, const QString& folder)> askBatchFile;

private:
    void OnSwitch(Switch clicked);
    void OnFileChoice(bool viaFileDialog);
    void OnSelectFiles();
    void OnBrowse();
    void OnNewEdit();
    // Begin, or Preview with `preview`.
    void OnBegin(bool preview = false);
    void OnSingleMode();
    // The pattern switches are a preference of the dialog: kept for its next opening.
    void RememberPatternSwitches();
    // A request with the switches and the typed batch file's name.
    RunRequest RequestOfSwitches() const;
    void MarkLoaded(const std::string& path);
    int FilesOnList() const;

    CKestoDoc& m_doc;
    std::function<bool(QWidget*)> m_selectFilesDoor;
    std::function<bool(QWidget*)> m_editPairsDoor;
    QComboBox* m_path;
    std::array<QCheckBox*, kSwitchCount> m_switches{};
    QCheckBox* m_viaFileDialog;
    QCheckBox* m_byDirectory;
    QPushButton* m_begin;
    QPushButton* m_preview;
    QPushButton* m_selectFiles;
    QPushButton* m_override;
    QPushButton* m_newEdit;
    QPushButton* m_singleMode;
    QPushButton* m_browse;
    QLabel* m_fileCount;
    QTimer m_typingPause;
    bool m_loaded = false;
    std::string m_loadedPath;
    bool m_singleModeChosen = false;
    RunRequest m_request;
};

}  // namespace kesto
