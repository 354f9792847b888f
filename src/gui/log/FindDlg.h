// CFindDlg: "Find String Fragment in Log Window": a fragment typed or picked from the
// recent find fragments, and Match Case (unchecked on every opening).
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;

namespace kesto {

class CFindDlg : public QDialog {
    Q_OBJECT
public:
    CFindDlg(const std::vector<std::string>& recentFragments, QWidget* parent = nullptr);

    // The fragment as bytes; Find with an empty fragment closes the dialog as Cancel does.
    std::string fragment() const;
    bool matchCase() const;

    QComboBox* fragmentBox() const { return m_fragment; }
    QCheckBox* matchCaseBox() const { return m_matchCase; }

private:
    void OnFind();

    QComboBox* m_fragment;
    QCheckBox* m_matchCase;
};

}  // namespace kesto
