#include "platform/qt/EditorLauncher.h"

#include <QProcess>

namespace kesto {

namespace {

struct Placeholder {
    qsizetype word = -1;
    qsizetype position = -1;
    bool found() const { return word >= 0; }
};

Placeholder FindFirst(const QStringList& words, const QString& placeholder) {
    for (qsizetype w = 0; w < words.size(); ++w) {
        const qsizetype at = words[w].indexOf(placeholder);
        if (at >= 0) return {w, at};
    }
    return {};
}

}  // namespace

QStringList BuildEditorCommand(const QString& editorTemplate, const QString& path, int line) {
    QStringList words = QProcess::splitCommand(editorTemplate);
    if (words.isEmpty()) return {};
    const Placeholder file = FindFirst(words, QStringLiteral("%f"));
    if (!file.found()) {
        words.append(path);
        return words;
    }
    const Placeholder number = FindFirst(words, QStringLiteral("%l"));
    // Both placeholders may share a word: replace the later one first so the position of
    // the earlier one still holds.
    const bool numberFirst =
        number.found() && (number.word != file.word || number.position > file.position);
    const auto fill = [&words](const Placeholder& at, const QString& text) {
        words[at.word].replace(at.position, 2, text);
    };
    if (numberFirst) fill(number, QString::number(line));
    fill(file, path);
    if (number.found() && !numberFirst) fill(number, QString::number(line));
    return words;
}

bool LaunchEditor(const QStringList& command) {
    if (command.isEmpty()) return false;
    return QProcess::startDetached(command.first(), command.mid(1));
}

}  // namespace kesto
