#include "ButtonGlyphs.h"

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <functional>

namespace {
constexpr int kSide = 18;

// The inks of one picture; the disabled picture draws the same shapes in greys and white.
struct Inks {
    QColor outline, dark, body, accent, light;
};
const Inks kNormal{QColor(0, 0, 0), QColor(0, 0, 0), QColor(128, 0, 0), QColor(255, 255, 0),
                   QColor(192, 192, 192)};
const Inks kDisabled{QColor(128, 128, 128), QColor(128, 128, 128), QColor(192, 192, 192),
                     QColor(255, 255, 255), QColor(255, 255, 255)};
const Inks kArrowsNormal{QColor(0, 128, 0), QColor(0, 128, 0), QColor(0, 128, 0), QColor(0, 255, 0),
                         QColor(0, 255, 0)};
const Inks kArrowsDisabled{QColor(128, 128, 128), QColor(128, 128, 128), QColor(128, 128, 128),
                           QColor(255, 255, 255), QColor(255, 255, 255)};

using Drawing = std::function<void(QPainter&, const Inks&)>;

QPixmap glyphStrip(const Drawing& draw, const Inks& normal, const Inks& disabled, int ratio)
{
    QImage strip(2 * kSide * ratio, kSide * ratio, QImage::Format_RGB32);
    strip.setDevicePixelRatio(ratio);
    strip.fill(kGlyphTransparent);
    {
        QPainter painter(&strip);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setClipRect(0, 0, kSide, kSide);
        draw(painter, normal);
        painter.translate(kSide, 0);
        painter.setClipRect(0, 0, kSide, kSide);
        draw(painter, disabled);
    }
    // The bottom-left pixel names the transparent colour; nothing may be drawn there.
    strip.setPixel(0, strip.height() - 1, kGlyphTransparent.rgb());
    return QPixmap::fromImage(strip);
}

// A line one point wide: one pixel at 1 (Qt's cosmetic pen, as the pictures were drawn), two
// at 2, where the cosmetic pen would stay one pixel thin.
QPen outlinePen(const QPainter& painter, const QColor& colour)
{
    return painter.device()->devicePixelRatio() > 1 ? QPen(colour, 1) : QPen(colour);
}

void fill(QPainter& painter, const QPolygon& shape, const QColor& inside, const QColor& outline)
{
    painter.setPen(outlinePen(painter, outline));
    painter.setBrush(inside);
    painter.drawPolygon(shape);
}

void drawDoor(QPainter& p, const Inks& ink)
{
    // The frame and the dark doorway behind the open door.
    p.setPen(outlinePen(p, ink.outline));
    p.setBrush(ink.light);
    p.drawRect(4, 1, 10, 14);
    p.fillRect(6, 3, 7, 12, ink.dark);
    // The door, swung open towards the viewer on its left hinge.
    fill(p, QPolygon({QPoint(5, 2), QPoint(10, 4), QPoint(10, 16), QPoint(5, 15)}), ink.body,
         ink.outline);
    p.fillRect(9, 9, 1, 2, ink.accent);
    // The threshold.
    p.fillRect(2, 16, 14, 1, ink.light);
}

void drawArrows(QPainter& p, const Inks& ink)
{
    QPen pen(ink.body, 2);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    // Angles in 1/16 degree, counter-clockwise from three o'clock; each arc ends in a head
    // pointing on along the turn.
    const QRect circle(3, 3, 12, 12);
    p.drawArc(circle, 30 * 16, 110 * 16);
    p.drawArc(circle, 210 * 16, 110 * 16);
    p.setPen(outlinePen(p, ink.outline));
    p.setBrush(ink.accent);
    p.drawPolygon(QPolygon({QPoint(0, 7), QPoint(7, 7), QPoint(3, 11)}));
    p.drawPolygon(QPolygon({QPoint(17, 10), QPoint(10, 10), QPoint(14, 6)}));
}
} // namespace

QPixmap closeGlyph(int ratio)
{
    return glyphStrip(drawDoor, kNormal, kDisabled, ratio);
}

QPixmap searchGlyph(int ratio)
{
    return glyphStrip(drawArrows, kArrowsNormal, kArrowsDisabled, ratio);
}
