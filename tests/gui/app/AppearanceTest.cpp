// How the main window looks: the pictures of its commands (the theme's, else the program's
// own, which the offscreen platform shows since it has no icon theme), drawn sharp at a
// device pixel ratio of 2 and in the palette's colours, and the window area following a
// palette that changes.
#include <QAction>
#include <QImage>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QToolBar>

#include "gui/app/SymbolicIconEngine.h"
#include "support/GuiFixture.h"
#include "support/Palettes.h"

namespace kesto {
namespace {

using test::ContrastRatio;
using test::ScopedPalette;

// The pixels of `image` that are not fully transparent.
int InkedPixels(const QImage& image) {
    int inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) inked += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    }
    return inked;
}

// The average colour of the nearly opaque pixels of `image`: the ink of a drawn icon.
QColor InkOf(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    double red = 0, green = 0, blue = 0;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) < 224) continue;
            red += qRed(pixel);
            green += qGreen(pixel);
            blue += qBlue(pixel);
            ++count;
        }
    }
    if (count == 0) return {};
    return QColor(static_cast<int>(red / count), static_cast<int>(green / count),
                  static_cast<int>(blue / count));
}

class AppearanceTest : public test::GuiFixture {
protected:
    std::vector<QAction*> ToolBarActions() {
        std::vector<QAction*> actions;
        auto* bar = Frame().findChild<QToolBar*>(QStringLiteral("ToolBar"));
        EXPECT_NE(bar, nullptr);
        if (!bar) return actions;
        for (QAction* act : bar->actions()) {
            if (!act->isSeparator()) actions.push_back(act);
        }
        return actions;
    }
};

TEST_F(AppearanceTest, EachToolbarButtonTakesTheFreedesktopIconOfItsCommand) {
    std::vector<QString> names;
    for (QAction* act : ToolBarActions()) names.push_back(act->icon().name());
    const std::vector<QString> expected = {"document-new",    "document-open",  "document-save",
                                           "dialog-ok-apply", "document-print", "edit-find",
                                           "edit-find-next",  "go-next",        "go-previous",
                                           "go-jump",         "window-close",   "help-contents"};
    EXPECT_EQ(names, expected);
}

TEST_F(AppearanceTest, WithoutAnIconThemeEachToolbarButtonDrawsOurPictureAt16And32Pixels) {
    for (QAction* act : ToolBarActions()) {
        SCOPED_TRACE(act->toolTip().toStdString());
        const QIcon own = SymbolicIconEngine::Own(act->icon().name());
        ASSERT_FALSE(own.isNull()) << "a picture of our own for a desktop without the theme's";
        for (const QIcon& icon : {act->icon(), own}) {
            for (int side : {16, 32}) {
                const QImage image = icon.pixmap(QSize(side, side)).toImage();
                EXPECT_EQ(image.size(), QSize(side, side));
                EXPECT_GE(InkedPixels(image), 2 * side) << side << " pixels: not blank";
            }
        }
    }
}

TEST_F(AppearanceTest, AtTwoDevicePixelsAPixelTheIconsAreDrawnForTheDeviceNotScaledUp) {
    for (QAction* act : ToolBarActions()) {
        SCOPED_TRACE(act->toolTip().toStdString());
        const QIcon icon = act->icon();
        const QPixmap pixmap = icon.pixmap(QSize(16, 16), 2.0);
        EXPECT_EQ(pixmap.size(), QSize(32, 32));
        EXPECT_EQ(pixmap.devicePixelRatio(), 2.0);

        // Painted into a device of ratio 2, as a toolbar on such a screen paints it: the
        // same pixels as the picture drawn at 32 pixels.
        QImage canvas(32, 32, QImage::Format_ARGB32_Premultiplied);
        canvas.setDevicePixelRatio(2.0);
        canvas.fill(Qt::transparent);
        {
            QPainter painter(&canvas);
            icon.paint(&painter, QRect(0, 0, 16, 16));
        }
        const QImage direct = icon.pixmap(QSize(32, 32))
                                  .toImage()
                                  .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        canvas.setDevicePixelRatio(1.0);
        EXPECT_TRUE(canvas == direct) << "painted otherwise than drawn at 32 pixels";
    }
}

TEST_F(AppearanceTest, OurPicturesAreDrawnInThePalettesButtonTextOnLightAndDarkPalettes) {
    for (const QPalette& palette : {test::LightFusionPalette(), test::DarkFusionPalette()}) {
        const ScopedPalette applied(palette);
        const QColor button = palette.color(QPalette::Button);
        for (QAction* act : ToolBarActions()) {
            SCOPED_TRACE(act->toolTip().toStdString());
            const QColor ink = InkOf(act->icon().pixmap(QSize(16, 16)).toImage());
            ASSERT_TRUE(ink.isValid());
            EXPECT_GE(ContrastRatio(ink, button), 7.0)
                << ink.name().toStdString() << " on " << button.name().toStdString();
            const QColor disabled =
                InkOf(act->icon().pixmap(QSize(16, 16), QIcon::Disabled).toImage());
            EXPECT_LT(
                ContrastRatio(disabled, palette.color(QPalette::Disabled, QPalette::ButtonText)),
                1.05)
                << "a disabled command is drawn in the disabled text colour";
        }
    }
}

TEST_F(AppearanceTest, MenuCommandsShowTheirPicturesAndOptionsInTheMenuBarKeepsItsText) {
    ASSERT_NE(Open(WriteLog("a.log", {"a", "b", "c"})), nullptr);
    int pictured = 0;
    for (QAction* item : Frame().menuBar()->actions()) {
        if (!item->menu()) {
            EXPECT_TRUE(item->icon().isNull()) << item->text().toStdString();
            continue;
        }
        for (QAction* command : item->menu()->actions()) {
            if (command->icon().isNull()) continue;
            ++pictured;
            EXPECT_TRUE(command->isIconVisibleInMenu()) << command->text().toStdString();
        }
    }
    EXPECT_GE(pictured, 15);
}

TEST_F(AppearanceTest, TheWindowAreaBehindTheLogWindowsFollowsAChangedPalette) {
    Frame();
    const QPalette dark = test::DarkFusionPalette();
    const ScopedPalette applied(dark);
    const QImage area = Frame().mdiArea()->viewport()->grab().toImage();
    EXPECT_EQ(QColor(area.pixel(area.width() / 2, area.height() / 2)).name(),
              dark.color(QPalette::Dark).name());
}

}  // namespace
}  // namespace kesto
