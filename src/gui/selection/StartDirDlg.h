// CStartDirDlg: "Select Files to Search by Starting Directory and File Filter": the start
// directory (typed or picked with a folder browser), the file filter (typed or one of the
// named filters) and whether subdirectories are searched. Start refuses a directory that
// does not exist, saying so, before any run begins.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "session/SessionHosts.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace kesto {

class CStartDirDlg : public QDialog {
    Q_OBJECT
public:
    // `prompter` tells the user of a start directory that does not exist; without one Start
    // takes whatever was typed.
    CStartDirDlg(const StartDirectoryChoice& initial, QWidget* parent = nullptr,
                 Prompter* prompter = nullptr);

    StartDirectoryChoice choice() const;

    QLineEdit* directoryField() const { return m_directory; }
    QComboBox* filterBox() const { return m_filter; }
    QCheckBox* subdirectoriesBox() const { return m_subdirectories; }
    QPushButton* browseButton() const { return m_browse; }

private:
    void OnBrowse();
    void OnStart();

    QLineEdit* m_directory;
    QComboBox* m_filter;
    QCheckBox* m_subdirectories;
    QPushButton* m_browse;
    Prompter* m_prompter;
};

}  // namespace kesto
