#include "gui/log/FindDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/app/KeyboardAccess.h"
#include "platform/qt/DisplayText.h"
#include "platform/qt/HelpPages.h"

namespace kesto {

namespace {

constexpr int kFindHelpContext = 3018;

}  // namespace

CFindDlg::CFindDlg(const std::vector<std::string>& recentFragments, QWidget* parent)
    : QDialog(parent), m_fragment(new QComboBox(this)), m_matchCase(new QCheckBox(this)) {
    setWindowTitle(QStringLiteral("Find String Fragment in Log Window"));
    m_fragment->setEditable(true);
    m_fragment->setInsertPolicy(QComboBox::NoInsert);
    m_fragment->setMinimumContentsLength(40);
    for (const std::string& recent : recentFragments) m_fragment->addItem(DisplayText(recent));
    m_fragment->setCurrentIndex(-1);
    m_fragment->setEditText(QString());
    m_matchCase->setText(QStringLiteral("Match Case"));
    m_matchCase->setChecked(false);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* find = buttons->addButton(QStringLiteral("&Find"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
    find->setDefault(true);
    connect(find, &QPushButton::clicked, this, &CFindDlg::OnFind);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { ShowHelpTopic(kFindHelpContext, this); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fragment);
    layout->addWidget(m_matchCase);
    layout->addWidget(buttons);
    m_fragment->setAccessibleName(QStringLiteral("String Fragment"));
    NameControlsAfterLabels(this);
}

std::string CFindDlg::fragment() const {
    return TypedBytes(m_fragment->currentText());
}

bool CFindDlg::matchCase() const {
    return m_matchCase->isChecked();
}

void CFindDlg::OnFind() {
    if (m_fragment->currentText().isEmpty()) {
        reject();
        return;
    }
    accept();
}

}  // namespace kesto
