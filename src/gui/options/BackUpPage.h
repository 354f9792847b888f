// CBackUp: "Back Ups": whether backups are kept (or deleted permanently), and how they are
// named: a character put in front of the extension, or a replacement extension.
#pragma once

#include "gui/options/OptionsPage.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace kesto {

class CBackUp : public COptionsPage {
    Q_OBJECT
public:
    explicit CBackUp(CKestoDoc& doc, QWidget* parent = nullptr);

    void OnSetActive() override;
    bool OnKillActive() override;

    QRadioButton* retainNo() const { return m_retainNo; }
    QRadioButton* retainYes() const { return m_retainYes; }
    QCheckBox* deletePermanently() const { return m_deletePermanently; }
    QCheckBox* prependBox() const { return m_prepend; }
    QCheckBox* replaceBox() const { return m_replace; }
    QLineEdit* characterField() const { return m_character; }
    QLineEdit* extensionField() const { return m_extension; }
    QSpinBox* keepRunsField() const { return m_keepRuns; }
    QCheckBox* skipBackupsBox() const { return m_skipBackups; }

private:
    void UpdateEnabling();

    QRadioButton* m_retainNo;
    QRadioButton* m_retainYes;
    QCheckBox* m_deletePermanently;
    QCheckBox* m_prepend;
    QCheckBox* m_replace;
    QLineEdit* m_character;
    QLineEdit* m_extension;
    QSpinBox* m_keepRuns;
    QCheckBox* m_skipBackups;
};

}  // namespace kesto
