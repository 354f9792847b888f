#include "gui/log/LogListModel.h"

#include "platform/qt/DisplayText.h"

namespace kesto {

namespace {

constexpr int kWidestDrawnLine = 32701;  // pixels
constexpr std::size_t kShortenedPrefix = 10;

}  // namespace

LogListModel::LogListModel(const LogStore& store, const DisplayFrames& frames, QObject* parent)
    : QAbstractListModel(parent), m_store(store), m_frames(frames) {
}

int LogListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

QString LogListModel::DisplayedLine(std::string_view line, int charWidth) {
    if (static_cast<long long>(line.size()) * charWidth >= kWidestDrawnLine) {
        return DisplayText(line.substr(0, kShortenedPrefix)) +
               QStringLiteral(" Line to long to display");
    }
    return DisplayText(line);
}

QVariant LogListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows || role != Qt::DisplayRole) return {};
    const int line = m_frames.AbsoluteIndex(index.row());
    if (line >= m_store.logLineCount()) return {};
    return DisplayedLine(m_store.line(line), m_charWidth);
}

int LogListModel::FrameRowsInStore() const {
    if (m_suppressed) return 0;
    return m_frames.EndLine(m_store.logLineCount()) - m_frames.FirstLine();
}

void LogListModel::Rebuild() {
    beginResetModel();
    m_rows = FrameRowsInStore();
    endResetModel();
}

void LogListModel::SyncWithStore() {
    const int rows = FrameRowsInStore();
    if (rows < m_rows) {
        Rebuild();
    } else if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    }
}

void LogListModel::SetSuppressed(bool suppressed) {
    m_suppressed = suppressed;
    Rebuild();
}

}  // namespace kesto
