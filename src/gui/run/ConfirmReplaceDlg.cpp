#include "gui/run/ConfirmReplaceDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

#include "platform/qt/DisplayText.h"
#include "platform/qt/HelpPages.h"

namespace kesto {

namespace {

constexpr int kConfirmHelpContext = 3002;

}  // namespace

CConfirmReplaceDlg::CConfirmReplaceDlg(const ConfirmRequest& request, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_request(request),
      m_file(new QLineEdit(this)),
      m_lineNumber(new QLineEdit(this)),
      m_line(new QPlainTextEdit(this)) {
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

    m_line->setReadOnly(true);
    m_line->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_line->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_line->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_line->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The match stays marked while the buttons have the focus.
    QPalette palette = m_line->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    m_line->setPalette(palette);

    // The columns of the match count bytes of the displayed line; the box counts
    // characters of its decoded text.
    const std::string& shown = request.displayedLine;
    const auto start = static_cast<std::size_t>(std::max(request.highlightStart, 0));
    const auto end = std::max(start, static_cast<std::size_t>(std::max(request.highlightEnd, 0)));
    const QString before =
        DisplayText(std::string_view(shown).substr(0, std::min(start, shown.size())));
    const QString match = DisplayText(std::string_view(shown).substr(
        std::min(start, shown.size()),
        std::min(end, shown.size()) - std::min(start, shown.size())));
    m_line->setPlainText(DisplayText(shown));
    QTextCursor cursor = m_line->textCursor();
    cursor.setPosition(static_cast<int>(before.size()));
    cursor.setPosition(static_cast<int>(before.size() + match.size()), QTextCursor::KeepAnchor);
    m_line->setTextCursor(cursor);
    m_line->ensureCursorVisible();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(boxes);
    layout->addWidget(m_line);
    resize(640, 300);
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
    for (Button which : {SkipRestOfFile, ReplaceAllThisFile, GlobalReplace, YouEditIt}) {
        m_buttons[which]->setEnabled(false);
    }
    m_line->setFocus();
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
