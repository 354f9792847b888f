#include "gui/run/SetSessionSwitchDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/app/KeyboardAccess.h"

namespace kesto {

CSetSessionSwitchDlg::CSetSessionSwitchDlg(const QString& title, const QString& reason,
                                           const QString& text, const QString& question,
                                           QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    auto* shown = new QLineEdit(text, this);
    shown->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* yes = buttons->addButton(QStringLiteral("&Yes"), QDialogButtonBox::YesRole);
    QPushButton* no = buttons->addButton(QStringLiteral("&No"), QDialogButtonBox::NoRole);
    yes->setDefault(true);
    connect(yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(no, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(reason, this));
    layout->addWidget(shown);
    layout->addWidget(new QLabel(question, this));
    layout->addWidget(buttons);
    shown->setAccessibleName(QStringLiteral("Search String Selected"));
    NameControlsAfterLabels(this);
}

CSetSpecialCharDlg::CSetSpecialCharDlg(const QString& text, QWidget* parent)
    : CSetSessionSwitchDlg(
          QStringLiteral("Set Special Char Session??"),
          QStringLiteral("Search String Selected has Special Characters embedded!"), text,
          QStringLiteral("Set Special Char Session Check Box???"), parent) {
}

CSetWildCardDlg::CSetWildCardDlg(const QString& text, QWidget* parent)
    : CSetSessionSwitchDlg(QStringLiteral("Set Wild Card Session"),
                           QStringLiteral("Search String Selected has Wild Cards embedded!"), text,
                           QStringLiteral("Set Wild Card Session Check Box???"), parent) {
}

}  // namespace kesto
