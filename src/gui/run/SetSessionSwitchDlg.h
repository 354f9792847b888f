// The two questions asked when a remembered search string is picked: CSetSpecialCharDlg
// ("Set Special Char Session??") and CSetWildCardDlg ("Set Wild Card Session"). Each shows
// why it asks, the picked string in a read-only box, the question, Yes and No.
#pragma once

#include <QDialog>

namespace kesto {

class CSetSessionSwitchDlg : public QDialog {
    Q_OBJECT
public:
    CSetSessionSwitchDlg(const QString& title, const QString& reason, const QString& text,
                         const QString& question, QWidget* parent);
};

class CSetSpecialCharDlg : public CSetSessionSwitchDlg {
    Q_OBJECT
public:
    CSetSpecialCharDlg(const QString& text, QWidget* parent = nullptr);
};

class CSetWildCardDlg : public CSetSessionSwitchDlg {
    Q_OBJECT
public:
    CSetWildCardDlg(const QString& text, QWidget* parent = nullptr);
};

}  // namespace kesto
