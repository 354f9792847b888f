// WindowModeDialogs: the mode dialogs of one session window, as the session's StartRun
// asks for them. It remembers what the dialogs hand from one showing to the next (the
// Special Char Session state of the last Begin).
#pragma once

#include <QPointer>
#include <QWidget>

#include "session/SessionHosts.h"

namespace kesto {

class CKestoDoc;

class WindowModeDialogs : public ModeDialogs {
public:
    WindowModeDialogs(CKestoDoc& doc, QWidget* parent);

    ModeDialogChoice ShowSingleModeDialog(bool showPreviousValues) override;
    ModeDialogChoice ShowBatchDialog(bool showPreviousValues) override;

    // The file dialog with its Search File List: adds files to the session's list.
    static bool SelectFiles(CKestoDoc& doc, QWidget* parent);

private:
    CKestoDoc& m_doc;
    QPointer<QWidget> m_parent;
    bool m_lastSpecialCharSession = false;
};

}  // namespace kesto
