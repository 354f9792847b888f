// CPrefPage: "Preferences": tab width, remembered strings, frame thickness, and three
// switches of the log and the start of a window.
#pragma once

#include "gui/options/OptionsPage.h"

class QCheckBox;
class QLineEdit;

namespace kesto {

class CPrefPage : public COptionsPage {
    Q_OBJECT
public:
    explicit CPrefPage(CKestoDoc& doc, QWidget* parent = nullptr);

    void OnSetActive() override;
    bool OnKillActive() override;

    QLineEdit* tabsField() const { return m_tabs; }
    QLineEdit* rememberField() const { return m_remember; }
    QLineEdit* borderField() const { return m_border; }
    QCheckBox* showNoFindsBox() const { return m_showNoFinds; }
    QCheckBox* suppressBox() const { return m_suppress; }
    QCheckBox* startSingleBox() const { return m_startSingle; }
    QCheckBox* skipBinaryBox() const { return m_skipBinary; }
    QCheckBox* respectIgnoreBox() const { return m_respectIgnore; }
    QCheckBox* unicodeCaseBox() const { return m_unicodeCase; }

private:
    QLineEdit* m_tabs;
    QLineEdit* m_remember;
    QLineEdit* m_border;
    QCheckBox* m_showNoFinds;
    QCheckBox* m_suppress;
    QCheckBox* m_startSingle;
    QCheckBox* m_skipBinary;
    QCheckBox* m_respectIgnore;
    QCheckBox* m_unicodeCase;
};

}  // namespace kesto
