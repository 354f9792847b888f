// The palettes the window is checked under: Fusion's own light one and a dark one as dark
// desktops give it, and how far apart two painted colours are.
#pragma once

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace kesto::test {

inline QPalette LightFusionPalette() {
    return QApplication::style()->standardPalette();
}

inline QPalette DarkFusionPalette() {
    // Light text on dark grey; Light, Dark, Mid and Shadow are derived from the button.
    QPalette palette(QColor(53, 53, 53));
    const QColor text(232, 232, 232);
    const QColor faded(128, 128, 128);
    palette.setColor(QPalette::Window, QColor(53, 53, 53));
    palette.setColor(QPalette::Base, QColor(30, 30, 30));
    palette.setColor(QPalette::AlternateBase, QColor(45, 45, 45));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                                     QPalette::ToolTipText, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Active, role, text);
        palette.setColor(QPalette::Inactive, role, text);
        palette.setColor(QPalette::Disabled, role, faded);
    }
    palette.setColor(QPalette::ToolTipBase, QColor(53, 53, 53));
    palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
    palette.setColor(QPalette::Link, QColor(80, 160, 240));
    palette.setColor(QPalette::PlaceholderText, faded);
    return palette;
}

// Sets the application's palette for as long as it lives.
class ScopedPalette {
public:
    explicit ScopedPalette(const QPalette& palette) : m_previous(QApplication::palette()) {
        QApplication::setPalette(palette);
        QApplication::processEvents();
    }
    ~ScopedPalette() {
        QApplication::setPalette(m_previous);
        QApplication::processEvents();
    }
    ScopedPalette(const ScopedPalette&) = delete;
    ScopedPalette& operator=(const ScopedPalette&) = delete;

private:
    QPalette m_previous;
};

// The relative luminance of `color` (0 black, 1 white), as contrast ratios are counted.
inline double Luminance(const QColor& color) {
    const auto linear = [](double channel) {
        return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

// How far apart two colours are to the eye: 1 for the same, 21 for black on white.
inline double ContrastRatio(const QColor& a, const QColor& b) {
    const double lighter = std::max(Luminance(a), Luminance(b));
    const double darker = std::min(Luminance(a), Luminance(b));
    return (lighter + 0.05) / (darker + 0.05);
}

}  // namespace kesto::test
