#include "gui/batch/BatchModeDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/app/KestoDoc.h"
#include "gui/app/KeyboardAccess.h"
#include "gui/run/PreserveCaseTip.h"
#include "pattern/PatternSyntax.h"
#include "platform/qt/DisplayText.h"
#include "platform/qt/HelpPages.h"

namespace kesto {

namespace {

constexpr int kBatchHelpContext = 3019;
constexpr int kTypingPauseMilliseconds = 600;
const char* const kNoBatchFileMessage =
    "You must specify a Search/Replace Batch File to process!\n\n"
    "Enter the Path and File name in the 'Path and Batch File ... sets' field\n"
    "or use the browse button to find the appropriate file on your system!";

const char* const kRegexTip =
    "Every pair's search string is a regular expression; $1 or ${name} in its replace string "
    "puts in what a group matched";

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

CBatchModeDlg::CBatchModeDlg(CKestoDoc& doc, bool showPreviousValues,
                             std::function<bool(QWidget*)> selectFiles,
                             std::function<bool(QWidget*)> editPairs, QWidget* parent)
    : QDialog(parent),
      m_doc(doc),
      m_selectFilesDoor(std::move(selectFiles)),
      m_editPairsDoor(std::move(editPairs)),
      m_path(new QComboBox(this)),
      m_viaFileDialog(new QCheckBox(QStringLiteral("Vi&a File Dialog"), this)),
      m_byDirectory(new QCheckBox(QStringLiteral("By &Directory and Filter"), this)),
      m_begin(new QPushButton(QStringLiteral("&Begin"), this)),
      m_preview(new QPushButton(QStringLiteral("Prev&iew"), this)),
      m_selectFiles(new QPushButton(QStringLiteral("Select &Files"), this)),
      m_override(new QPushButton(QStringLiteral("O&verride"), this)),
      m_newEdit(new QPushButton(QStringLiteral("&New"), this)),
      m_singleMode(new QPushButton(QStringLiteral("&Single Mode"), this)),
      m_browse(new QPushButton(QStringLiteral("..."), this)),
      m_fileCount(new QLabel(QStringLiteral("0 files on Search File list!"), this)) {
    setWindowTitle(QStringLiteral("Batch Search & Replace"));
    askBatchFile = [](QWidget* owner, const QString& folder) {
        return QFileDialog::getOpenFileName(
            owner, QStringLiteral("Select Batch File"), folder,
            QStringLiteral("Batch S/R Files (*.sr);;All Files (*.*) "));
    };
    const Settings& settings = doc.session().settings;
    const RunPlan& options = doc.options();

    m_path->setEditable(true);
    m_path->setInsertPolicy(QComboBox::NoInsert);
    m_path->setMinimumContentsLength(48);
    for (const std::string& file : settings.batchFiles) m_path->addItem(DisplayText(file));
    m_path->setEditText(QString());
    auto* pathLabel = new QLabel(
        QStringLiteral("&Path and Batch File Name containing Search and Replace string sets"),
        this);
    pathLabel->setBuddy(m_path);

    const std::array<const char*, kSwitchCount> labels = {
        "Match &Whole Word Only", "&Match Case",
        "&Confirm Each Replace",  "&Global Replace",
        "All Instances in &Line", "First Instance Onl&y",
        "Regular E&xpression",    "P&reserve Case"};
    for (int i = 0; i < kSwitchCount; ++i) {
        m_switches[i] = new QCheckBox(QString::fromLatin1(labels[i]), this);
        connect(m_switches[i], &QCheckBox::clicked, this,
                [this, i] { OnSwitch(static_cast<Switch>(i)); });
    }
    const auto group = [this](const QString& title, std::initializer_list<QWidget*> boxes) {
        auto* frame = new QGroupBox(title, this);
        auto* layout = new QVBoxLayout(frame);
        for (QWidget* box : boxes) layout->addWidget(box);
        return frame;
    };
    m_switches[RegularExpression]->setToolTip(QString::fromUtf8(kRegexTip));
    m_switches[PreserveCase]->setToolTip(QString::fromUtf8(kPreserveCaseTip));
    auto* switches = new QGridLayout;
    switches->addWidget(
        group(QStringLiteral(" Search Criteria "),
              {m_switches[MatchWholeWord], m_switches[MatchCase], m_switches[RegularExpression]}),
        0, 0);
    switches->addWidget(group(QStringLiteral(" Replace Criteria "),
                              {m_switches[Confirm], m_switches[Global], m_switches[PreserveCase]}),
                        0, 1);
    switches->addWidget(
        group(QStringLiteral(" Replacements "), {m_switches[AllInLine], m_switches[FirstOnly]}), 1,
        0);
    switches->addWidget(group(QString(), {m_viaFileDialog, m_byDirectory}), 1, 1);

    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    auto* cancel = new QPushButton(QStringLiteral("Canc&el"), this);
    for (QPushButton* button :
         {m_preview, m_selectFiles, m_override, m_newEdit, m_singleMode, m_browse, help, cancel}) {
        button->setAutoDefault(false);
    }
    m_preview->setToolTip(
        QStringLiteral("Run as Begin would, into a log window, changing no file"));
    m_begin->setDefault(true);
    connect(m_override, &QPushButton::clicked, this, [this] {
        if (overrideDoor) overrideDoor(this);
        m_path->setFocus();
    });
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button :
         {m_begin, m_preview, m_selectFiles, m_override, m_newEdit, m_singleMode, help, cancel}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_path, 1);
    pathRow->addWidget(new QLabel(QStringLiteral("Browse"), this));
    pathRow->addWidget(m_browse);
    auto* left = new QVBoxLayout;
    left->addWidget(pathLabel);
    left->addLayout(pathRow);
    left->addLayout(switches);
    left->addWidget(m_fileCount);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    m_browse->setAccessibleName(QStringLiteral("Browse"));
    NameControlsAfterLabels(this);
    // The buttons were made before the boxes, and the path's browse button after them. The
    // path's box stays out of the chain: Qt's setTabOrder mixes up the ring with an editable
    // box whose line edit was made after other widgets.
    ChainTabOrder({m_browse, m_switches[MatchWholeWord], m_switches[MatchCase],
                   m_switches[RegularExpression], m_switches[Confirm], m_switches[Global],
                   m_switches[PreserveCase], m_switches[AllInLine], m_switches[FirstOnly],
                   m_viaFileDialog, m_byDirectory, m_begin, m_preview, m_selectFiles, m_override,
                   m_newEdit, m_singleMode, help, cancel});

