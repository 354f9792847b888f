// LogListModel: the display list of a log window, one row per line of the current display
// frame. Rows refer to lines of the store by index; no text is copied until a row is
// drawn.
#pragma once

#include <QAbstractListModel>

#include "log/DisplayFrames.h"
#include "log/LogStore.h"

namespace kesto {

class LogListModel : public QAbstractListModel {
    Q_OBJECT
public:
    LogListModel(const LogStore& store, const DisplayFrames& frames, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Shows the lines of the current frame (the frame build).
    void Rebuild();
    // Follows a store that grows while a run fills the current frame; rebuilds when it
    // was emptied (an aborted run clears the log).
    void SyncWithStore();
    // Draws nothing (a saved log is being read).
    void SetSuppressed(bool suppressed);

    // The font's average character width: a line of `length` characters that would reach
    // 32701 pixels is drawn shortened.
    void SetCharWidth(int pixels) { m_charWidth = pixels; }
    static QString DisplayedLine(std::string_view line, int charWidth);

private:
    int FrameRowsInStore() const;

    const LogStore& m_store;
    const DisplayFrames& m_frames;
    int m_rows = 0;
    int m_charWidth = 6;
    bool m_suppressed = false;
};

}  // namespace kesto
