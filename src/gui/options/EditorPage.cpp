#include "gui/options/EditorPage.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/app/KeyboardAccess.h"
#include "platform/qt/DisplayText.h"

namespace kesto {

namespace {

constexpr int kEditorHelpContext = 3015;

}  // namespace

CEditor::CEditor(CKestoDoc& doc, QWidget* parent)
    : COptionsPage(doc, kEditorHelpContext, parent), m_editor(new QLineEdit(this)) {
    askProgram = [](QWidget* owner) {
        return QFileDialog::getOpenFileName(owner, QStringLiteral("Select File Editor"), QString(),
                                            QStringLiteral("Programs (*) ;;All Files (*.*) "));
    };
    auto* text = new QLabel(
        QStringLiteral("Double Clicking on a file or file line in the display will invoke the "
                       "editor you select below passing it the file name and optionally the line "
                       "number if the editor is capable of starting to a line number"),
        this);
    text->setWordWrap(true);
    auto* label = new QLabel(QStringLiteral("Editor &Application:"), this);
    label->setBuddy(m_editor);
    auto* browse = new QPushButton(QStringLiteral("&?"), this);
    browse->setMaximumWidth(32);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString picked = askProgram(this);
        if (!picked.isEmpty()) m_editor->setText(picked);
    });
    auto* grid = new QGridLayout;
    grid->addWidget(label, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Browse"), this), 0, 1);
    grid->addWidget(m_editor, 1, 0);
    grid->addWidget(browse, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addLayout(grid);
    layout->addStretch();
    browse->setAccessibleName(QStringLiteral("Browse"));
    NameControlsAfterLabels(this);
}

void CEditor::OnSetActive() {
    m_editor->setText(DisplayText(settings().editor));
}

bool CEditor::OnKillActive() {
    const std::string typed = TypedBytes(m_editor->text());
    // An empty field stands for the default editor.
    settings().editor = typed.empty() ? std::string(RowOf(SettingKey::Editor).defaultValue) : typed;
    WriteSettings({SettingKey::Editor});
    return true;
}

}  // namespace kesto