    connect(m_viaFileDialog, &QCheckBox::clicked, this, [this] { OnFileChoice(true); });
    connect(m_byDirectory, &QCheckBox::clicked, this, [this] { OnFileChoice(false); });
    connect(m_selectFiles, &QPushButton::clicked, this, &CBatchModeDlg::OnSelectFiles);
    connect(m_browse, &QPushButton::clicked, this, &CBatchModeDlg::OnBrowse);
    connect(m_newEdit, &QPushButton::clicked, this, &CBatchModeDlg::OnNewEdit);
    connect(m_begin, &QPushButton::clicked, this, [this] { OnBegin(false); });
    connect(m_preview, &QPushButton::clicked, this, [this] { OnBegin(true); });
    connect(m_singleMode, &QPushButton::clicked, this, &CBatchModeDlg::OnSingleMode);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { ShowHelpTopic(kBatchHelpContext, this); });
    // A typed path is read when typing pauses, so that errors do not interrupt the typing.
    m_typingPause.setSingleShot(true);
    m_typingPause.setInterval(kTypingPauseMilliseconds);
    connect(&m_typingPause, &QTimer::timeout, this, &CBatchModeDlg::LoadTypedPathIfComplete);
    connect(m_path->lineEdit(), &QLineEdit::textEdited, this, [this] { m_typingPause.start(); });
    connect(m_path, &QComboBox::activated, this, [this](int index) {
        const std::string picked = TypedBytes(m_path->itemText(index));
        m_path->setEditText(m_path->itemText(index));
        m_doc.session().batchFilePath = picked;
        if (!picked.empty()) LoadPath(picked);
    });

