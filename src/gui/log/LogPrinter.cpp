#include "gui/log/LogPrinter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QPrinter>
#include <algorithm>

#include "gui/log/ChangeHighlight.h"
#include "platform/qt/DisplayText.h"

namespace kesto {

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kLeftMarginTwips = 10;

QFont PrintFont(int pointSize) {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(std::max(pointSize, 1));
    font.setWeight(QFont::Normal);
    return font;
}

}  // namespace

LogPrinter::LogPrinter(const LogStore& store, int lines, int linesPerPage, int fontPointSize)
    : m_store(store),
      m_lines(std::min(lines, store.logLineCount())),
      m_linesPerPage(linesPerPage),
      m_fontPointSize(fontPointSize) {
}

bool LogPrinter::Print(QPrinter& printer, int fromPage, int toPage) const {
    const int pages = pageCount();
    if (pages == 0) return false;
    const int first = fromPage <= 0 ? 1 : std::min(fromPage, pages);
    const int last = toPage <= 0 ? pages : std::clamp(toPage, first, pages);

    QPainter painter;
    if (!painter.begin(&printer)) return false;
    painter.setFont(PrintFont(m_fontPointSize));
    const QFontMetrics metrics = painter.fontMetrics();
    const int advance = metrics.height() + metrics.leading();
    const int left = printer.resolution() * kLeftMarginTwips / kTwipsPerInch;
    const QColor highlight = ChangeHighlight::ColorOf(QPalette());

    for (int page = first; page <= last; ++page) {
        if (page != first) printer.newPage();
        const PrintLineRange range = PageLines(page, m_linesPerPage, m_lines);
        int baseline = metrics.ascent();
        for (int index = range.first; index < range.end; ++index) {
            const QString line = DisplayText(m_store.line(index));
            const auto neighbour = [this](int other) {
                return other >= 0 && other < m_lines ? DisplayText(m_store.line(other)) : QString();
            };
            const std::vector<Span> changed =
                ChangeHighlight::SpansOf(line, neighbour(index - 1), neighbour(index + 1));
            ChangeHighlight::Paint(painter, metrics, line, changed, left,
                                   baseline - metrics.ascent(), metrics.height(), highlight);
            painter.drawText(left, baseline, line);
            baseline += advance;
        }
    }
    return painter.end();
}

}  // namespace kesto
