// CSelectPairDlg: "Select Search/Replace Pair to Edit from List": every pair of the
// editor's working list in a table (number, search string, replace string) to pick one.
#pragma once

#include <QDialog>

#include "pattern/BatchSRList.h"

class QPushButton;

namespace kesto {

class CListCtrlEx;

class CSelectPairDlg : public QDialog {
    Q_OBJECT
public:
    CSelectPairDlg(const CBatchSRList& pairs, QWidget* parent = nullptr);

    // The picked row (0-based), -1 for none.
    int selectedRow() const { return m_selectedRow; }

    CListCtrlEx* table() const { return m_table; }
    QPushButton* editButton() const { return m_edit; }

private:
    CListCtrlEx* m_table;
    QPushButton* m_edit;
    int m_selectedRow = -1;
};

}  // namespace kesto
