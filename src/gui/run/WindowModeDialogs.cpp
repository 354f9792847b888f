#include "gui/run/WindowModeDialogs.h"

#include <algorithm>

#include "gui/app/KestoDoc.h"
#include "gui/batch/BatchModeDlg.h"
#include "gui/batch/EditPairsDlg.h"
#include "gui/run/SearchReplaceDlg.h"
#include "gui/selection/ExFileTemp.h"
#include "gui/selection/OverrideDlg.h"
#include "platform/qt/DisplayText.h"

namespace kesto {

namespace {

// "Source Files| *.c;*.h" offers the files "*.c *.h" under the name "Source Files".
QString FileDialogFilter(const std::string& namedFilter) {
    const QString text = DisplayText(namedFilter);
    const qsizetype bar = text.indexOf(u'|');
    const QString name = bar < 0 ? text : text.left(bar);
    QString patterns = bar < 0 ? text : text.mid(bar + 1);
    patterns = patterns.replace(u';', u' ').trimmed();
    if (patterns.isEmpty()) patterns = QStringLiteral("*");
    return name.trimmed() + QStringLiteral(" (") + patterns + QStringLiteral(")");
}

}  // namespace

WindowModeDialogs::WindowModeDialogs(CKestoDoc& doc, QWidget* parent)
    : m_doc(doc), m_parent(parent) {
}

ModeDialogChoice WindowModeDialogs::ShowSingleModeDialog(bool showPreviousValues) {
    CSearchReplaceDlg::Doors doors;
    doors.selectFiles = [this](QWidget* parent) { return SelectFiles(m_doc, parent); };
    doors.batchMode = true;
    doors.override = [this](QWidget* parent) {
        COverrideDlg(m_doc.session().extensions(), parent).exec();
    };
    CSearchReplaceDlg dialog(m_doc, showPreviousValues, m_lastSpecialCharSession, doors,
                             m_parent.data());
    const int result = dialog.exec();
    if (result == QDialog::Accepted) {
        m_lastSpecialCharSession = dialog.form().specialCharSessionAtBegin();
        return {ModeDialogResult::Begin, dialog.form().request()};
    }
    if (dialog.batchModeChosen()) return {ModeDialogResult::SwitchMode, dialog.form().request()};
    return {};
}

ModeDialogChoice WindowModeDialogs::ShowBatchDialog(bool showPreviousValues) {
    CBatchModeDlg dialog(
        m_doc, showPreviousValues, [this](QWidget* parent) { return SelectFiles(m_doc, parent); },
        [this](QWidget* parent) {
            return CEditPairsDlg(m_doc, parent).exec() == QDialog::Accepted;
        },
        m_parent.data());
    if (dialog.exec() == QDialog::Accepted) return {ModeDialogResult::Begin, dialog.request()};
    if (dialog.singleModeChosen()) return {ModeDialogResult::SwitchMode, dialog.request()};
    return {};
}

bool WindowModeDialogs::SelectFiles(CKestoDoc& doc, QWidget* parent) {
    Settings& settings = doc.session().settings;
    QStringList fileTypes;
    for (const std::string& named : settings.fileFilters) fileTypes << FileDialogFilter(named);
    if (fileTypes.isEmpty()) fileTypes << QStringLiteral("All Files (*)");
    CExFileTemp dialog(doc.session().searchFileList, fileTypes, settings.lastFilterIndex,
                       DisplayText(settings.lastPath), parent);
    dialog.exec();
    settings.lastFilterIndex = std::max(dialog.filterIndex(), 1);
    WriteSetting(doc.session().ini, settings, SettingKey::LastFilterIndex);
    if (!dialog.lastFolder().isEmpty()) {
        settings.lastPath = TypedBytes(dialog.lastFolder());
        WriteSetting(doc.session().ini, settings, SettingKey::LastPath);
    }
    return true;
}

}  // namespace kesto
