#include "gui/options/BackUpPage.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/app/KeyboardAccess.h"
#include "platform/qt/DisplayText.h"
#include "settings/SettingChecks.h"

namespace kesto {

namespace {

constexpr int kBackUpsHelpContext = 3014;

}  // namespace

CBackUp::CBackUp(CKestoDoc& doc, QWidget* parent)
    : COptionsPage(doc, kBackUpsHelpContext, parent),
      m_retainNo(new QRadioButton(QStringLiteral("&No"), this)),
      m_retainYes(new QRadioButton(QStringLiteral("&Yes"), this)),
      m_deletePermanently(new QCheckBox(QStringLiteral("Delete Permanently"), this)),
      m_prepend(new QCheckBox(QStringLiteral("&Prepend character to existing extension"), this)),
      m_replace(new QCheckBox(QStringLiteral("&Replace Extension"), this)),
      m_character(new QLineEdit(this)),
      m_extension(new QLineEdit(this)),
      m_keepRuns(new QSpinBox(this)),
      m_skipBackups(
          new QCheckBox(QStringLiteral("&Walks Leave Out the Backups of Earlier Runs"), this)) {
    m_skipBackups->setToolTip(
        QStringLiteral("A file named as the backup of a file beside it (either naming) is not "
                       "taken by By Directory and Filter; a file you pick by name still is"));
    auto* retain = new QGroupBox(QStringLiteral(" Retain &Backup: "), this);
    auto* retainLayout = new QHBoxLayout(retain);
    retainLayout->addWidget(m_retainNo);
    retainLayout->addWidget(m_retainYes);
    retainLayout->addWidget(m_deletePermanently);
    auto* prepend = new QGroupBox(QStringLiteral(" Prepend "), this);
    auto* prependLayout = new QFormLayout(prepend);
    prependLayout->addRow(m_prepend);
    prependLayout->addRow(QStringLiteral("Prepend &Character"), m_character);
    auto* replace = new QGroupBox(QStringLiteral(" Replace "), this);
    auto* replaceLayout = new QFormLayout(replace);
    replaceLayout->addRow(m_replace);
    replaceLayout->addRow(QStringLiteral("Backup &Extension"), m_extension);
    auto* runs = new QGroupBox(QStringLiteral(" Run History "), this);
    auto* runsLayout = new QFormLayout(runs);
    m_keepRuns->setRange(static_cast<int>(kKeepRunsRange.least),
                         static_cast<int>(kKeepRunsRange.most));
    m_keepRuns->setToolTip(
        QStringLiteral("How many of the last runs keep their journal, so that they can be "
                       "undone while their backups are there"));
    m_keepRuns->setSuffix(QStringLiteral(" runs"));
    runsLayout->addRow(QStringLiteral("&Keep the journals of the last"), m_keepRuns);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(retain);
    layout->addWidget(prepend);
    layout->addWidget(replace);
    layout->addWidget(runs);
    layout->addWidget(m_skipBackups);
    layout->addStretch();
    NameControlsAfterLabels(this);

    connect(m_retainNo, &QRadioButton::clicked, this, &CBackUp::UpdateEnabling);
    connect(m_retainYes, &QRadioButton::clicked, this, &CBackUp::UpdateEnabling);
    connect(m_prepend, &QCheckBox::clicked, this, [this](bool on) {
        if (on) m_replace->setChecked(false);
        UpdateEnabling();
    });
    connect(m_replace, &QCheckBox::clicked, this, [this](bool on) {
        if (on) m_prepend->setChecked(false);
        UpdateEnabling();
    });
}

void CBackUp::UpdateEnabling() {
    const bool retain = m_retainYes->isChecked();
    m_prepend->setEnabled(retain);
    m_replace->setEnabled(retain);
    m_deletePermanently->setEnabled(!retain);
    if (retain) m_deletePermanently->setChecked(false);
    m_character->setEnabled(retain && m_prepend->isChecked());
    m_extension->setEnabled(retain && !m_prepend->isChecked());
}

void CBackUp::OnSetActive() {
    const Settings& s = settings();
    m_retainYes->setChecked(s.retainBackUp);
    m_retainNo->setChecked(!s.retainBackUp);
    m_deletePermanently->setChecked(s.deletePermanently);
    m_prepend->setChecked(s.charBackUp);
    m_replace->setChecked(s.extensionBackUp);
    m_character->setText(QString(QChar::fromLatin1(s.backUpChar)));
    m_extension->setText(DisplayText(s.replaceExt));
    m_keepRuns->setValue(s.keepRuns);
    m_skipBackups->setChecked(s.skipBackUpFiles);
    UpdateEnabling();
}

bool CBackUp::OnKillActive() {
    const std::string character = TypedBytes(m_character->text());
    const std::string extension = TypedBytes(m_extension->text());
    const std::optional<std::string> characterProblem = BackupCharacterProblem(character);
    const std::optional<std::string> extensionProblem = ReplaceExtensionProblem(extension);
    if (m_prepend->isChecked()) {
        if (characterProblem) {
            prompter().ShowMessage(*characterProblem, MessageIcon::Information);
            m_character->setFocus();
            return false;
        }
    } else if (m_replace->isChecked()) {
        if (extensionProblem) {
            prompter().ShowMessage(*extensionProblem, MessageIcon::Information);
            m_extension->setFocus();
            return false;
        }
    }
    Settings& s = settings();
    s.retainBackUp = m_retainYes->isChecked();
    s.deletePermanently = m_deletePermanently->isChecked();
    s.charBackUp = m_prepend->isChecked();
    s.extensionBackUp = m_replace->isChecked();
    // The field of the choice not taken is not checked aloud, but what it holds still
    // names backups once that choice is made, so a value it would refuse is not kept.
    if (!characterProblem) s.backUpChar = character.front();
    if (!extensionProblem) s.replaceExt = extension;
    s.keepRuns = m_keepRuns->value();
    s.skipBackUpFiles = m_skipBackups->isChecked();
    doc().session().TakePreferences();
    WriteSettings({SettingKey::RetainBackUp, SettingKey::DeletePermanently, SettingKey::CharBackUp,
                   SettingKey::ExtensionBackUp, SettingKey::BackUpChar, SettingKey::ReplaceExt,
                   SettingKey::KeepRuns, SettingKey::SkipBackUpFiles});
    return true;
}

}  // namespace kesto
