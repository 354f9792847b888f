// CConfirmReplaceDlg: "String Replace": one match shown in its line, the line as Replace It
// would write it below, and eight ways to decide about it, the rest of the file or the rest
// of the run. The answer goes back to the matcher, which sets the run-control flags from it.
#pragma once

#include <QDialog>
#include <array>

#include "pattern/ReplaceConfirmer.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kesto {

class CConfirmReplaceDlg : public QDialog {
    Q_OBJECT
public:
    enum Button {
        ReplaceIt,
        ReplaceAllThisFile,
        YouEditIt,
        GlobalReplace,
        SkipIt,
        SkipRestOfFile,
        StopNow,
        Abort,
        kButtonCount
    };

    explicit CConfirmReplaceDlg(const ConfirmRequest& request, QWidget* parent = nullptr);

    // The decision, once a closing button was pressed. Escape counts as Skip It.
    const ConfirmAnswer& answer() const { return m_answer; }

    QPushButton* button(Button which) const { return m_buttons.at(which); }
    QPlainTextEdit* lineBox() const { return m_line; }
    // The line after Replace It, the replacement selected; after You Edit It, the edited
    // line with what the edit changed selected.
    QPlainTextEdit* afterBox() const { return m_after; }
    QLineEdit* fileBox() const { return m_file; }
    QLineEdit* lineNumberBox() const { return m_lineNumber; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Decide(ConfirmChoice choice);
    void OnYouEditIt();
    void ShowEditAsAfterLine();

    ConfirmRequest m_request;
    ConfirmAnswer m_answer;
    std::array<QPushButton*, kButtonCount> m_buttons{};
    QLineEdit* m_file;
    QLineEdit* m_lineNumber;
    QPlainTextEdit* m_line;
    QPlainTextEdit* m_after;
    bool m_editing = false;
};

}  // namespace kesto
