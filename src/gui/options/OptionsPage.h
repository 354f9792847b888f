// COptionsPage: one page of the options sheet. It fills its controls from the document
// each time it is shown and checks, stores and writes them when it is left; a failed check
// keeps the page on top with the focus on the field concerned.
#pragma once

#include <QWidget>
#include <initializer_list>

#include "gui/app/KestoDoc.h"

class QPushButton;

namespace kesto {

class COptionsPage : public QWidget {
    Q_OBJECT
public:
    COptionsPage(CKestoDoc& doc, int helpContext, QWidget* parent = nullptr)
        : QWidget(parent), m_doc(doc), m_helpContext(helpContext) {}

    virtual void OnSetActive() = 0;
    // False when a check failed: the message was shown and nothing was stored.
    virtual bool OnKillActive() = 0;
    int helpContext() const { return m_helpContext; }
    // The button Enter presses while this page is on top; none: the sheet's OK.
    virtual QPushButton* defaultButton() const { return nullptr; }

protected:
    CKestoDoc& doc() { return m_doc; }
    Settings& settings() { return m_doc.session().settings; }
    const IniFile& ini() { return m_doc.session().ini; }
    Prompter& prompter() { return m_doc.session().hosts().prompter; }
    // In the order given: a key new to the file is added after the ones before it.
    void WriteSettings(std::initializer_list<SettingKey> keys) {
        for (SettingKey key : keys) WriteSetting(ini(), settings(), key);
    }

private:
    CKestoDoc& m_doc;
    int m_helpContext;
};

}  // namespace kesto
