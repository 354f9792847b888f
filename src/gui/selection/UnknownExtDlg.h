// CUnknownExtDlg: "Include/Exclude This File Extension from Search": asked during a run
// for a file whose extension is in neither extension list. Six choices (the third one
// preselected), Continue, Stop Now and Abort.
#pragma once

#include <QDialog>
#include <array>
#include <string_view>

#include "settings/ExtensionLists.h"

class QRadioButton;
class QPushButton;

namespace kesto {

class CUnknownExtDlg : public QDialog {
    Q_OBJECT
public:
    CUnknownExtDlg(std::string_view base, std::string_view extension, QWidget* parent = nullptr);

    // The choice of Continue, or Stop Now / Abort. Closing the window is Stop Now.
    ExtensionChoice choice() const { return m_choice; }

    QRadioButton* option(int index) const { return m_options.at(static_cast<std::size_t>(index)); }
    QPushButton* continueButton() const { return m_continue; }
    QPushButton* stopButton() const { return m_stop; }
    QPushButton* abortButton() const { return m_abort; }

protected:
    void reject() override;

private:
    std::array<QRadioButton*, 6> m_options{};
    QPushButton* m_continue;
    QPushButton* m_stop;
    QPushButton* m_abort;
    ExtensionChoice m_choice = ExtensionChoice::StopNow;
};

}  // namespace kesto
