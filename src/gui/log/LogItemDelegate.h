// LogItemDelegate: draws one line of the log list: the text on one line, vertically
// centred, tabs and "&" as they are, and the selected line framed by one red pixel instead
// of a filled background. All items have the height of the font plus its leading plus 3.
#pragma once

#include <QFont>
#include <QStyledItemDelegate>

namespace kesto {

class LogItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit LogItemDelegate(const QFont& font, QObject* parent = nullptr);

    int itemHeight() const { return m_itemHeight; }
    int charWidth() const { return m_charWidth; }
    // The width of every item: the horizontal scroll extent of the list.
    void SetExtentWidth(int pixels) { m_extentWidth = pixels; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QFont m_font;
    int m_itemHeight = 16;
    int m_charWidth = 6;
    int m_extentWidth = 0;
};

}  // namespace kesto
