#include "gui/selection/StartDirDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "gui/app/KeyboardAccess.h"
#include "platform/qt/DisplayText.h"
#include "platform/qt/HelpPages.h"

namespace kesto {

namespace {

constexpr int kStartDirectoryHelpContext = 3013;

}  // namespace

CStartDirDlg::CStartDirDlg(const StartDirectoryChoice& initial, QWidget* parent, Prompter* prompter)
    : QDialog(parent),
      m_directory(new QLineEdit(DisplayText(initial.startDirectory), this)),
      m_filter(new QComboBox(this)),
      m_subdirectories(new QCheckBox(QStringLiteral("&Search Subdirectories"), this)),
      m_browse(new QPushButton(QStringLiteral("?"), this)),
      m_prompter(prompter) {
    setWindowTitle(QStringLiteral("Select Files to Search by Starting Directory and File Filter"));
    m_filter->setEditable(true);
    m_filter->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& filter : initial.namedFilters) m_filter->addItem(DisplayText(filter));
    m_filter->setEditText(DisplayText(initial.fileFilter));
    m_subdirectories->setChecked(initial.searchSubdirectories);
    m_directory->setMinimumWidth(360);
    m_browse->setAutoDefault(false);
    m_browse->setMaximumWidth(32);

    auto* directoryLabel = new QLabel(QStringLiteral("Starting &Directory:"), this);
    directoryLabel->setBuddy(m_directory);
    auto* browseLabel = new QLabel(QStringLiteral("&Browse"), this);
    browseLabel->setBuddy(m_browse);
    auto* filterLabel = new QLabel(QStringLiteral("&File Filter:"), this);
    filterLabel->setBuddy(m_filter);
    auto* grid = new QGridLayout;
    grid->addWidget(directoryLabel, 0, 0);
    grid->addWidget(m_directory, 0, 1);
    grid->addWidget(browseLabel, 0, 2);
    grid->addWidget(m_browse, 0, 3);
    grid->addWidget(filterLabel, 1, 0);
    grid->addWidget(m_filter, 1, 1);
    grid->addWidget(m_subdirectories, 2, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* start = buttons->addButton(QStringLiteral("S&tart"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
    start->setDefault(true);
    connect(start, &QPushButton::clicked, this, &CStartDirDlg::OnStart);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this,
            [this] { ShowHelpTopic(kStartDirectoryHelpContext, this); });
    connect(m_browse, &QPushButton::clicked, this, &CStartDirDlg::OnBrowse);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    NameControlsAfterLabels(this);
    // Row by row: the browse button belongs to the directory beside it.
    QWidget::setTabOrder(m_directory, m_browse);
    m_directory->setFocus();
}

StartDirectoryChoice CStartDirDlg::choice() const {
    StartDirectoryChoice chosen;
    chosen.startDirectory = TypedBytes(m_directory->text());
    chosen.fileFilter = TypedBytes(m_filter->currentText());
    chosen.searchSubdirectories = m_subdirectories->isChecked();
    return chosen;
}

void CStartDirDlg::OnStart() {
    // A walk of a folder that is not there would end in an empty list; the user learns
    // the real reason while the directory can still be corrected.
    const std::string directory = choice().startDirectory;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(directory, error);
    if (m_prompter && !directory.empty() && !std::filesystem::is_directory(status)) {
        const bool exists = std::filesystem::exists(status);
        m_prompter->ShowMessage("The Starting Directory " + directory +
                                    (exists ? " is not a directory!" : " does not exist!"),
                                MessageIcon::Stop);
        m_directory->setFocus();
        m_directory->selectAll();
        return;
    }
    accept();
}

void CStartDirDlg::OnBrowse() {
    const QString start = m_directory->text().isEmpty() ? QDir::currentPath() : m_directory->text();
    const QString picked = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Select Start Directory"), start, QFileDialog::ShowDirsOnly);
    if (picked.isEmpty()) return;
    m_directory->setText(QDir::toNativeSeparators(picked));
    m_filter->setFocus();
}

}  // namespace kesto
