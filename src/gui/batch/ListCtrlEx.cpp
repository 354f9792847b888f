#include "gui/batch/ListCtrlEx.h"

#include <QHeaderView>

namespace kesto {

CListCtrlEx::CListCtrlEx(QWidget* parent) : QTableWidget(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideRight);
    setWordWrap(false);
    // Rows are chosen whole: Tab leaves the list rather than going from cell to cell.
    setTabKeyNavigation(false);
    setShowGrid(false);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
}

void CListCtrlEx::SetColumnShares(std::vector<int> shares, int total) {
    m_shares = std::move(shares);
    m_total = total > 0 ? total : 1;
    ApplyShares();
}

void CListCtrlEx::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    ApplyShares();
}

void CListCtrlEx::ApplyShares() {
    const int width = viewport()->width();
    for (std::size_t i = 0; i < m_shares.size(); ++i) {
        setColumnWidth(static_cast<int>(i), width * m_shares[i] / m_total);
    }
}

}  // namespace kesto
