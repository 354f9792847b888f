// ChangeHighlight: what a change altered in a line of the log, shown as a background behind
// those characters: in an ORG line what the run took out, in the MOD line after it what the
// run put in. The same in the view and on paper.
#pragma once

#include <QColor>
#include <QString>
#include <vector>

#include "text/UnifiedDiff.h"

class QFontMetrics;
class QPainter;
class QPalette;

namespace kesto {

class ChangeHighlight {
public:
    // The changed characters of the shown `line`, given the shown lines before and after it
    // (empty when there are none); nothing for a line that is not half of an ORG/MOD pair.
    static std::vector<Span> SpansOf(const QString& line, const QString& previous,
                                     const QString& next);

    // Fills the background of `spans` of `line`, drawn from `left` with `metrics`, between
    // `top` and `top + height`.
    static void Paint(QPainter& painter, const QFontMetrics& metrics, const QString& line,
                      const std::vector<Span>& spans, int left, int top, int height,
                      const QColor& color);

    // The palette's highlight, light enough that the text stays readable on the base.
    static QColor ColorOf(const QPalette& palette);
};

}  // namespace kesto
