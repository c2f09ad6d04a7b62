#include "ButtonGlyphs.h"

#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <functional>

namespace {
constexpr int kSide = 18;

// The disabled look keeps the drawing but only in greys and white, by brightness.
QRgb disabledColor(QRgb color)
{
    const int lightness = qGray(color);
    if (lightness < 100)
        return qRgb(128, 128, 128);
    if (lightness < 200)
        return qRgb(192, 192, 192);
    return qRgb(255, 255, 255);
}

QPixmap glyphStrip(const std::function<void(QPainter&)>& draw)
{
    QImage picture(kSide, kSide, QImage::Format_RGB32);
    picture.fill(kGlyphTransparent);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing, false);
        draw(painter);
    }
    QImage strip(2 * kSide, kSide, QImage::Format_RGB32);
    strip.fill(kGlyphTransparent);
    const QRgb transparent = kGlyphTransparent.rgb();
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const QRgb color = picture.pixel(x, y);
            strip.setPixel(x, y, color);
            if (color != transparent)
                strip.setPixel(kSide + x, y, disabledColor(color));
        }
    }
    // The bottom-left pixel names the transparent colour; nothing may be drawn there.
    strip.setPixel(0, kSide - 1, transparent);
    return QPixmap::fromImage(strip);
}

void fill(QPainter& painter, const QPolygon& shape, const QColor& inside, const QColor& outline)
{
    painter.setPen(outline);
    painter.setBrush(inside);
    painter.drawPolygon(shape);
}
} // namespace

QPixmap closeGlyph()
{
    return glyphStrip([](QPainter& p) {
        const QColor black(0, 0, 0), gray(128, 128, 128), maroon(128, 0, 0), yellow(255, 255, 0),
            silver(192, 192, 192);
        // The frame and the dark doorway behind the open door.
        p.setPen(black);
        p.setBrush(gray);
        p.drawRect(4, 1, 10, 14);
        p.fillRect(6, 3, 7, 12, black);
        // The door, swung open towards the viewer on its left hinge.
        fill(p, QPolygon({QPoint(5, 2), QPoint(10, 4), QPoint(10, 16), QPoint(5, 15)}), maroon, black);
        p.fillRect(9, 9, 1, 2, yellow);
        // The threshold.
        p.fillRect(2, 16, 14, 1, silver);
    });
}

QPixmap searchGlyph()
{
    return glyphStrip([](QPainter& p) {
        const QColor green(0, 128, 0), lime(0, 255, 0);
        const QRect circle(3, 3, 11, 11);
        QPen pen(green, 2);
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        // Angles in 1/16 degree, counter-clockwise from three o'clock.
        p.drawArc(circle, 20 * 16, 140 * 16);
        p.drawArc(circle, 200 * 16, 140 * 16);
        p.setPen(green);
        p.setBrush(lime);
        // Heads pointing along the turn, at the arcs' counter-clockwise ends.
        p.drawPolygon(QPolygon({QPoint(1, 6), QPoint(6, 6), QPoint(3, 10)}));
        p.drawPolygon(QPolygon({QPoint(16, 11), QPoint(11, 11), QPoint(14, 7)}));
    });
}
