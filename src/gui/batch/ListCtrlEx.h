// CListCtrlEx: a report list that selects whole rows, frames the whole focused row and
// cuts each cell that does not fit its column with "...". Columns can be sized as shares
// of the client width.
#pragma once

#include <QTableWidget>
#include <vector>

namespace kesto {

class CListCtrlEx : public QTableWidget {
    Q_OBJECT
public:
    explicit CListCtrlEx(QWidget* parent = nullptr);

    // Column i gets shares[i] / total of the client width (integer division).
    void SetColumnShares(std::vector<int> shares, int total);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyShares();

    std::vector<int> m_shares;
    int m_total = 1;
};

}  // namespace kesto
