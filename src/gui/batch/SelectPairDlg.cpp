#include "gui/batch/SelectPairDlg.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/app/KeyboardAccess.h"
#include "gui/batch/ListCtrlEx.h"
#include "platform/qt/DisplayText.h"

namespace kesto {

CSelectPairDlg::CSelectPairDlg(const CBatchSRList& pairs, QWidget* parent)
    : QDialog(parent),
      m_table(new CListCtrlEx(this)),
      m_edit(new QPushButton(QStringLiteral("&Edit"), this)) {
    setWindowTitle(QStringLiteral("Select Search/Replace Pair to Edit from List"));
    m_table->setColumnCount(3);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Pair"), QStringLiteral("Search String"),
                                        QStringLiteral("Replace String")});
    m_table->setRowCount(static_cast<int>(pairs.size()));
    int row = 0;
    for (const CBatchSR& pair : pairs.pairs()) {
        m_table->setItem(row, 0, new QTableWidgetItem(QString::number(row + 1)));
        m_table->setItem(row, 1, new QTableWidgetItem(DisplayText(pair.m_strSearch)));
        m_table->setItem(row, 2, new QTableWidgetItem(DisplayText(pair.m_strReplace)));
        ++row;
    }
    m_table->SetColumnShares({1, 5, 5}, 11);
    m_edit->setEnabled(false);
    m_edit->setDefault(true);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_edit, QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<QTableWidgetItem*> selected = m_table->selectedItems();
        m_selectedRow = selected.isEmpty() ? -1 : selected.front()->row();
        if (m_selectedRow >= 0) m_table->scrollToItem(selected.front());
        m_edit->setEnabled(m_selectedRow >= 0);
    });
    connect(m_edit, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A double-click on a row picks it; one beside the rows picks nothing and is ignored.
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int clickedRow, int) {
        m_selectedRow = clickedRow;
        accept();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    m_table->setAccessibleName(QStringLiteral("Search/Replace Pairs"));
    NameControlsAfterLabels(this);
    resize(620, 360);
}

}  // namespace kesto
