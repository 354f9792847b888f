#include "gui/selection/UnknownExtDlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/app/KeyboardAccess.h"
#include "platform/qt/DisplayText.h"
#include "platform/qt/HelpPages.h"

namespace kesto {

namespace {

constexpr int kUnknownExtensionHelpContext = 3008;
constexpr std::size_t kShownBase = 150;
constexpr std::size_t kShownExtension = 32;

}  // namespace

CUnknownExtDlg::CUnknownExtDlg(std::string_view base, std::string_view extension, QWidget* parent)
    : QDialog(parent),
      m_continue(new QPushButton(QStringLiteral("&Continue"), this)),
      m_stop(new QPushButton(QStringLiteral("Stop &Now"), this)),
      m_abort(new QPushButton(QStringLiteral("&Abort"), this)) {
    setWindowTitle(QStringLiteral("Include/Exclude This File Extension from Search"));
    auto* file = new QLineEdit(DisplayText(base.substr(0, kShownBase)), this);
    auto* ext = new QLineEdit(DisplayText(extension.substr(0, kShownExtension)), this);
    file->setReadOnly(true);
    ext->setReadOnly(true);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("File:"), file);
    fields->addRow(QStringLiteral("Has Extension:"), ext);

    const std::array<const char*, 6> labels = {
        "Add Extension to Always &Search List", "Add Extension to Always &Exclude List",
        "Add to SearchThis Session &Only List", "Add to Exclude This Session Only &List",
        "Add All Extensions to &Always Search", "Add All Extensions to &This Session Only"};
    auto* group = new QGroupBox(QStringLiteral("Options "), this);
    auto* groupLayout = new QVBoxLayout(group);
    auto* exclusive = new QButtonGroup(this);
    for (std::size_t i = 0; i < m_options.size(); ++i) {
        if (i == 4) {
            auto* line = new QFrame(group);
            line->setFrameShape(QFrame::HLine);
            groupLayout->addWidget(line);
        }
        m_options[i] = new QRadioButton(QString::fromLatin1(labels[i]), group);
        exclusive->addButton(m_options[i], static_cast<int>(i));
        groupLayout->addWidget(m_options[i]);
    }
    m_options[2]->setChecked(true);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_continue, QDialogButtonBox::AcceptRole);
    buttons->addButton(m_stop, QDialogButtonBox::ActionRole);
    buttons->addButton(m_abort, QDialogButtonBox::ActionRole);
    QPushButton* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
    m_continue->setDefault(true);
    connect(m_continue, &QPushButton::clicked, this, [this, exclusive] {
        m_choice = static_cast<ExtensionChoice>(exclusive->checkedId());
        accept();
    });
    connect(m_stop, &QPushButton::clicked, this, &CUnknownExtDlg::reject);
    connect(m_abort, &QPushButton::clicked, this, [this] {
        m_choice = ExtensionChoice::Abort;
        done(QDialog::Rejected);
    });
    connect(help, &QPushButton::clicked, this,
            [this] { ShowHelpTopic(kUnknownExtensionHelpContext, this); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("File Extension not in Search/Exclude Lists"), this));
    layout->addLayout(fields);
    layout->addWidget(group);
    layout->addWidget(buttons);
    NameControlsAfterLabels(this);
}

// Stop Now, the window's close control and Escape all end the run after this file.
void CUnknownExtDlg::reject() {
    m_choice = ExtensionChoice::StopNow;
    QDialog::reject();
}

}  // namespace kesto
