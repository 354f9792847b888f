// CGoToDlg: "Go to Display Page": the number of the display frame to show, clamped to the
// frames there are.
#pragma once

#include <QDialog>

class QLineEdit;

namespace kesto {

class CGoToDlg : public QDialog {
    Q_OBJECT
public:
    CGoToDlg(int currentFrame, int frameCount, QWidget* parent = nullptr);

    // The typed number clamped to 1..frameCount.
    int frame() const;
    QLineEdit* numberField() const { return m_number; }

private:
    QLineEdit* m_number;
    int m_frameCount;
};

}  // namespace kesto
