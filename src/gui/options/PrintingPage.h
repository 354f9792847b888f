// CPrinting: "Printing": the font size and lines per printed page, and whether the files
// without a match are printed. Sizes the page cannot hold at that many lines are warned of.
#pragma once

#include "gui/options/OptionsPage.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace kesto {

class CPrinting : public COptionsPage {
    Q_OBJECT
public:
    explicit CPrinting(CKestoDoc& doc, QWidget* parent = nullptr);

    void OnSetActive() override;
    bool OnKillActive() override;

    QComboBox* sizeBox() const { return m_size; }
    QLineEdit* linesField() const { return m_lines; }
    QCheckBox* noFindsBox() const { return m_noFinds; }

    // The most lines that fit on a page at a font size of the list; 0 for other sizes.
    static int MaxLinesFor(int pointSize);

private:
    QComboBox* m_size;
    QLineEdit* m_lines;
    QCheckBox* m_noFinds;
};

}  // namespace kesto
