#include "gui/options/CheckBoxDefaultsPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "gui/app/KeyboardAccess.h"

namespace kesto {

namespace {

constexpr int kCheckBoxDefaultsHelpContext = 3017;

}  // namespace

CCheckBoxDefaultsPage::CCheckBoxDefaultsPage(CKestoDoc& doc, QWidget* parent)
    : COptionsPage(doc, kCheckBoxDefaultsHelpContext, parent) {
    const std::array<const char*, kBoxCount> labels = {"Via &File Dialog",
                                                       "By &Start Directory and Filter",
                                                       "Searc&h Subdirectories",
                                                       "&Match Case",
                                                       "&Confirm each Replace",
                                                       "&Automatically Set Special Char Session",
                                                       "&Prompt to Set Special Char Session",
                                                       "Automatically Set ? and * are &Wild Cards",
                                                       "Prompt to Set ? and * are &Wild Cards"};
    for (int i = 0; i < kBoxCount; ++i) {
        m_boxes[i] = new QCheckBox(QString::fromLatin1(labels[i]), this);
    }
    Pair(ViaFileDialog, ByStartDirectory);
    Pair(AutoSpecial, PromptSpecial);
    Pair(AutoWildCard, PromptWildCard);

    const auto group = [this](const QString& title, std::initializer_list<Box> boxes) {
        auto* frame = new QGroupBox(title, this);
        auto* layout = new QVBoxLayout(frame);
        for (Box which : boxes) layout->addWidget(m_boxes[which]);
        return frame;
    };
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group(QStringLiteral(" File Select Method Defaults: "),
                            {ViaFileDialog, ByStartDirectory, SearchSubdirectories}));
    layout->addWidget(m_boxes[MatchCase]);
    layout->addWidget(m_boxes[ConfirmEach]);
    layout->addWidget(
        group(QStringLiteral(" When Special Char detected in previous Search String "),
              {AutoSpecial, PromptSpecial}));
    layout->addWidget(group(QStringLiteral(" When Wild Card detected in previous Search String "),
                            {AutoWildCard, PromptWildCard}));
    layout->addStretch();
    NameControlsAfterLabels(this);
}

// Checking one box of a pair clears the other.
void CCheckBoxDefaultsPage::Pair(Box first, Box second) {
    connect(m_boxes[first], &QCheckBox::clicked, this, [this, second](bool on) {
        if (on) m_boxes[second]->setChecked(false);
    });
    connect(m_boxes[second], &QCheckBox::clicked, this, [this, first](bool on) {
        if (on) m_boxes[first]->setChecked(false);
    });
}

void CCheckBoxDefaultsPage::OnSetActive() {
    const Settings& s = settings();
    m_boxes[ViaFileDialog]->setChecked(s.selectFiles);
    m_boxes[ByStartDirectory]->setChecked(!s.selectFiles);
    m_boxes[SearchSubdirectories]->setChecked(s.searchSubs);
    m_boxes[MatchCase]->setChecked(s.matchCaseDefault);
    m_boxes[ConfirmEach]->setChecked(s.confirmEachDefault);
    m_boxes[AutoSpecial]->setChecked(s.autoSetSpecialChar);
    m_boxes[PromptSpecial]->setChecked(!s.autoSetSpecialChar);
    m_boxes[AutoWildCard]->setChecked(s.autoSetWildCard);
    m_boxes[PromptWildCard]->setChecked(!s.autoSetWildCard);
}

bool CCheckBoxDefaultsPage::OnKillActive() {
    Settings& s = settings();
    s.selectFiles = m_boxes[ViaFileDialog]->isChecked();
    s.searchSubs = m_boxes[SearchSubdirectories]->isChecked();
    s.matchCaseDefault = m_boxes[MatchCase]->isChecked();
    s.confirmEachDefault = m_boxes[ConfirmEach]->isChecked();
    s.autoSetSpecialChar = m_boxes[AutoSpecial]->isChecked();
    s.autoSetWildCard = m_boxes[AutoWildCard]->isChecked();
    WriteSettings({SettingKey::SelectFiles, SettingKey::SearchSubs, SettingKey::MatchCaseDefault,
                   SettingKey::ConfirmEachDefault, SettingKey::AutoSetSpecialChar,
                   SettingKey::AutoSetWildCard});
    return true;
}

}  // namespace kesto
