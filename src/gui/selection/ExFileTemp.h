// CExFileTemp: "Select Files for Search/Replace": a file browser with the Search File List
// panel below it. Files are added from the browser to the list (and to the session's file
// list) until the dialog is closed; what was added stays added whichever way it closes.
#pragma once

#include <QDialog>
#include <QStringList>
#include <string>
#include <vector>

class QFileDialog;
class QLabel;
class QListWidget;
class QPushButton;

namespace kesto {

class CExFileTemp : public QDialog {
    Q_OBJECT
public:
    // `fileList` is the session's searchFileList, changed in place. `filterIndex` is
    // 1-based; `folder` the folder shown first.
    CExFileTemp(std::vector<std::string>& fileList, const QStringList& fileTypes, int filterIndex,
                const QString& folder, QWidget* parent = nullptr);

    // The last folder files were added from (empty when none was added), and the chosen
    // file type (1-based).
    const QString& lastFolder() const { return m_lastFolder; }
    int filterIndex() const;

    // Adds the files selected in the browser / every file it lists.
    void AddSelected();
    void AddAllFiles();
    // Adds these full paths, each once.
    void AddPaths(const QStringList& paths);

    QFileDialog* browser() const { return m_browser; }
    QListWidget* searchFileList() const { return m_list; }
    QPushButton* removeButton() const { return m_remove; }
    QPushButton* clearButton() const { return m_clear; }
    QPushButton* allButton() const { return m_all; }
    QPushButton* invertButton() const { return m_invert; }
    QLabel* filesAdded() const { return m_count; }

private:
    void OnRemove();
    void UpdateEnabling();

    std::vector<std::string>& m_fileList;
    QStringList m_fileTypes;
    QFileDialog* m_browser;
    QListWidget* m_list;
    QPushButton* m_remove;
    QPushButton* m_clear;
    QPushButton* m_all;
    QPushButton* m_invert;
    QLabel* m_count;
    QString m_lastFolder;
};

}  // namespace kesto
