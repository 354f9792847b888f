// COverrideDlg: "OverRide": extensions of the always-exclude list searched all the same in
// this window's runs. The override list changes only with Done.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

namespace kesto {

class ExtensionLists;

class COverrideDlg : public QDialog {
    Q_OBJECT
public:
    explicit COverrideDlg(ExtensionLists& lists, QWidget* parent = nullptr);

    QListWidget* excludedList() const { return m_excluded; }
    QListWidget* overrideList() const { return m_override; }
    QPushButton* copyButton() const { return m_copy; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* doneButton() const { return m_done; }

private:
    void OnCopy();
    void OnDelete();
    void OnDone();

    ExtensionLists& m_lists;
    QListWidget* m_excluded;
    QListWidget* m_override;
    QPushButton* m_copy;
    QPushButton* m_delete;
    QPushButton* m_done;
};

}  // namespace kesto
