#include "gui/app/SymbolicIconEngine.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>
#include <algorithm>

namespace kesto {

namespace {

QString ResourcePath(const QString& name) {
    return QStringLiteral(":/icons/actions/%1.svg").arg(name);
}

QColor InkFor(QIcon::Mode mode) {
    const QPalette palette = QGuiApplication::palette();
    switch (mode) {
    case QIcon::Disabled:
        return palette.color(QPalette::Disabled, QPalette::ButtonText);
    case QIcon::Selected:
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    case QIcon::Normal:
    case QIcon::Active:
        break;
    }
    return palette.color(QPalette::Active, QPalette::ButtonText);
}

}  // namespace

QIcon SymbolicIconEngine::FromTheme(const QString& name) {
    return QIcon::fromTheme(name, Own(name));
}

QIcon SymbolicIconEngine::Own(const QString& name) {
    QFile file(ResourcePath(name));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QIcon(new SymbolicIconEngine(name, file.readAll()));
}

SymbolicIconEngine::SymbolicIconEngine(QString name, QByteArray svg)
    : m_name(std::move(name)), m_svg(std::move(svg)) {
}

// The drawings are square: the largest square that fits.
QSize SymbolicIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
    const int side = std::min(size.width(), size.height());
    return {side, side};
}

QPixmap SymbolicIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return Rendered(actualSize(size, mode, state), mode);
}

void SymbolicIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                               QIcon::State state) {
    const QSize size = actualSize(rect.size(), mode, state);
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    QPixmap pixmap = Rendered(size * ratio, mode);
    pixmap.setDevicePixelRatio(ratio);
    QRect target(QPoint(), size);
    target.moveCenter(rect.center());
    painter->drawPixmap(target, pixmap);
}

QPixmap SymbolicIconEngine::Rendered(const QSize& pixels, QIcon::Mode mode) const {
    if (pixels.isEmpty()) return {};
    const QColor ink = InkFor(mode);
    const QString key = QStringLiteral("kesto-icon/%1/%2x%3/%4")
                            .arg(m_name)
                            .arg(pixels.width())
                            .arg(pixels.height())
                            .arg(ink.rgba(), 8, 16, QLatin1Char('0'));
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) return pixmap;
    QByteArray svg = m_svg;
    svg.replace("currentColor", ink.name(QColor::HexRgb).toLatin1());
    QBuffer buffer(&svg);
    QImageReader reader(&buffer, "svg");
    reader.setScaledSize(pixels);
    pixmap = QPixmap::fromImage(reader.read());
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QIconEngine* SymbolicIconEngine::clone() const {
    return new SymbolicIconEngine(m_name, m_svg);
}

QString SymbolicIconEngine::key() const {
    return QStringLiteral("SymbolicIconEngine");
}

QString SymbolicIconEngine::iconName() {
    return m_name;
}

}  // namespace kesto