    // Opening.
    OnFileChoice(options.selectViaFileDialog);
    if (showPreviousValues) {
        m_switches[FirstOnly]->setChecked(options.firstInstanceOnly);
        m_switches[AllInLine]->setChecked(options.allInstancesInLine);
        m_switches[MatchWholeWord]->setChecked(options.matchWholeWord);
        m_switches[MatchCase]->setChecked(options.matchCase);
        m_switches[Global]->setChecked(options.globalReplace);
        m_switches[Confirm]->setChecked(options.confirmEachReplace);
        m_switches[RegularExpression]->setChecked(options.regularExpression);
        m_switches[PreserveCase]->setChecked(options.preserveCase);
        m_path->setEditText(DisplayText(doc.session().batchFilePath));
        if (doc.session().batchPairs().size() > 0) MarkLoaded(doc.session().batchFilePath);
    } else {
        m_switches[MatchCase]->setChecked(settings.matchCaseDefault);
        if (!doc.session().batchFilePath.empty()) {
            m_path->setEditText(DisplayText(doc.session().batchFilePath));
            LoadPath(doc.session().batchFilePath);
        }
        m_switches[Confirm]->setChecked(settings.confirmEachDefault);
        m_switches[Global]->setChecked(!settings.confirmEachDefault);
        m_switches[RegularExpression]->setChecked(settings.regularExpression);
        m_switches[PreserveCase]->setChecked(settings.preserveCase);
    }
    if (FilesOnList() > 0) {
        m_fileCount->setText(
            QStringLiteral("%1 files on the Search File list!").arg(FilesOnList()));
    }
    m_path->setFocus();
}

int CBatchModeDlg::FilesOnList() const {
    return static_cast<int>(m_doc.session().searchFileList.size());
}

// --- Loading ---

void CBatchModeDlg::MarkLoaded(const std::string& path) {
    m_loaded = true;
    m_loadedPath = path;
    m_newEdit->setText(QStringLiteral("&Edit"));
    NameAfterLabel(m_newEdit, m_newEdit->text());
}

void CBatchModeDlg::LoadPath(const std::string& path) {
    if (path == m_loadedPath) return;
    m_loaded = m_doc.session().batchPairs().ReadBatchFile(path) != 0;
    if (m_loaded) MarkLoaded(path);
}

void CBatchModeDlg::LoadTypedPathIfComplete() {
    m_typingPause.stop();
    const QString typed = m_path->currentText();
    if (!typed.contains(u'.') || !QFileInfo(typed).isFile()) return;
    LoadPath(TypedBytes(typed));
}

// --- Switches and files ---

void CBatchModeDlg::OnSwitch(Switch clicked) {
    const Switch partner = clicked == Confirm     ? Global
                           : clicked == Global    ? Confirm
                           : clicked == AllInLine ? FirstOnly
                           : clicked == FirstOnly ? AllInLine
                                                  : clicked;
    if (partner != clicked) m_switches[partner]->setChecked(false);
}

void CBatchModeDlg::OnFileChoice(bool viaFileDialog) {
    m_viaFileDialog->setChecked(viaFileDialog);
    m_byDirectory->setChecked(!viaFileDialog);
    m_selectFiles->setEnabled(viaFileDialog && static_cast<bool>(m_selectFilesDoor));
    m_begin->setEnabled(!viaFileDialog || FilesOnList() > 0);
    m_preview->setEnabled(m_begin->isEnabled());
}

void CBatchModeDlg::OnSelectFiles() {
    if (m_selectFilesDoor) m_selectFilesDoor(this);
    m_fileCount->setText(QStringLiteral("%1 files on the Search File list!").arg(FilesOnList()));
    if (FilesOnList() >= 1 && m_viaFileDialog->isChecked()) m_begin->setEnabled(true);
    m_preview->setEnabled(m_begin->isEnabled());
}

