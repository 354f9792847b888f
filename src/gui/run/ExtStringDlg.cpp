#include "gui/run/ExtStringDlg.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "gui/app/KeyboardAccess.h"
#include "platform/qt/DisplayText.h"

namespace kesto {

CExtStringDlg::CExtStringDlg(const QString& label, const QString& text, QWidget* parent)
    : QDialog(parent), m_editor(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("Extended String Entry"));
    m_editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_editor->setPlainText(text);
    m_editor->setTabChangesFocus(false);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(label, this));
    layout->addWidget(m_editor);
    layout->addWidget(buttons);
    NameAfterLabel(m_editor, label);
    NameControlsAfterLabels(this);
    resize(480, 260);
}

std::string CExtStringDlg::text() const {
    return TypedBytes(m_editor->toPlainText());
}

}  // namespace kesto
