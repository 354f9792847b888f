#include "gui/options/PrintingPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/app/KeyboardAccess.h"
#include "platform/qt/DisplayText.h"

namespace kesto {

namespace {

constexpr int kPrintingHelpContext = 3016;

}  // namespace

int CPrinting::MaxLinesFor(int pointSize) {
    switch (pointSize) {
    case 8:
        return 90;
    case 9:
        return 80;
    case 10:
        return 70;
    case 12:
        return 57;
    default:
        return 0;
    }
}

CPrinting::CPrinting(CKestoDoc& doc, QWidget* parent)
    : COptionsPage(doc, kPrintingHelpContext, parent),
      m_size(new QComboBox(this)),
      m_lines(new QLineEdit(this)),
      m_noFinds(new QCheckBox(QStringLiteral("Print Not Found &Lines"), this)) {
    m_size->setEditable(true);
    m_size->setInsertPolicy(QComboBox::NoInsert);
    m_size->addItems(
        {QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("10"), QStringLiteral("12")});
    connect(m_size, &QComboBox::activated, this, [this](int index) {
        m_lines->setText(QString::number(MaxLinesFor(m_size->itemText(index).toInt())));
    });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Font Size (Pt)"), m_size);
    form->addRow(QStringLiteral("&Printed Lines per Page"), m_lines);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_noFinds);
    layout->addStretch();
    NameControlsAfterLabels(this);
}

void CPrinting::OnSetActive() {
    const Settings& s = settings();
    m_lines->setText(QString::number(s.printLinesPerPage));
    m_size->setEditText(QString::number(static_cast<unsigned>(s.printFontPtSize)));
    m_noFinds->setEnabled(s.showNoFinds);
    m_noFinds->setChecked(s.showNoFinds && s.printNoFinds);
}

bool CPrinting::OnKillActive() {
    Settings& s = settings();
    const QString sizeText = m_size->currentText().trimmed();
    s.printLinesPerPage = m_lines->text().trimmed().toInt();
    s.printFontPtSize = sizeText.toInt();
    s.printNoFinds = m_noFinds->isChecked();
    doc().session().TakePreferences();
    const int most = MaxLinesFor(s.printFontPtSize);
    if (most > 0 && s.printLinesPerPage > most) {
        const std::string warning = "Warning! --> Max print lines per page for Font Size of " +
                                    std::to_string(s.printFontPtSize) + " is " +
                                    std::to_string(most) +
                                    "!\nPrinted information will be lost!       ** Continue??? **";
        if (!prompter().AskYesNo(warning)) {
            m_lines->setFocus();
            return false;
        }
    }
    WriteSettings({SettingKey::PrintNoFinds, SettingKey::PrintLinesPerPage});
    WriteSettingText(ini(), SettingKey::PrintFontPtSize, TypedBytes(sizeText));
    return true;
}

}  // namespace kesto
