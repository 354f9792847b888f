// CConvertDlg: "Convert File Line BreakTypes": one of six conversions between the DOS,
// UNIX and Mac line breaks, or none. OK writes the choice into the direction it was given.
#pragma once

#include <QDialog>
#include <array>
#include <optional>

#include "text/LineBreak.h"

class QCheckBox;

namespace kesto {

class CConvertDlg : public QDialog {
    Q_OBJECT
public:
    CConvertDlg(std::optional<ConversionDirection>& choice, QWidget* parent = nullptr);

    // In the order: UNIX to DOS, UNIX to Mac, DOS to UNIX, DOS to Mac, Mac to DOS, Mac to UNIX.
    QCheckBox* box(std::size_t index) const { return m_boxes.at(index); }

private:
    void OnTicked(std::size_t index);
    void OnOk();

    std::optional<ConversionDirection>& m_choice;
    std::array<QCheckBox*, 6> m_boxes{};
};

}  // namespace kesto
