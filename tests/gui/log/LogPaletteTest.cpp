// The log as painted under a light and a dark palette: its text stands out from its
// background, and so does the text of the characters a change marks.
#include <QFontMetrics>
#include <QImage>
#include <QListView>

#include "support/GuiFixture.h"
#include "support/Palettes.h"

namespace kesto {
namespace {

using test::ContrastRatio;
using test::Luminance;

// The colour among the pixels of `area` of `image` that stands out most from `background`:
// the text drawn there.
QColor TextIn(const QImage& image, const QRect& area, const QColor& background) {
    QColor text = background;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel(image.pixel(x, y));
            if (ContrastRatio(pixel, background) > ContrastRatio(text, background)) text = pixel;
        }
    }
    return text;
}

class LogPaletteTest : public test::GuiFixture {
protected:
    // The ORG/MOD pair "a cat sat" -> "a dog sat", painted under `palette`.
    struct Painted {
        QImage image;
        QRect plainRow;    // "     File --- ...", nothing marked
        QRect markedWord;  // "cat" of the ORG line, marked as changed
    };

    Painted PaintPair(const QPalette& palette) {
        const test::ScopedPalette applied(palette);
        CChildFrame* child =
            Open(WriteLog("pair.log", {"     File --- /w/a.txt", "ORG: 00001 a cat sat",
                                       "MOD: 00001 a dog sat", " "}));
        EXPECT_NE(child, nullptr);
        QListView& list = *child->view().list();
        list.clearSelection();  // no red frame over the rows looked at
        QApplication::processEvents();
        Painted painted{list.viewport()->grab().toImage(), {}, {}};
        const QFontMetrics metrics(list.font());
        painted.plainRow = list.visualRect(list.model()->index(0, 0)).adjusted(2, 1, 0, -1);
        painted.plainRow.setWidth(metrics.horizontalAdvance("     File --- /w/a.txt"));
        const QRect org = list.visualRect(list.model()->index(1, 0));
        const int left = org.left() + 2 + metrics.horizontalAdvance("ORG: 00001 a ");
        painted.markedWord =
            QRect(left, org.top() + 1, metrics.horizontalAdvance("cat"), org.height() - 2);
        child->close();
        return painted;
    }
};

TEST_F(LogPaletteTest, UnderADarkPaletteTheLogIsLightTextOnADarkBackground) {
    const QPalette dark = test::DarkFusionPalette();
    const Painted painted = PaintPair(dark);
    const QColor background(painted.image.pixel(painted.image.width() - 4, 2));
    EXPECT_EQ(background.name(), dark.color(QPalette::Base).name());
    EXPECT_LT(Luminance(background), 0.05);
    const QColor text = TextIn(painted.image, painted.plainRow, background);
    EXPECT_GT(Luminance(text), 0.6) << text.name().toStdString();
    EXPECT_GE(ContrastRatio(text, background), 7.0);
}

TEST_F(LogPaletteTest, TheMarkedCharactersOfAChangeStayReadableUnderBothPalettes) {
    for (const QPalette& palette : {test::LightFusionPalette(), test::DarkFusionPalette()}) {
        const Painted painted = PaintPair(palette);
        const QColor base = palette.color(QPalette::Base);
        // The top pixel row of the mark holds no glyph: the mark's own colour.
        const QColor mark(
            painted.image.pixel(painted.markedWord.center().x(), painted.markedWord.top()));
        EXPECT_GE(ContrastRatio(mark, base), 1.3) << "the mark shows: " << mark.name().toStdString()
                                                  << " on " << base.name().toStdString();
        const QColor text = TextIn(painted.image, painted.markedWord, mark);
        EXPECT_GE(ContrastRatio(text, mark), 4.5)
            << text.name().toStdString() << " on " << mark.name().toStdString();
    }
}

}  // namespace
}  // namespace kesto
