#include "LoginGlyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace loginglyphs {

namespace {

// A square of size points at ratio pixels per point; drawing on it is in points.
QImage canvas(int size, int ratio)
{
    QImage image(size * ratio, size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
}

// The picture's shape in one colour.
QImage silhouette(const QImage& image, const QColor& colour)
{
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    out.setDevicePixelRatio(image.devicePixelRatio());
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = qAlpha(line[x]) >= 128 ? colour.rgb() : qRgba(0, 0, 0, 0);
    }
    return out;
}

QImage tick(int ratio)
{
    QImage image = canvas(18, ratio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.moveTo(2, 9.5);
    path.lineTo(7, 14.5);
    path.lineTo(16, 4);
    p.setPen(QPen(QColor(0, 128, 0), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    return image;
}

QImage cross(int ratio)
{
    QImage image = canvas(18, ratio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 0, 0), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 4), QPointF(14, 14));
    p.drawLine(QPointF(14, 4), QPointF(4, 14));
    return image;
}

void drawKey(QPainter& p, const QPointF& bow, qreal scale)
{
    const QColor gold(214, 160, 0);
    const QColor rim(128, 88, 0);
    p.setPen(QPen(rim, 1.0 * scale));
    p.setBrush(gold);
    p.drawEllipse(bow, 3.5 * scale, 3.5 * scale);
    p.setBrush(Qt::white);
    p.drawEllipse(bow, 1.2 * scale, 1.2 * scale);
    p.setPen(QPen(rim, 2.0 * scale, Qt::SolidLine, Qt::FlatCap));
    const QPointF shaftStart = bow + QPointF(3.5 * scale, 0);
    const QPointF shaftEnd = bow + QPointF(10.5 * scale, 0);
    p.drawLine(shaftStart, shaftEnd);
    p.drawLine(shaftEnd - QPointF(1.0 * scale, 0), shaftEnd + QPointF(-1.0 * scale, 3.0 * scale));
    p.drawLine(shaftEnd - QPointF(3.5 * scale, 0), shaftEnd + QPointF(-3.5 * scale, 2.5 * scale));
}

QImage key(int ratio)
{
    QImage image = canvas(16, ratio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawKey(p, QPointF(4.5, 7.0), 1.0);
    return image;
}

// A normal picture followed by its disabled form (grey, embossed) of the same size.
QPixmap twoStateStrip(const QImage& normal)
{
    const int ratio = int(normal.devicePixelRatio());
    const int w = normal.width() / ratio; // in points, as the painter draws
    QImage strip(normal.width() * 2, normal.height(), QImage::Format_ARGB32_Premultiplied);
    strip.setDevicePixelRatio(ratio);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.drawImage(0, 0, normal);
    // Disabled: the shape in grey with a white shadow one pixel down and right.
    p.drawImage(w + 1, 1, silhouette(normal, Qt::white));
    p.drawImage(w, 0, silhouette(normal, QColor(128, 128, 128)));
    p.end();
    return QPixmap::fromImage(strip);
}

} // namespace

QPixmap okGlyph(int ratio)
{
    return twoStateStrip(tick(ratio));
}
QPixmap cancelGlyph(int ratio)
{
    return twoStateStrip(cross(ratio));
}
QPixmap changePwGlyph(int ratio)
{
    return twoStateStrip(key(ratio));
}

QPixmap topPicture(int ratio)
{
    QImage image = canvas(32, ratio);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // The operator: head and shoulders.
    const QColor blue(40, 90, 170);
    p.setPen(QPen(blue.darker(140), 1.0));
    p.setBrush(blue);
    QPainterPath shoulders;
    shoulders.moveTo(2, 30);
    shoulders.cubicTo(2, 19, 8, 17, 13, 17);
    shoulders.cubicTo(18, 17, 24, 19, 24, 30);
    shoulders.closeSubpath();
    p.drawPath(shoulders);
    p.setBrush(QColor(245, 205, 160));
    p.setPen(QPen(QColor(170, 120, 80), 1.0));
    p.drawEllipse(QPointF(13, 10), 5.5, 6.0);
    // The padlock in front of the shoulder.
    const QColor gold(230, 170, 0);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(110, 110, 110), 2.2));
    p.drawArc(QRectF(20, 13, 8, 10), 0, 180 * 16);
    p.drawLine(QPointF(20, 18), QPointF(20, 20));
    p.drawLine(QPointF(28, 18), QPointF(28, 20));
    p.setPen(QPen(QColor(140, 95, 0), 1.0));
    p.setBrush(gold);
    p.drawRoundedRect(QRectF(17.5, 19.5, 13, 11), 1.5, 1.5);
    p.setBrush(QColor(90, 60, 0));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(24, 24), 1.5, 1.5);
    p.drawRect(QRectF(23.4, 24, 1.2, 3.5));
    p.end();
    return QPixmap::fromImage(image);
}

} // namespace loginglyphs
