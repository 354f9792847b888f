// SymbolicIconEngine: one of the program's own icons (src/resources/icons, compiled in as
// ":/icons/actions/NAME.svg"), drawn in the colours of the application's palette at the time
// it is painted, at the size in device pixels it is asked for.
//
// The SVGs paint in "currentColor", which becomes the palette's button text (the
// highlighted text for a selected item, the disabled button text for a disabled one), so an
// icon reads on a light palette and a dark one alike, and it is rendered for the device
// pixel ratio of the screen instead of being scaled up from a small bitmap.
#pragma once

#include <QByteArray>
#include <QIcon>
#include <QIconEngine>
#include <QString>

namespace kesto {

class SymbolicIconEngine : public QIconEngine {
public:
    // The desktop theme's icon of the freedesktop icon name `name`, else ours of that name.
    static QIcon FromTheme(const QString& name);
    // Ours only; null when the program has no icon of that name.
    static QIcon Own(const QString& name);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;
    QString iconName() override;

private:
    SymbolicIconEngine(QString name, QByteArray svg);

    QPixmap Rendered(const QSize& pixels, QIcon::Mode mode) const;

    QString m_name;
    QByteArray m_svg;
};

}  // namespace kesto
