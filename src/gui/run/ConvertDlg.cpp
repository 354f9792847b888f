#include "gui/run/ConvertDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/app/KeyboardAccess.h"
#include "platform/qt/HelpPages.h"

namespace kesto {

namespace {

constexpr int kConvertHelpContext = 3001;

using T = LineBreakType;
// The direction of each box, in the order the boxes are shown.
constexpr std::array<ConversionDirection, 6> kDirections = {{{T::Unix, T::Dos},
                                                             {T::Unix, T::Mac},
                                                             {T::Dos, T::Unix},
                                                             {T::Dos, T::Mac},
                                                             {T::Mac, T::Dos},
                                                             {T::Mac, T::Unix}}};

}  // namespace

CConvertDlg::CConvertDlg(std::optional<ConversionDirection>& choice, QWidget* parent)
    : QDialog(parent), m_choice(choice) {
    setWindowTitle(QStringLiteral("Convert File Line BreakTypes"));
    const std::array<const char*, 6> labels = {"DOS/Windows", "Mac",         "UNIX",
                                               "Mac",         "DOS/Windows", "UNIX"};
    const std::array<const char*, 3> groups = {"From UNIX to:", "From DOS to:", "From Mac to:"};
    auto* grid = new QGridLayout;
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        if (i % 2 == 0) {
            grid->addWidget(new QLabel(QString::fromLatin1(groups[i / 2]), this),
                            static_cast<int>(i / 2), 0);
        }
        m_boxes[i] = new QCheckBox(QString::fromLatin1(labels[i]), this);
        // Three boxes of the six share their words: the row's label tells them apart.
        m_boxes[i]->setAccessibleName(QString::fromLatin1(groups[i / 2]).chopped(1) + u' ' +
                                      m_boxes[i]->text());
        m_boxes[i]->setChecked(choice == kDirections[i]);
        grid->addWidget(m_boxes[i], static_cast<int>(i / 2), static_cast<int>(1 + i % 2));
        connect(m_boxes[i], &QCheckBox::clicked, this, [this, i] { OnTicked(i); });
    }
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    QPushButton* clear = buttons->addButton(QStringLiteral("C&lear"), QDialogButtonBox::ResetRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CConvertDlg::OnOk);
    connect(clear, &QPushButton::clicked, this, [this] {
        for (QCheckBox* box : m_boxes) box->setChecked(false);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this,
            [this] { ShowHelpTopic(kConvertHelpContext, this); });
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    NameControlsAfterLabels(this);
}

void CConvertDlg::OnTicked(std::size_t index) {
    if (!m_boxes[index]->isChecked()) return;
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        if (i != index) m_boxes[i]->setChecked(false);
    }
}

void CConvertDlg::OnOk() {
    m_choice.reset();
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        if (m_boxes[i]->isChecked()) m_choice = kDirections[i];
    }
    accept();
}

}  // namespace kesto
