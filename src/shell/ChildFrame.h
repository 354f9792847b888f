// CChildFrame: a session window inside the main frame. It owns the window's document and
// log view, and refuses to close while the window's session runs.
#pragma once

#include <QMdiSubWindow>
#include <memory>

namespace kesto {

class CKestoDoc;
class CKestoView;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(std::unique_ptr<CKestoDoc> doc, QWidget* parent = nullptr);
    ~CChildFrame() override;

    CKestoDoc& document() { return *m_doc; }
    CKestoView& view() { return *m_view; }

    // Shows the document's name as the window title.
    void UpdateTitle();

    static const char* const kStillRunningMessage;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<CKestoDoc> m_doc;
    CKestoView* m_view;
};

}  // namespace kesto
