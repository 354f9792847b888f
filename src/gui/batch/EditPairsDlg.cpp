#include "gui/batch/EditPairsDlg.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "gui/app/KestoDoc.h"
#include "gui/app/KeyboardAccess.h"
#include "gui/batch/SelectPairDlg.h"
#include "platform/qt/DisplayText.h"
#include "platform/qt/HelpPages.h"

namespace kesto {

namespace {

constexpr int kPairEditorHelpContext = 3020;
const char* const kEmptySearchMessage = "Search string may NOT be left empty!";

// The boxes separate lines with a line feed; a pair keeps CR LF between its lines.
std::string FromBox(const QPlainTextEdit* box) {
    std::string text = TypedBytes(box->toPlainText());
    std::string stored;
    stored.reserve(text.size());
    for (char c : text) {
        if (c == '\n') stored += '\r';
        stored += c;
    }
    return stored;
}

QString ToBox(const std::string& stored) {
    std::string text;
    text.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] == '\r' && i + 1 < stored.size() && stored[i + 1] == '\n') continue;
        text += stored[i];
    }
    return DisplayText(text);
}

QString PairNumber(int oneBased) {
    return QStringLiteral("%1").arg(oneBased, 2, 10, QLatin1Char('0'));
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

CEditPairsDlg::CEditPairsDlg(CKestoDoc& doc, QWidget* parent)
    : QDialog(parent),
      m_doc(doc),
      m_working(doc.session().hosts().prompter),
      m_pathLine(new QLabel(this)),
      m_pairList(new QListWidget(this)),
      m_search(new QPlainTextEdit(this)),
      m_replace(new QPlainTextEdit(this)) {
    setWindowTitle(QStringLiteral("Edit Batch Search/Replace Pairs"));
    askSavePath = [](QWidget* owner, const QString& folder) {
        QFileDialog dialog(owner);
        PrepareSaveDialog(dialog, folder);
        if (dialog.exec() != QDialog::Accepted) return QString();
        return dialog.selectedFiles().value(0);
    };
    askPair = [](QWidget* owner, const CBatchSRList& pairs) {
        CSelectPairDlg dialog(pairs, owner);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedRow() : -1;
    };

    const std::array<const char*, kButtonCount> labels = {
        "&List", "&New S/R", "&Delete", "&Up", "Do&wn", "Sa&ve", "Save &As", "D&one", "&Cancel"};
    auto* buttons = new QVBoxLayout;
    for (int i = 0; i < kButtonCount; ++i) {
        m_buttons[i] = new QPushButton(QString::fromLatin1(labels[i]), this);
        m_buttons[i]->setAutoDefault(false);
        buttons->addWidget(m_buttons[i]);
    }
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    help->setAutoDefault(false);
    buttons->addWidget(help);
    buttons->addStretch();

    for (QPlainTextEdit* box : {m_search, m_replace}) {
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setTabChangesFocus(true);
        connect(box, &QPlainTextEdit::textChanged, this, &CEditPairsDlg::OnTyped);
    }
    m_pairList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pairList->setMaximumWidth(80);
    const auto label = [this](const char* text, QWidget* buddy) {
        auto* caption = new QLabel(QString::fromLatin1(text), this);
        caption->setBuddy(buddy);
        return caption;
    };
    auto* grid = new QGridLayout;
    grid->addWidget(m_pathLine, 0, 0, 1, 2);
    grid->addWidget(label("&Pair #", m_pairList), 1, 0);
    grid->addWidget(label("&Search String", m_search), 1, 1);
    grid->addWidget(m_pairList, 2, 0, 3, 1);
    grid->addWidget(m_search, 2, 1);
    grid->addWidget(label("&Replace String", m_replace), 3, 1);
    grid->addWidget(m_replace, 4, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);

    connect(m_buttons[List], &QPushButton::clicked, this, &CEditPairsDlg::OnList);
    connect(m_buttons[NewSR], &QPushButton::clicked, this, &CEditPairsDlg::OnNew);
    connect(m_buttons[Delete], &QPushButton::clicked, this, &CEditPairsDlg::OnDelete);
    connect(m_buttons[Up], &QPushButton::clicked, this, &CEditPairsDlg::OnUp);
    connect(m_buttons[Down], &QPushButton::clicked, this, &CEditPairsDlg::OnDown);
    connect(m_buttons[Save], &QPushButton::clicked, this, [this] { OnSave(); });
    connect(m_buttons[SaveAs], &QPushButton::clicked, this, [this] { OnSaveAs(); });
    connect(m_buttons[Done], &QPushButton::clicked, this, &CEditPairsDlg::OnDone);
    connect(m_buttons[Cancel], &QPushButton::clicked, this, &CEditPairsDlg::reject);
    connect(help, &QPushButton::clicked, this,
            [this] { ShowHelpTopic(kPairEditorHelpContext, this); });
    connect(m_pairList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_filling && row >= 0 && row != m_currentIndex) OnPick(row);
    });

    // Opening: a copy of the document's pairs, in the order of their numbers.
    m_pathLine->setText(DisplayText(doc.session().batchFilePath));
    CBatchSRList& pairs = doc.session().batchPairs();
    const int count = static_cast<int>(pairs.size());
    for (int i = 0; i < count; ++i) {
        if (const CBatchSR* pair = pairs.FindPair(i)) {
            m_working.AddNewPair() = *pair;
            m_pairList->addItem(PairNumber(i + 1));
        }
    }
    if (m_working.size() > 0) {
        ShowPair(0);
        m_search->setFocus();
    }
    UpdateButtons();
    NameControlsAfterLabels(this);
    resize(640, 420);
}

