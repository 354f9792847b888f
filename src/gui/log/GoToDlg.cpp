#include "gui/log/GoToDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/app/KeyboardAccess.h"

namespace kesto {

CGoToDlg::CGoToDlg(int currentFrame, int frameCount, QWidget* parent)
    : QDialog(parent), m_number(new QLineEdit(this)), m_frameCount(std::max(frameCount, 1)) {
    setWindowTitle(QStringLiteral("Go to Display Page"));
    m_number->setValidator(new QIntValidator(-99999999, 99999999, m_number));
    m_number->setText(QString::number(currentFrame));
    m_number->selectAll();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Go To Display Page:"), m_number);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    NameControlsAfterLabels(this);
}

int CGoToDlg::frame() const {
    return std::clamp(m_number->text().toInt(), 1, m_frameCount);
}

}  // namespace kesto
