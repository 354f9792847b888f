#include "gui/log/ChangeHighlight.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

namespace kesto {
namespace {

// "ORG: 00001 " and "MOD: 00001 ": the marks are five characters; the line numbers of a
// pair are the same and never show as changed.
constexpr qsizetype kMarkLength = 5;

std::vector<std::uint32_t> Units(const QString& text) {
    std::vector<std::uint32_t> units;
    units.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = kMarkLength; i < text.size(); ++i) units.push_back(text[i].unicode());
    return units;
}

std::vector<Span> Shifted(std::vector<Span> spans) {
    for (Span& span : spans) {
        span.begin += kMarkLength;
        span.end += kMarkLength;
    }
    return spans;
}

}  // namespace

std::vector<Span> ChangeHighlight::SpansOf(const QString& line, const QString& previous,
                                           const QString& next) {
    const auto marked = [](const QString& text, const char* mark) {
        return text.startsWith(QLatin1String(mark));
    };
    if (marked(line, "ORG: ") && marked(next, "MOD: ")) {
        return Shifted(UnifiedDiff::ChangedPartsOf(Units(line), Units(next)).before);
    }
    if (marked(line, "MOD: ") && marked(previous, "ORG: ")) {
        return Shifted(UnifiedDiff::ChangedPartsOf(Units(previous), Units(line)).after);
    }
    return {};
}

void ChangeHighlight::Paint(QPainter& painter, const QFontMetrics& metrics, const QString& line,
                            const std::vector<Span>& spans, int left, int top, int height,
                            const QColor& color) {
    for (const Span& span : spans) {
        const auto begin = static_cast<qsizetype>(span.begin);
        const auto length = static_cast<qsizetype>(span.end - span.begin);
        const int x = left + metrics.horizontalAdvance(line.left(begin));
        const int width = std::max(metrics.horizontalAdvance(line.mid(begin, length)), 2);
        painter.fillRect(x, top, width, height, color);
    }
}

QColor ChangeHighlight::ColorOf(const QPalette& palette) {
    QColor color = palette.color(QPalette::Highlight);
    color.setAlpha(90);
    return color;
}

}  // namespace kesto
