#include "gui/selection/ExFileTemp.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/DisplayText.h"
#include "platform/qt/HelpPages.h"

namespace kesto {

namespace {

constexpr int kFileDialogHelpContext = 3022;

// The patterns of a file type such as "Text (*.txt *.log)".
QStringList PatternsOf(const QString& fileType) {
    static const QRegularExpression inParentheses(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch match = inParentheses.match(fileType);
    const QString patterns = match.hasMatch() ? match.captured(1) : fileType;
    return patterns.split(u' ', Qt::SkipEmptyParts);
}

}  // namespace

CExFileTemp::CExFileTemp(std::vector<std::string>& fileList, const QStringList& fileTypes,
                         int filterIndex, const QString& folder, QWidget* parent)
    : QDialog(parent),
      m_fileList(fileList),
      m_fileTypes(fileTypes),
      m_browser(new QFileDialog(this, Qt::Widget)),
      m_list(new QListWidget(this)),
      m_remove(new QPushButton(QStringLiteral("Re&move"), this)),
      m_clear(new QPushButton(QStringLiteral("&Clear"), this)),
      m_all(new QPushButton(QStringLiteral("A&ll"), this)),
      m_invert(new QPushButton(QStringLiteral("&Invert"), this)),
      m_count(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Select Files for Search/Replace"));
    m_browser->setOption(QFileDialog::DontUseNativeDialog);
    m_browser->setOption(QFileDialog::ReadOnly);
    m_browser->setFileMode(QFileDialog::ExistingFiles);
    m_browser->setNameFilters(fileTypes);
    if (filterIndex >= 1 && filterIndex <= fileTypes.size()) {
        m_browser->selectNameFilter(fileTypes.at(filterIndex - 1));
    }
    m_browser->setDirectory(folder.isEmpty() ? QDir::currentPath() : folder);
    m_browser->setLabelText(QFileDialog::Accept, QStringLiteral("&OK"));
    for (const char* name : {"fileNameEdit", "fileNameLabel"}) {
        if (auto* widget = m_browser->findChild<QWidget*>(QLatin1String(name))) widget->hide();
    }
    // OK with files selected adds them and keeps the dialog open; Cancel closes it.
    connect(m_browser, &QFileDialog::filesSelected, this, [this](const QStringList& files) {
        AddPaths(files);
        QTimer::singleShot(0, m_browser, [this] { m_browser->setVisible(true); });
    });
    connect(m_browser, &QFileDialog::rejected, this, &QDialog::accept);

    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    for (const std::string& path : fileList) m_list->addItem(DisplayText(path));

    auto* addSelected = new QPushButton(QStringLiteral("&Add Selected to List"), this);
    auto* addAll = new QPushButton(QStringLiteral("Add All &Files to List"), this);
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    for (QPushButton* button : {addSelected, addAll, m_remove, m_clear, m_all, m_invert, help}) {
        button->setAutoDefault(false);
    }
    connect(addSelected, &QPushButton::clicked, this, &CExFileTemp::AddSelected);
    connect(addAll, &QPushButton::clicked, this, &CExFileTemp::AddAllFiles);
    connect(m_remove, &QPushButton::clicked, this, &CExFileTemp::OnRemove);
    connect(m_clear, &QPushButton::clicked, m_list, &QListWidget::clearSelection);
    connect(m_all, &QPushButton::clicked, m_list, &QListWidget::selectAll);
    connect(m_invert, &QPushButton::clicked, this, [this] {
        for (int i = 0; i < m_list->count(); ++i) {
            m_list->item(i)->setSelected(!m_list->item(i)->isSelected());
        }
    });
    connect(help, &QPushButton::clicked, this,
            [this] { ShowHelpTopic(kFileDialogHelpContext, this); });
    connect(m_list, &QListWidget::itemSelectionChanged, this, &CExFileTemp::UpdateEnabling);

    auto* listLabel = new QLabel(QStringLiteral("&Search File List:"), this);
    listLabel->setBuddy(m_list);
    auto* panel = new QGridLayout;
    panel->addWidget(addSelected, 0, 0);
    panel->addWidget(addAll, 0, 1);
    panel->addWidget(new QLabel(QStringLiteral("Files Added"), this), 0, 3);
    panel->addWidget(m_count, 0, 4);
    panel->addWidget(listLabel, 1, 0);
    panel->addWidget(m_list, 2, 0, 5, 4);
    panel->addWidget(m_remove, 2, 4);
    panel->addWidget(m_clear, 3, 4);
    panel->addWidget(m_all, 4, 4);
    panel->addWidget(m_invert, 5, 4);
    panel->addWidget(help, 6, 4);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser, 3);
    layout->addLayout(panel, 2);
    UpdateEnabling();
    resize(720, 640);
}

int CExFileTemp::filterIndex() const {
    return static_cast<int>(m_fileTypes.indexOf(m_browser->selectedNameFilter())) + 1;
}

void CExFileTemp::AddPaths(const QStringList& paths) {
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.isFile()) continue;
        const QString full = QDir::toNativeSeparators(info.absoluteFilePath());
        const std::string bytes = TypedBytes(full);
        m_lastFolder = QDir::toNativeSeparators(info.absolutePath());
        if (std::find(m_fileList.begin(), m_fileList.end(), bytes) != m_fileList.end()) continue;
        m_fileList.push_back(bytes);
        m_list->addItem(full);
    }
    // The browser's selection has been taken.
    for (QAbstractItemView* view : m_browser->findChildren<QAbstractItemView*>()) {
        if (view->selectionModel()) view->clearSelection();
    }
    UpdateEnabling();
}

void CExFileTemp::AddSelected() {
    AddPaths(m_browser->selectedFiles());
}

void CExFileTemp::AddAllFiles() {
    const QDir folder = m_browser->directory();
    QStringList paths;
    const QStringList names =
        folder.entryList(PatternsOf(m_browser->selectedNameFilter()), QDir::Files, QDir::Name);
    for (const QString& name : names) {
        if (name.contains(u'.')) paths << folder.absoluteFilePath(name);
    }
    AddPaths(paths);
}

void CExFileTemp::OnRemove() {
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    for (QListWidgetItem* item : selected) {
        const std::string bytes = TypedBytes(item->text());
        const auto found = std::find(m_fileList.begin(), m_fileList.end(), bytes);
        if (found != m_fileList.end()) m_fileList.erase(found);
        delete item;
    }
    UpdateEnabling();
}

void CExFileTemp::UpdateEnabling() {
    const bool empty = m_list->count() == 0;
    const bool someSelected = !m_list->selectedItems().isEmpty();
    m_remove->setEnabled(!empty && someSelected);
    m_clear->setEnabled(!empty && someSelected);
    m_invert->setEnabled(!empty && someSelected);
    m_all->setEnabled(!empty && !someSelected);
    m_count->setText(QString::number(m_list->count()));
}

}  // namespace kesto
