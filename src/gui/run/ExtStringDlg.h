// CExtStringDlg: "Extended String Entry": a search or replace string typed over several
// lines, with tabs, in a fixed-pitch box.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;

namespace kesto {

class CExtStringDlg : public QDialog {
    Q_OBJECT
public:
    CExtStringDlg(const QString& label, const QString& text, QWidget* parent = nullptr);

    // The typed text as bytes, line breaks as line feeds.
    std::string text() const;
    QPlainTextEdit* editor() const { return m_editor; }

private:
    QPlainTextEdit* m_editor;
};

}  // namespace kesto
