#include "gui/run/ConfirmReplaceDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/app/KeyboardAccess.h"
#include "platform/qt/DisplayText.h"
#include "platform/qt/HelpPages.h"

namespace kesto {

namespace {

constexpr int kConfirmHelpContext = 3002;

// A read-only box of one line, in the fixed font, whose selection stays marked while the
// buttons have the focus.
void SetUpLineBox(QPlainTextEdit& box) {
    box.setReadOnly(true);
    box.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    box.setLineWrapMode(QPlainTextEdit::NoWrap);
    box.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = box.palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    box.setPalette(palette);
}

// Shows `text` in `box` with the characters [begin, end) selected.
void ShowSelected(QPlainTextEdit& box, const QString& text, qsizetype begin, qsizetype end) {
    box.setPlainText(text);
    QTextCursor cursor = box.textCursor();
    cursor.setPosition(static_cast<int>(begin));
    cursor.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
    box.setTextCursor(cursor);
    box.ensureCursorVisible();
}

// Shows the displayed line `shown` with the byte columns [start, end) selected: the columns
// count bytes, the box counts characters of the decoded text.
void ShowColumnsSelected(QPlainTextEdit& box, const std::string& shown, int start, int end) {
    const auto first = std::min(static_cast<std::size_t>(std::max(start, 0)), shown.size());
    const auto last = std::clamp(static_cast<std::size_t>(std::max(end, 0)), first, shown.size());
    const std::string_view bytes(shown);
    const qsizetype before = DisplayText(bytes.substr(0, first)).size();
    const qsizetype selected = DisplayText(bytes.substr(first, last - first)).size();
    ShowSelected(box, DisplayText(shown), before, before + selected);
}

}  // namespace

CConfirmReplaceDlg::CConfirmReplaceDlg(const ConfirmRequest& request, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_request(request),
      m_file(new QLineEdit(this)),
      m_lineNumber(new QLineEdit(this)),
      m_line(new QPlainTextEdit(this)),
      m_after(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("String Replace"));
    const std::array<const char*, kButtonCount> labels = {
        "&Replace It", "Replace &All this File", "You &Edit It", "&Global Replace",
        "&Skip It",    "Skip Rest of &File",     "Stop &Now",    "&Abort"};
    auto* grid = new QGridLayout;
    for (int i = 0; i < kButtonCount; ++i) {
        m_buttons[i] = new QPushButton(QString::fromLatin1(labels[i]), this);
        m_buttons[i]->setAutoDefault(false);
        grid->addWidget(m_buttons[i], i / 4, i % 4);
    }
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    help->setAutoDefault(false);
    grid->addWidget(help, 2, 3);
    m_buttons[ReplaceIt]->setDefault(true);

    const std::array<std::pair<Button, ConfirmChoice>, 7> closing = {{
        {ReplaceIt, ConfirmChoice::ReplaceIt},
        {ReplaceAllThisFile, ConfirmChoice::ReplaceAllThisFile},
        {GlobalReplace, ConfirmChoice::GlobalReplace},
        {SkipIt, ConfirmChoice::SkipIt},
        {SkipRestOfFile, ConfirmChoice::SkipRestOfFile},
        {StopNow, ConfirmChoice::StopNow},
        {Abort, ConfirmChoice::Abort},
    }};
    for (const auto& [which, choice] : closing) {
        connect(m_buttons[which], &QPushButton::clicked, this,
                [this, choice = choice] { Decide(choice); });
    }
    connect(m_buttons[YouEditIt], &QPushButton::clicked, this, &CConfirmReplaceDlg::OnYouEditIt);
    connect(help, &QPushButton::clicked, this,
            [this] { ShowHelpTopic(kConfirmHelpContext, this); });

    m_file->setReadOnly(true);
    m_file->setText(DisplayText(request.fileName));
    m_lineNumber->setReadOnly(true);
    m_lineNumber->setText(QString::fromStdString(request.lineNumber));
    auto* boxes = new QFormLayout;
    boxes->addRow(QStringLiteral("Search File:"), m_file);
    boxes->addRow(QStringLiteral("Line #:"), m_lineNumber);

    SetUpLineBox(*m_line);
    ShowColumnsSelected(*m_line, request.displayedLine, request.highlightStart,
                        request.highlightEnd);
    SetUpLineBox(*m_after);
    ShowColumnsSelected(*m_after, request.replacedDisplayedLine, request.replacementStart,
                        request.replacementEnd);
    auto* afterLabel = new QLabel(QStringLiteral("After Replace It:"), this);
    afterLabel->setBuddy(m_after);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(boxes);
    layout->addWidget(m_line);
    layout->addWidget(afterLabel);
    layout->addWidget(m_after);
    resize(640, 380);
    m_line->setAccessibleName(QStringLiteral("Matched Line"));
    NameControlsAfterLabels(this);
    // The boxes were made before the buttons above them.
    ChainTabOrder({m_buttons[ReplaceIt], m_buttons[ReplaceAllThisFile], m_buttons[YouEditIt],
                   m_buttons[GlobalReplace], m_buttons[SkipIt], m_buttons[SkipRestOfFile],
                   m_buttons[StopNow], m_buttons[Abort], help, m_file, m_lineNumber, m_line,
                   m_after});
    m_buttons[ReplaceIt]->setFocus();
}

void CConfirmReplaceDlg::Decide(ConfirmChoice choice) {
    m_answer = {choice, {}};
    if (choice == ConfirmChoice::ReplaceIt && m_editing) {
        m_answer.editedLine = TypedBytes(m_line->toPlainText());
    }
    done(choice == ConfirmChoice::SkipIt ? QDialog::Rejected : QDialog::Accepted);
}

void CConfirmReplaceDlg::OnYouEditIt() {
    if (m_editing) return;
    m_editing = true;
    m_line->setReadOnly(false);
    m_line->setPlainText(DisplayText(m_request.line));
    ShowEditAsAfterLine();
    connect(m_line, &QPlainTextEdit::textChanged, this, &CConfirmReplaceDlg::ShowEditAsAfterLine);
    for (Button which : {SkipRestOfFile, ReplaceAllThisFile, GlobalReplace, YouEditIt}) {
        m_buttons[which]->setEnabled(false);
    }
    m_line->setFocus();
}

// What Replace It writes after an edit is the edited line; the part that differs from the
// line as it was is selected.
void CConfirmReplaceDlg::ShowEditAsAfterLine() {
    const QString original = DisplayText(m_request.line);
    const QString edited = m_line->toPlainText();
    qsizetype prefix = 0;
    const qsizetype shorter = std::min(original.size(), edited.size());
    while (prefix < shorter && original[prefix] == edited[prefix]) ++prefix;
    qsizetype suffix = 0;
    while (suffix < shorter - prefix &&
           original[original.size() - 1 - suffix] == edited[edited.size() - 1 - suffix]) {
        ++suffix;
    }
    ShowSelected(*m_after, edited, prefix, edited.size() - suffix);
}

// Escape decides like Skip It, so that no flag of an earlier match is left standing.
void CConfirmReplaceDlg::reject() {
    m_answer = {ConfirmChoice::SkipIt, {}};
    QDialog::reject();
}

// The window has no close control; a close from elsewhere (the desktop) is refused.
void CConfirmReplaceDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
}

}  // namespace kesto
