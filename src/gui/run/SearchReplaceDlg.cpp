#include "gui/run/SearchReplaceDlg.h"

#include <QApplication>
#include <QByteArray>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/app/KestoDoc.h"
#include "gui/app/KeyboardAccess.h"
#include "gui/run/ConvertDlg.h"
#include "gui/run/ExtStringDlg.h"
#include "gui/run/SetSessionSwitchDlg.h"
#include "platform/qt/DisplayText.h"
#include "platform/qt/HelpPages.h"

namespace kesto {

namespace {

using Form = SearchReplaceForm;
constexpr int kSearchReplaceHelpContext = 3001;

QString Text(const std::string& bytes) {
    return DisplayText(bytes);
}

void FillRecent(QComboBox* box, const std::vector<std::string>& strings) {
    for (const std::string& text : strings) box->addItem(Text(text));
}

// Setting the same text again would move the caret to its end, which a refusal has put
// where the error is.
void ShowEditText(QComboBox* box, const QString& text) {
    if (box->currentText() != text) box->setEditText(text);
}

// The core counts in bytes of the typed text, which is UTF-8; the field in characters.
int CharacterIndexOfByte(const QString& text, std::size_t byteOffset) {
    const QByteArray bytes = text.toUtf8();
    const auto end = static_cast<qsizetype>(
        std::min<std::size_t>(byteOffset, static_cast<std::size_t>(bytes.size())));
    return static_cast<int>(QString::fromUtf8(bytes.left(end)).size());
}

}  // namespace

CSearchReplaceDlg::CSearchReplaceDlg(CKestoDoc& doc, bool showPreviousValues,
                                     bool lastSpecialCharSession, Doors doors, QWidget* parent)
    : QDialog(parent),
      m_doc(doc),
      m_form(doc.options(), doc.session().settings, doc.session().ini),
      m_doors(std::move(doors)) {
    setWindowTitle(QStringLiteral("Search for a String  and  Replace It"));
    askSessionSwitch = [this](bool wildCards, const QString& text) {
        if (wildCards) return CSetWildCardDlg(text, this).exec() == QDialog::Accepted;
        return CSetSpecialCharDlg(text, this).exec() == QDialog::Accepted;
    };
    extendedEntry = [this](const QString& label,
                           const QString& text) -> std::optional<std::string> {
        CExtStringDlg dialog(label, text, this);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.text();
    };
    BuildControls();
    m_form.Open(showPreviousValues, lastSpecialCharSession,
                static_cast<int>(doc.session().searchFileList.size()));
    ShowValues();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
    m_search->setFocus();
}

// The fields report focus changes and activations while they are torn down: nothing may
// reach the form from then on.
CSearchReplaceDlg::~CSearchReplaceDlg() {
    disconnect(qApp, nullptr, this, nullptr);
    m_search->disconnect(this);
    m_replace->disconnect(this);
}

QAbstractButton* CSearchReplaceDlg::control(SearchReplaceForm::Control control) const {
    return m_controls.at(control);
}

// --- Building ---

QCheckBox* CSearchReplaceDlg::AddCheck(Form::Control control, const QString& label) {
    auto* box = new QCheckBox(label, this);
    m_controls[control] = box;
    return box;
}

QPushButton* CSearchReplaceDlg::AddButton(Form::Control control, const QString& label) {
    auto* button = new QPushButton(label, this);
    button->setAutoDefault(false);
    m_controls[control] = button;
    return button;
}

void CSearchReplaceDlg::BuildControls() {
    const Settings& settings = m_doc.session().settings;
    // The controls are made in the order Tab takes them: Qt's setTabOrder mixes up the ring
    // when an editable box's own line edit does not follow the box in it.
    const auto stringBox = [this](const std::vector<std::string>& recent) {
        auto* box = new QComboBox(this);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(36);
        FillRecent(box, recent);
        return box;
    };
    m_search = stringBox(settings.searchStrings);
    QPushButton* searchExpand = AddButton(Form::SearchExpand, QStringLiteral("&<>"));
    m_replace = stringBox(settings.replaceStrings);
    QPushButton* replaceExpand = AddButton(Form::ReplaceExpand, QStringLiteral("<&>"));
    m_searchLabel = new QLabel(this);
    m_replaceLabel = new QLabel(this);
    m_searchLabel->setBuddy(m_search);
    m_replaceLabel->setBuddy(m_replace);
    m_searchArrow = new QLabel(this);
    m_replaceArrow = new QLabel(this);
    for (QLabel* arrow : {m_searchArrow, m_replaceArrow}) arrow->setMinimumWidth(24);

    auto* strings = new QGridLayout;
    strings->addWidget(new QLabel(QStringLiteral("Expand"), this), 0, 3);
    strings->addWidget(m_searchLabel, 1, 1);
    strings->addWidget(m_searchArrow, 2, 0);
    strings->addWidget(m_search, 2, 1, 1, 2);
    strings->addWidget(searchExpand, 2, 3);
    strings->addWidget(m_replaceLabel, 3, 1);
    strings->addWidget(m_replaceArrow, 4, 0);
    strings->addWidget(m_replace, 4, 1, 1, 2);
    strings->addWidget(replaceExpand, 4, 3);

    const auto group = [this](const QString& title, std::initializer_list<QWidget*> boxes) {
        auto* frame = new QGroupBox(title, this);
        auto* layout = new QVBoxLayout(frame);
        for (QWidget* box : boxes) layout->addWidget(box);
        return frame;
    };
    auto* searchCriteria =
        group(QStringLiteral(" Search Criteria "),
              {AddCheck(Form::MatchWholeWord, QStringLiteral("Match Whole Word &Only")),
               AddCheck(Form::MatchCase, QStringLiteral("&Match Case"))});
    auto* middle = new QVBoxLayout;
    middle->addWidget(AddCheck(Form::Insert, QStringLiteral("Insert String @ Col&umn")));
    middle->addWidget(AddCheck(Form::SpecialCharSession, QStringLiteral("Special Char Sess&ion")));
    middle->addWidget(AddCheck(Form::WildCards, QStringLiteral("? and * are &Wild Cards")));
    middle->addWidget(AddCheck(Form::RegularExpression, QStringLiteral("Regular E&xpression")));
    auto* replaceCriteria = group(QStringLiteral(" Replace Criteria "),
                                  {AddCheck(Form::Confirm, QStringLiteral("&Confirm each Replace")),
                                   AddCheck(Form::Global, QStringLiteral("&Global Replace")),
                                   AddCheck(Form::PreserveCase, QStringLiteral("Preserve Case"))});
    auto* replacements = group(QStringLiteral(" Replacements "),
                               {AddCheck(Form::AllInLine, QStringLiteral("All Instances in &Line")),
                                AddCheck(Form::FirstOnly, QStringLiteral("First Instance Onl&y"))});
    m_viaFileDialog = new QCheckBox(QStringLiteral("Vi&a File Dialog"), this);
    m_byDirectory = new QCheckBox(QStringLiteral("By &Directory and Filter"), this);
    auto* fileChoice = group(QString(), {m_viaFileDialog, m_byDirectory});

    auto* switches = new QGridLayout;
    switches->addWidget(searchCriteria, 0, 0);
    switches->addLayout(middle, 0, 1);
    switches->addWidget(replaceCriteria, 0, 2);
    switches->addWidget(replacements, 1, 0);
    switches->addWidget(fileChoice, 1, 2);

    QPushButton* begin = AddButton(Form::Begin, QStringLiteral("&Begin"));
    begin->setDefault(true);
    // Every letter of "Preview" and of "Preserve Case" is already the Alt letter of one of
    // the dialog's own controls: the two are reached with Tab, and Alt+V and Alt+A act on
    // Override and Via File Dialog alone.
    QPushButton* preview = AddButton(Form::Preview, QStringLiteral("Preview"));
    preview->setAutoDefault(false);
    QPushButton* selectFiles = AddButton(Form::SelectFiles, QStringLiteral("Select &Files"));
    // The special character list lies over the four buttons it disables.
    auto* fourButtons = new QWidget(this);
    auto* fourLayout = new QVBoxLayout(fourButtons);
    fourLayout->setContentsMargins(0, 0, 0, 0);
    fourLayout->addWidget(AddButton(Form::Override, QStringLiteral("O&verride")));
    fourLayout->addWidget(AddButton(Form::SpecialChar, QStringLiteral("S&pecial Char")));
    fourLayout->addWidget(AddButton(Form::BatchMode, QStringLiteral("Ba&tch Mode")));
    fourLayout->addWidget(AddButton(Form::Convert, QStringLiteral("Conv&ert")));
    m_specialList = new QListWidget(this);
    m_specialStack = new QStackedWidget(this);
    m_specialStack->addWidget(fourButtons);
    m_specialStack->addWidget(m_specialList);
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    auto* cancel = new QPushButton(QStringLiteral("Ca&ncel"), this);
    help->setAutoDefault(false);
    cancel->setAutoDefault(false);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(begin);
    buttons->addWidget(preview);
    buttons->addWidget(selectFiles);
    buttons->addWidget(m_specialStack);
    buttons->addWidget(help);
    buttons->addWidget(cancel);
    buttons->addStretch();

    m_fileCount = new QLabel(this);
    auto* left = new QVBoxLayout;
    left->addLayout(strings);
    left->addLayout(switches);
    left->addWidget(m_fileCount);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    searchExpand->setAccessibleName(QStringLiteral("Expand Search String"));
    replaceExpand->setAccessibleName(QStringLiteral("Expand Replace String"));
    m_specialList->setAccessibleName(QStringLiteral("Special Characters"));
    NameControlsAfterLabels(this);

    // Every switch: read the widgets, let the form decide, show the result.
    const auto onClick = [this](Form::Control control, void (Form::*handler)()) {
        connect(m_controls[control], &QAbstractButton::clicked, this,
                [this, handler] { Act([this, handler] { (m_form.*handler)(); }); });
    };
    onClick(Form::AllInLine, &Form::ClickAllInLine);
    onClick(Form::FirstOnly, &Form::ClickFirstOnly);
    onClick(Form::Global, &Form::ClickGlobal);
    onClick(Form::Confirm, &Form::ClickConfirm);
    onClick(Form::MatchCase, &Form::ClickCriterion);
    onClick(Form::MatchWholeWord, &Form::ClickCriterion);
    onClick(Form::PreserveCase, &Form::ClickCriterion);
    onClick(Form::WildCards, &Form::ClickWildCards);
    onClick(Form::SpecialCharSession, &Form::ClickSpecialCharSession);
    onClick(Form::RegularExpression, &Form::ClickRegularExpression);
    onClick(Form::SpecialChar, &Form::PressSpecialChar);
    // The list takes the focus from the button it hides, so that the keys can pick an entry.
    connect(m_controls[Form::SpecialChar], &QAbstractButton::clicked, this, [this] {
        if (m_form.specialListShown()) m_specialList->setFocus(Qt::OtherFocusReason);
    });
    connect(m_controls[Form::Insert], &QAbstractButton::clicked, this, [this] {
        kesto::FocusField focus = kesto::FocusField::None;
        Act([this, &focus] { focus = m_form.ClickInsert(); });
        FocusField(focus);
    });
    connect(m_viaFileDialog, &QCheckBox::clicked, this, [this] {
        Act([this] {
            m_form.ClickViaFileDialog(static_cast<int>(m_doc.session().searchFileList.size()));
        });
    });
    connect(m_byDirectory, &QCheckBox::clicked, this,
            [this] { Act([this] { m_form.ClickByDirectory(); }); });
    connect(m_specialList, &QListWidget::itemClicked, this, &CSearchReplaceDlg::OnPickSpecialEntry);
    m_specialList->installEventFilter(this);
    connect(m_search, &QComboBox::activated, this, &CSearchReplaceDlg::OnPickSearch);
    connect(searchExpand, &QPushButton::clicked, this,
            [this] { OnExpand(kesto::FocusField::Search); });
    connect(replaceExpand, &QPushButton::clicked, this,
            [this] { OnExpand(kesto::FocusField::Replace); });
    connect(m_controls[Form::Convert], &QAbstractButton::clicked, this,
            &CSearchReplaceDlg::OnConvert);
    connect(m_controls[Form::SelectFiles], &QAbstractButton::clicked, this,
            &CSearchReplaceDlg::OnSelectFiles);
    connect(m_controls[Form::BatchMode], &QAbstractButton::clicked, this,
            &CSearchReplaceDlg::OnBatchMode);
    connect(m_controls[Form::Override], &QAbstractButton::clicked, this, [this] {
        ReadControls();
        if (m_doors.override) m_doors.override(this);
        ShowValues();
        FocusField(kesto::FocusField::Search);
    });
    connect(begin, &QPushButton::clicked, this, [this] { OnBegin(false); });
    connect(preview, &QPushButton::clicked, this, [this] { OnBegin(true); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        Act([this] { m_form.CloseSpecialList(); });
        ShowHelpTopic(kSearchReplaceHelpContext, this);
    });
}

// --- Showing the form ---

void CSearchReplaceDlg::ReadControls() {
    RunDialogValues& v = m_form.values;
    v.searchText = TypedBytes(m_search->currentText());
    v.replaceText = TypedBytes(m_replace->currentText());
    v.matchWholeWord = m_controls[Form::MatchWholeWord]->isChecked();
    v.matchCase = m_controls[Form::MatchCase]->isChecked();
    v.confirmEachReplace = m_controls[Form::Confirm]->isChecked();
    v.globalReplace = m_controls[Form::Global]->isChecked();
    v.insertAtColumn = m_controls[Form::Insert]->isChecked();
    v.specialCharSession = m_controls[Form::SpecialCharSession]->isChecked();
    v.wildcardSession = m_controls[Form::WildCards]->isChecked();
    v.regularExpression = m_controls[Form::RegularExpression]->isChecked();
    v.preserveCase = m_controls[Form::PreserveCase]->isChecked();
    v.allInstancesInLine = m_controls[Form::AllInLine]->isChecked();
    v.firstInstanceOnly = m_controls[Form::FirstOnly]->isChecked();
}

void CSearchReplaceDlg::ShowValues() {
    m_showing = true;
    const RunDialogValues& v = m_form.values;
    ShowEditText(m_search, Text(v.searchText));
    ShowEditText(m_replace, Text(v.replaceText));
    const auto check = [this](Form::Control control, bool on) {
        const QSignalBlocker block(m_controls[control]);
        m_controls[control]->setChecked(on);
    };
    check(Form::MatchWholeWord, v.matchWholeWord);
    check(Form::MatchCase, v.matchCase);
    check(Form::Confirm, v.confirmEachReplace);
    check(Form::Global, v.globalReplace);
    check(Form::Insert, v.insertAtColumn);
    check(Form::SpecialCharSession, v.specialCharSession);
    check(Form::WildCards, v.wildcardSession);
    check(Form::RegularExpression, v.regularExpression);
    check(Form::PreserveCase, v.preserveCase);
    check(Form::AllInLine, v.allInstancesInLine);
    check(Form::FirstOnly, v.firstInstanceOnly);
    m_viaFileDialog->setChecked(v.selectViaFileDialog);
    m_byDirectory->setChecked(!v.selectViaFileDialog);

    for (int c = 0; c < Form::kControlCount; ++c) {
        const auto control = static_cast<Form::Control>(c);
        if (!m_controls[c]) continue;
        m_controls[c]->setEnabled(m_form.enabled(control));
        m_controls[c]->setToolTip(Text(m_form.toolTip(control)));
    }
    m_search->setEnabled(m_form.enabled(Form::SearchField));
    m_replace->setEnabled(m_form.enabled(Form::ReplaceField));
    // The override dialog and the batch dialog come with their own windows.
    m_controls[Form::Override]->setEnabled(m_form.enabled(Form::Override) &&
                                           static_cast<bool>(m_doors.override));
    m_controls[Form::BatchMode]->setEnabled(m_form.enabled(Form::BatchMode) && m_doors.batchMode);

    m_searchLabel->setText(Text(m_form.searchLabel()));
    m_replaceLabel->setText(Text(m_form.replaceLabel()));
    NameAfterLabel(m_search, m_searchLabel->text());
    NameAfterLabel(m_replace, m_replaceLabel->text());
    m_searchArrow->setText(Text(m_form.searchArrow()));
    m_replaceArrow->setText(Text(m_form.replaceArrow()));
    m_fileCount->setText(Text(m_form.fileCountText()));

    const bool listShown = m_form.specialListShown();
    m_specialList->clear();
    for (const std::string& entry : m_form.specialEntries()) m_specialList->addItem(Text(entry));
    m_specialList->setEnabled(listShown);
    m_specialStack->setCurrentIndex(listShown ? 1 : 0);
    m_showing = false;
}

void CSearchReplaceDlg::Act(const std::function<void()>& action) {
    ReadControls();
    action();
    ShowValues();
}

void CSearchReplaceDlg::FocusField(kesto::FocusField field) {
    if (field == kesto::FocusField::Search) m_search->setFocus();
    if (field == kesto::FocusField::Replace) m_replace->setFocus();
}

void CSearchReplaceDlg::FocusRefusedField(const PatternCheck& check) {
    FocusField(check.focus);
    QComboBox* box = check.focus == kesto::FocusField::Search    ? m_search
                     : check.focus == kesto::FocusField::Replace ? m_replace
                                                                 : nullptr;
    if (!box) return;
    QLineEdit* edit = box->lineEdit();
    if (check.caret == std::string::npos) {
        edit->selectAll();
    } else {
        edit->setCursorPosition(CharacterIndexOfByte(edit->text(), check.caret));
    }
}

void CSearchReplaceDlg::OnFocusChanged(QWidget* now) {
    if (m_showing || !now || now->window() != this) return;
    const auto inside = [now](QWidget* field) { return now == field || field->isAncestorOf(now); };
    if (inside(m_search)) {
        Act([this] { m_form.FocusSearchField(); });
    } else if (inside(m_replace)) {
        Act([this] { m_form.FocusReplaceField(); });
    } else if (!inside(m_specialList) && !inside(m_specialStack)) {
        Act([this] { m_form.CloseSpecialList(); });
    }
}

void CSearchReplaceDlg::OnPickSpecialEntry(QListWidgetItem* item) {
    // The first pick closes the list: a second click of a double click picks nothing.
    if (!m_form.specialListShown()) return;
    const auto row = static_cast<std::size_t>(m_specialList->row(item));
    Act([this, row] { m_form.PickSpecialEntry(row); });
    FocusField(m_form.replaceIsTarget() ? kesto::FocusField::Replace : kesto::FocusField::Search);
}

// Enter picks the current entry of the special character list, and goes no further: the
// dialog would take it for Begin.
bool CSearchReplaceDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_specialList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_specialList->currentItem()) {
            OnPickSpecialEntry(m_specialList->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CSearchReplaceDlg::mousePressEvent(QMouseEvent* event) {
    Act([this] { m_form.CloseSpecialList(); });
    QDialog::mousePressEvent(event);
}

// --- Buttons ---

void CSearchReplaceDlg::OnPickSearch(int index) {
    const QString picked = m_search->itemText(index);
    ReadControls();
    m_form.values.searchText = TypedBytes(picked);
    const Form::PickQuestions questions = m_form.PickRememberedSearch(TypedBytes(picked));
    if (questions.askSpecialCharSession && askSessionSwitch(false, picked)) {
        m_form.SetSpecialCharSessionOn();
    }
    if (questions.askWildCards && askSessionSwitch(true, picked)) m_form.SetWildCardsOn();
    ShowValues();
}

void CSearchReplaceDlg::OnExpand(kesto::FocusField field) {
    FocusField(field);
    ReadControls();
    const bool replace = field == kesto::FocusField::Replace;
    const auto text =
        extendedEntry(replace ? QStringLiteral("Replace String") : QStringLiteral("Search String"),
                      Text(replace ? m_form.values.replaceText : m_form.values.searchText));
    if (!text) return;
    m_form.ApplyExtendedEntry(field, *text);
    ShowValues();
}

void CSearchReplaceDlg::OnConvert() {
    Act([this] { m_form.CloseSpecialList(); });
    CConvertDlg dialog(m_form.conversion(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    Act([this] { m_form.ApplyConversionChoice(); });
}

void CSearchReplaceDlg::OnSelectFiles() {
    ReadControls();
    if (m_doors.selectFiles) m_doors.selectFiles(this);
    m_form.AfterSelectFiles(static_cast<int>(m_doc.session().searchFileList.size()));
    ShowValues();
    FocusField(kesto::FocusField::Search);
}

void CSearchReplaceDlg::OnBatchMode() {
    ReadControls();
    m_form.SwitchToBatchMode();
    m_batchModeChosen = true;
    reject();
}

void CSearchReplaceDlg::OnBegin(bool preview) {
    ReadControls();
    const PatternCheck check = m_form.BeginRun(m_doc.session().hosts().prompter, preview);
    if (check.accepted) {
        accept();
        return;
    }
    if (!check.message.empty()) {
        m_doc.session().hosts().prompter.ShowMessage(check.message, MessageIcon::Stop);
    }
    ShowValues();
    FocusRefusedField(check);
}

}  // namespace kesto