void CEditPairsDlg::PrepareSaveDialog(QFileDialog& dialog, const QString& folder) {
    dialog.setWindowTitle(QStringLiteral("Save Batch File under new Name"));
    dialog.setDirectory(folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QString batchFilter = QStringLiteral("Batch S/R Files (*.sr) ");
    dialog.setNameFilters({batchFilter, QStringLiteral("All Files (*.*) ")});
    // A batch file is known by its suffix: the desktop opens it with Kesto only with it.
    dialog.setDefaultSuffix(QStringLiteral("sr"));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, batchFilter](const QString& filter) {
            dialog.setDefaultSuffix(filter == batchFilter ? QStringLiteral("sr") : QString());
        });
}

// --- The shown pair ---

void CEditPairsDlg::ShowPair(int index) {
    m_currentIndex = index;
    const CBatchSR* pair = m_working.FindPair(index);
    m_filling = true;
    m_search->setPlainText(pair ? ToBox(pair->m_strSearch) : QString());
    m_replace->setPlainText(pair ? ToBox(pair->m_strReplace) : QString());
    m_shownSearch = FromBox(m_search);
    m_shownReplace = FromBox(m_replace);
    m_filling = false;
    SelectRow(pair ? index : -1);
}

void CEditPairsDlg::SelectRow(int row) {
    m_filling = true;
    if (row < 0) {
        m_pairList->clearSelection();
        m_pairList->setCurrentRow(-1);
    } else {
        m_pairList->setCurrentRow(row);
    }
    m_filling = false;
}

void CEditPairsDlg::CommitBoxes() {
    const std::string search = FromBox(m_search);
    const std::string replace = FromBox(m_replace);
    if (search == m_shownSearch && replace == m_shownReplace) return;
    if (CBatchSR* pair = m_working.FindPair(m_currentIndex)) {
        pair->m_strSearch = search;
        pair->m_strReplace = replace;
        m_shownSearch = search;
        m_shownReplace = replace;
        m_modified = true;
    }
}

void CEditPairsDlg::OnTyped() {
    if (m_filling) return;
    if (FromBox(m_search) != m_shownSearch || FromBox(m_replace) != m_shownReplace) {
        m_modified = true;
    }
    UpdateButtons();
}

bool CEditPairsDlg::RefuseEmptySearch() {
    if (!m_search->toPlainText().isEmpty()) return false;
    m_doc.session().hosts().prompter.ShowMessage(kEmptySearchMessage, MessageIcon::Stop);
    m_search->setFocus();
    return true;
}

void CEditPairsDlg::UpdateButtons() {
    const bool any = m_working.size() > 0;
    const int last = static_cast<int>(m_working.size()) - 1;
    m_search->setEnabled(any);
    m_replace->setEnabled(any);
    m_pairList->setEnabled(any);
    m_buttons[SaveAs]->setEnabled(any);
    m_buttons[Delete]->setEnabled(any);
    m_buttons[Save]->setEnabled(any && m_modified && !m_doc.session().batchFilePath.empty());
    m_buttons[Up]->setEnabled(any && m_currentIndex > 0);
    m_buttons[Down]->setEnabled(any && m_currentIndex < last);
}

// --- Buttons ---

