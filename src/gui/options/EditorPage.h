// CEditor: "Editor": the command a double-click on a log line starts.
#pragma once

#include <functional>

#include "gui/options/OptionsPage.h"

class QLineEdit;

namespace kesto {

class CEditor : public COptionsPage {
    Q_OBJECT
public:
    explicit CEditor(CKestoDoc& doc, QWidget* parent = nullptr);

    void OnSetActive() override;
    bool OnKillActive() override;

    QLineEdit* editorField() const { return m_editor; }
    // How "&?" asks for a program; tests answer instead.
    std::function<QString(QWidget*)> askProgram;

private:
    QLineEdit* m_editor;
};

}  // namespace kesto
