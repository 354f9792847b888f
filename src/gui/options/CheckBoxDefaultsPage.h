// CCheckBoxDefaultsPage: "CheckBox Defaults": what the mode dialogs start with in a new
// window: the file choice, subdirectories, Match Case, Confirm, and whether a remembered
// string's special characters or wildcards switch their session on or ask.
#pragma once

#include "gui/options/OptionsPage.h"

class QCheckBox;

namespace kesto {

class CCheckBoxDefaultsPage : public COptionsPage {
    Q_OBJECT
public:
    enum Box {
        ViaFileDialog,
        ByStartDirectory,
        SearchSubdirectories,
        MatchCase,
        ConfirmEach,
        AutoSpecial,
        PromptSpecial,
        AutoWildCard,
        PromptWildCard,
        kBoxCount
    };

    explicit CCheckBoxDefaultsPage(CKestoDoc& doc, QWidget* parent = nullptr);

    void OnSetActive() override;
    bool OnKillActive() override;

    QCheckBox* box(Box which) const { return m_boxes.at(which); }

private:
    void Pair(Box first, Box second);

    std::array<QCheckBox*, kBoxCount> m_boxes{};
};

}  // namespace kesto