void CEditPairsDlg::OnNew() {
    if (m_working.size() > 0 && RefuseEmptySearch()) return;
    CommitBoxes();
    const int count = static_cast<int>(m_working.size());
    m_working.AddNewPair().m_nIndex = count;
    m_pairList->addItem(PairNumber(count + 1));
    ShowPair(count);
    m_modified = true;
    // The boxes are disabled while there is no pair: enabled first, or the focus is lost.
    UpdateButtons();
    m_search->setFocus();
}

void CEditPairsDlg::OnDelete() {
    if (m_working.size() == 0) return;
    // The editor has no undo: a pair deleted by a slip would be gone once the list is saved.
    const std::string question =
        "Delete string pair " + PairNumber(m_currentIndex + 1).toStdString() + "?";
    if (!m_doc.session().hosts().prompter.AskYesNo(question)) return;
    if (!m_working.DeletePair(m_working.FindPair(m_currentIndex))) {
        m_doc.session().hosts().prompter.ShowMessage(
            "Couldn't DELETE the selected string pairs!\nDon't know why, try doing it manually.",
            MessageIcon::Stop);
        return;
    }
    m_modified = true;
    m_filling = true;
    delete m_pairList->takeItem(m_pairList->count() - 1);
    m_filling = false;
    const int count = static_cast<int>(m_working.size());
    if (m_currentIndex >= count) m_currentIndex = count - 1;
    ShowPair(m_currentIndex);
    UpdateButtons();
}

void CEditPairsDlg::Exchange(int neighbour) {
    CBatchSR* current = m_working.FindPair(m_currentIndex);
    CBatchSR* other = m_working.FindPair(neighbour);
    if (!current || !other) return;
    std::swap(current->m_strSearch, other->m_strSearch);
    std::swap(current->m_strReplace, other->m_strReplace);
    // The boxes go on showing the moved pair, which now stands at the neighbour's place.
    m_currentIndex = neighbour;
    m_shownSearch = other->m_strSearch;
    m_shownReplace = other->m_strReplace;
    SelectRow(neighbour);
    m_modified = true;
    UpdateButtons();
}

void CEditPairsDlg::OnUp() {
    if (m_currentIndex > 0) Exchange(m_currentIndex - 1);
}

void CEditPairsDlg::OnDown() {
    if (m_currentIndex < static_cast<int>(m_working.size()) - 1) Exchange(m_currentIndex + 1);
}

void CEditPairsDlg::OnPick(int row) {
    if (RefuseEmptySearch()) {
        SelectRow(m_currentIndex);
        return;
    }
    CommitBoxes();
    ShowPair(row);
    UpdateButtons();
}

void CEditPairsDlg::OnList() {
    if (RefuseEmptySearch()) return;
    CommitBoxes();
    const int row = askPair(this, m_working);
    if (row < 0 || row >= static_cast<int>(m_working.size())) return;
    ShowPair(row);
    UpdateButtons();
}

void CEditPairsDlg::CopyBackToDocument() {
    CBatchSRList& pairs = m_doc.session().batchPairs();
    pairs.RemoveAllPairs();
    for (const CBatchSR& pair : m_working.pairs()) pairs.AddNewPair() = pair;
}

bool CEditPairsDlg::OnSave() {
    if (RefuseEmptySearch()) return false;
    CommitBoxes();
    m_modified = false;
    CopyBackToDocument();
    m_working.WriteBatchFile(m_doc.session().batchFilePath);
    UpdateButtons();
    return true;
}

bool CEditPairsDlg::OnSaveAs() {
    if (RefuseEmptySearch()) return false;
    CommitBoxes();
    Settings& settings = m_doc.session().settings;
    const QString picked = askSavePath(this, DisplayText(settings.lastBatchFilePath));
    if (picked.isEmpty()) return false;
    const std::string path = TypedBytes(picked);
    m_doc.session().batchFilePath = path;
    m_pathLine->setText(picked);
    settings.lastBatchFilePath = DirectoryOf(path);
    WriteSetting(m_doc.session().ini, settings, SettingKey::LastBatchFilePath);
    m_modified = false;
    CopyBackToDocument();
    m_working.WriteBatchFile(path);
    UpdateButtons();
    return true;
}

void CEditPairsDlg::OnDone() {
    if (m_modified) {
        if (m_doc.session().hosts().prompter.AskYesNo("Modifications NOT saved! Save Now?")) {
            if (!m_doc.session().batchFilePath.empty()) {
                OnSave();
            } else {
                OnSaveAs();
            }
        }
    }
    accept();
}

// Cancel and Escape close without a question; the document keeps what was last saved.
void CEditPairsDlg::reject() {
    QDialog::reject();
}

}  // namespace kesto