void CBatchModeDlg::OnBrowse() {
    Settings& settings = m_doc.session().settings;
    const QString picked = askBatchFile(this, DisplayText(settings.lastBatchFilePath));
    if (!picked.isEmpty()) {
        const std::string path = TypedBytes(picked);
        m_path->insertItem(0, picked);
        m_path->setEditText(picked);
        m_doc.session().batchFilePath = path;
        settings.lastBatchFilePath = DirectoryOf(path);
        WriteSetting(m_doc.session().ini, settings, SettingKey::LastBatchFilePath);
    }
    if (!m_doc.session().batchFilePath.empty()) LoadPath(TypedBytes(m_path->currentText()));
}

void CBatchModeDlg::OnNewEdit() {
    std::string& batchFilePath = m_doc.session().batchFilePath;
    batchFilePath = TypedBytes(m_path->currentText());
    const bool wasEmpty = batchFilePath.empty();
    if (!m_editPairsDoor || !m_editPairsDoor(this)) return;
    m_path->setEditText(DisplayText(batchFilePath));
    // A file the editor saved holds the pairs now in the document: it counts as loaded,
    // also when its name was typed before the editor opened.
    const bool saved = !batchFilePath.empty() && QFileInfo(m_path->currentText()).isFile() &&
                       m_doc.session().batchPairs().size() > 0;
    if ((wasEmpty && !batchFilePath.empty()) || saved) MarkLoaded(batchFilePath);
}

// --- Closing ---

RunRequest CBatchModeDlg::RequestOfSwitches() const {
    RunRequest request;
    RunDialogValues& values = request.values;
    values.selectViaFileDialog = m_viaFileDialog->isChecked();
    values.firstInstanceOnly = m_switches[FirstOnly]->isChecked();
    values.allInstancesInLine = m_switches[AllInLine]->isChecked();
    values.matchWholeWord = m_switches[MatchWholeWord]->isChecked();
    values.matchCase = m_switches[MatchCase]->isChecked();
    values.globalReplace = m_switches[Global]->isChecked();
    values.confirmEachReplace = m_switches[Confirm]->isChecked();
    values.regularExpression = m_switches[RegularExpression]->isChecked();
    values.preserveCase = m_switches[PreserveCase]->isChecked();
    request.batchFile = TypedBytes(m_path->currentText());
    return request;
}

void CBatchModeDlg::OnBegin(bool preview) {
    if (m_typingPause.isActive()) LoadTypedPathIfComplete();
    const std::string path = TypedBytes(m_path->currentText());
    if (path.empty() || !m_loaded) {
        m_doc.session().hosts().prompter.ShowMessage(kNoBatchFileMessage, MessageIcon::Stop);
        m_path->setFocus();
        return;
    }
    m_request = RequestOfSwitches();
    m_request.batchFile = path;
    m_request.fromModeDialog = true;
    m_request.preview = preview;
    RememberPatternSwitches();
    Settings& settings = m_doc.session().settings;
    if (!preview) {
        AddToRecentList(m_doc.session().ini, settings.batchFiles, path,
                        std::max(settings.maxSaveStrings, 1), SettingList::BatchFiles);
    }
    accept();
}

void CBatchModeDlg::RememberPatternSwitches() {
    Settings& settings = m_doc.session().settings;
    settings.regularExpression = m_request.values.regularExpression;
    settings.preserveCase = m_request.values.preserveCase;
    WriteSetting(m_doc.session().ini, settings, SettingKey::RegularExpression);
    WriteSetting(m_doc.session().ini, settings, SettingKey::PreserveCase);
}

void CBatchModeDlg::OnSingleMode() {
    m_typingPause.stop();
    m_request = RequestOfSwitches();
    m_singleModeChosen = true;
    reject();
}

}  // namespace kesto
