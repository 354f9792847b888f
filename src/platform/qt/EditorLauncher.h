// EditorLauncher: the external editor command of the "Editor" setting, started without a
// shell.
//
// The template is split into words as a shell would split it; its first "%f" becomes the
// file name and its first "%l" the line number, inside the words, so a file name with
// blanks or shell characters stays one argument. A template without "%f" gets the file
// name as its last argument and no line number.
#pragma once

#include <QString>
#include <QStringList>

namespace kesto {

// Program first, then its arguments; empty when the template names no program.
QStringList BuildEditorCommand(const QString& editorTemplate, const QString& path, int line);

// Starts the command as a program of its own; the caller does not wait for it.
bool LaunchEditor(const QStringList& command);

}  // namespace kesto
