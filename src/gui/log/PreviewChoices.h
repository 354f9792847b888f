// CPreviewChoices: the changes of a preview, file by file, each with a check box, all
// ticked at first. Unticking a file drops its changes, unticking a change drops that one
// alone; Space toggles the current item. The chosen changes are what Apply Preview applies
// and Save as Diff saves.
#pragma once

#include <QWidget>
#include <vector>

#include "patch/FilePatch.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace kesto {

class CPreviewChoices : public QWidget {
    Q_OBJECT
public:
    explicit CPreviewChoices(QWidget* parent = nullptr);

    // Lists `patches`; with `lineForLine` each changed line is a change of its own.
    void ShowChanges(std::vector<FilePatch> patches, bool lineForLine);

    // Whether every change is chosen.
    bool AllChosen() const;
    // The patches with only the chosen changes; files with none chosen are left out.
    std::vector<FilePatch> ChosenPatches() const;
    int chosenChanges() const;
    int chosenFiles() const;
    int changeCount() const { return m_changeCount; }

    QTreeWidget* tree() const { return m_tree; }
    QLabel* countLabel() const { return m_count; }

signals:
    void choiceChanged();

private:
    void UpdateCount();
    bool Chosen(int file, std::size_t change) const;

    QLabel* m_count;
    QTreeWidget* m_tree;
    std::vector<FilePatch> m_patches;
    bool m_lineForLine = false;
    int m_changeCount = 0;
};

}  // namespace kesto
