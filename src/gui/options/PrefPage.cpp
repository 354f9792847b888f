#include "gui/options/PrefPage.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/app/KeyboardAccess.h"
#include "settings/SettingChecks.h"

namespace kesto {

namespace {

constexpr int kPreferencesHelpContext = 3004;

// The number typed, read as unsigned: anything that is not a plain decimal number, a
// minus sign included, is out of every range.
long long TypedNumber(const QLineEdit* field) {
    bool ok = false;
    const qulonglong value = field->text().trimmed().toULongLong(&ok);
    return ok && value < 1'000'000'000ULL ? static_cast<long long>(value) : -1;
}

}  // namespace

CPrefPage::CPrefPage(CKestoDoc& doc, QWidget* parent)
    : COptionsPage(doc, kPreferencesHelpContext, parent),
      m_tabs(new QLineEdit(this)),
      m_remember(new QLineEdit(this)),
      m_border(new QLineEdit(this)),
      m_showNoFinds(new QCheckBox(
          QStringLiteral("Display File Names in &Log Window where Search String NOT found"), this)),
      m_suppress(new QCheckBox(
          QStringLiteral("&Suppress notification of wild cards in Replace String"), this)),
      m_startSingle(new QCheckBox(QStringLiteral("Start in Single &Mode Search/Replace"), this)),
      m_skipBinary(new QCheckBox(QStringLiteral("Leave &Binary Files Alone"), this)),
      m_respectIgnore(new QCheckBox(
          QStringLiteral("&Walks Leave Out what .gitignore and .ignore Files Exclude"), this)),
      m_unicodeCase(new QCheckBox(
          QStringLiteral("&Unicode Case: Fold and Shape Every Letter of UTF-8 Text"), this)) {
    m_skipBinary->setToolTip(
        QStringLiteral("A file with a NUL byte near its start, or mostly control bytes, is "
                       "listed as a problem and never changed"));
    m_respectIgnore->setToolTip(
        QStringLiteral("With By Directory and Filter: files and folders that .gitignore, .ignore "
                       "and .git/info/exclude exclude are not taken (git's rules)"));
    m_unicodeCase->setToolTip(
        QStringLiteral("In files that are valid UTF-8: without Match Case \u00E4 finds "
                       "\u00C4 and \u03C3 finds \u03A3, Preserve Case shapes every letter, and "
                       "a regular expression's \\w and \\b take every letter and digit. Other "
                       "files fold A-Z only"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Number Spaces to Expand &Tabs:"), m_tabs);
    form->addRow(QStringLiteral("Number of Search/Replace Strings to &Remember:"), m_remember);
    form->addRow(QStringLiteral("&Display FrameThickness (pixels  1-20):"), m_border);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_showNoFinds);
    layout->addWidget(m_suppress);
    layout->addWidget(m_startSingle);
    layout->addWidget(m_skipBinary);
    layout->addWidget(m_respectIgnore);
    layout->addWidget(m_unicodeCase);
    layout->addStretch();
    NameControlsAfterLabels(this);
}

void CPrefPage::OnSetActive() {
    const Settings& s = settings();
    m_tabs->setText(QString::number(s.expandTab));
    m_remember->setText(QString::number(s.maxSaveStrings));
    m_border->setText(QString::number(s.border));
    m_showNoFinds->setChecked(s.showNoFinds);
    m_suppress->setChecked(s.suppressWildCardNotification);
    m_startSingle->setChecked(s.startModeSingle);
    m_skipBinary->setChecked(s.skipBinaryFiles);
    m_respectIgnore->setChecked(s.respectIgnoreFiles);
    m_unicodeCase->setChecked(s.unicodeCase);
}

bool CPrefPage::OnKillActive() {
    const long long tabs = TypedNumber(m_tabs);
    if (!kExpandTabRange.Holds(tabs)) {
        prompter().ShowMessage("Tab spaces must be 1 thru 24!", MessageIcon::Stop);
        m_tabs->setFocus();
        return false;
    }
    const long long border = TypedNumber(m_border);
    if (!kBorderRange.Holds(border)) {
        prompter().ShowMessage("Frame thickness must be 1 thru 20!", MessageIcon::Stop);
        m_border->setText(QString::number(
            border >= 0 && border <= kBorderRange.most ? kBorderRange.least : kBorderRange.most));
        m_border->setFocus();
        return false;
    }
    const long long remember = TypedNumber(m_remember);
    if (!kMaxSaveStringsRange.Holds(remember)) {
        prompter().ShowMessage("Search/Replace Strings to remember must be 0 thru 100!",
                               MessageIcon::Information);
        m_remember->setFocus();
        return false;
    }

    Settings& s = settings();
    const int previousRemember = s.maxSaveStrings;
    s.expandTab = static_cast<int>(tabs);
    s.maxSaveStrings = static_cast<int>(remember);
    s.border = static_cast<int>(border);
    s.showNoFinds = m_showNoFinds->isChecked();
    s.suppressWildCardNotification = m_suppress->isChecked();
    s.startModeSingle = m_startSingle->isChecked();
    s.skipBinaryFiles = m_skipBinary->isChecked();
    s.respectIgnoreFiles = m_respectIgnore->isChecked();
    s.unicodeCase = m_unicodeCase->isChecked();
    if (!s.showNoFinds) s.printNoFinds = false;
    doc().session().TakePreferences();

    WriteSettings({SettingKey::ExpandTab, SettingKey::MaxSaveStrings, SettingKey::Border,
                   SettingKey::ShowNoFinds, SettingKey::SuppressWildCardNotification,
                   SettingKey::StartModeSingle, SettingKey::SkipBinaryFiles,
                   SettingKey::RespectIgnoreFiles, SettingKey::UnicodeCase});

    if (s.maxSaveStrings < previousRemember) {
        DeleteListKeysAbove(ini(), SettingList::SearchStrings, s.maxSaveStrings);
        DeleteListKeysAbove(ini(), SettingList::ReplaceStrings, s.maxSaveStrings);
        const auto keep = static_cast<std::size_t>(s.maxSaveStrings);
        if (s.searchStrings.size() > keep) s.searchStrings.resize(keep);
        if (s.replaceStrings.size() > keep) s.replaceStrings.resize(keep);
    }
    return true;
}

}  // namespace kesto
