#include "gui/log/LogItemDelegate.h"

#include <QFontMetrics>
#include <QPainter>

#include "gui/log/ChangeHighlight.h"

namespace kesto {

LogItemDelegate::LogItemDelegate(const QFont& font, QObject* parent)
    : QStyledItemDelegate(parent), m_font(font) {
    const QFontMetrics metrics(m_font);
    m_itemHeight = metrics.height() + metrics.leading() + 3;
    m_charWidth = metrics.averageCharWidth();
}

QSize LogItemDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {m_extentWidth, m_itemHeight};
}

void LogItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    painter->save();
    painter->fillRect(option.rect, option.palette.base());
    painter->setFont(m_font);
    painter->setPen(option.palette.text().color());
    const QString text = index.data(Qt::DisplayRole).toString();
    const auto neighbour = [&index](int step) {
        const QModelIndex other = index.siblingAtRow(index.row() + step);
        return other.isValid() ? other.data(Qt::DisplayRole).toString() : QString();
    };
    const std::vector<Span> changed = ChangeHighlight::SpansOf(text, neighbour(-1), neighbour(1));
    if (!changed.empty()) {
        ChangeHighlight::Paint(*painter, QFontMetrics(m_font), text, changed,
                               option.rect.left() + 2, option.rect.top() + 1,
                               option.rect.height() - 2, ChangeHighlight::ColorOf(option.palette));
    }
    painter->drawText(option.rect.adjusted(2, 0, 0, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                      text);
    if (option.state & QStyle::State_Selected) {
        painter->setPen(QPen(QColor(255, 0, 0), 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

}  // namespace kesto
