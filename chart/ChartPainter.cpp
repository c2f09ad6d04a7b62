#include "ChartPainter.h"

#include "Colors.h"
#include "ShapedText.h"

#include <QImage>
#include <QPixmap>
#include <QPixmapCache>
#include <QPolygon>
#include <algorithm>
#include <cmath>

using namespace chartmetrics;

namespace {

constexpr int kStripMargin = 2; // around the strip's line, for the pen's width at any scale

// The grid's dotted lines all start at the same x and run as far: stroking the dots of each
// anew (at two device pixels a dot, through the general stroker) costs more than the rest of
// the chart, while a copy of the first one, moved down by whole pixels, is the same pixels.
// The strip keeps only the rows the pen inked, as many above its line as below, so that a copy
// blends no empty rows and the line's row is the middle one.
QPixmap dottedStrip(const QPen& pen, int length, qreal ratio)
{
    const QString key = QStringLiteral("tallyvane-chart-grid-%1-%2-%3")
                            .arg(length)
                            .arg(ratio)
                            .arg(pen.color().rgba());
    QPixmap strip;
    if (!QPixmapCache::find(key, &strip)) {
        const int rows = 2 * kStripMargin + 1;
        QImage drawn(QSize(length + 2 * kStripMargin, rows) * ratio,
                     QImage::Format_ARGB32_Premultiplied);
        drawn.setDevicePixelRatio(ratio);
        drawn.fill(Qt::transparent);
        QPainter painter(&drawn);
        painter.setPen(pen);
        painter.drawLine(kStripMargin, kStripMargin, kStripMargin + length, kStripMargin);
        painter.end();
        int reach = 0; // rows inked above or below the line's
        for (int y = 0; y < drawn.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
            if (std::any_of(row, row + drawn.width(), [](QRgb c) { return qAlpha(c) != 0; }))
                reach = std::max(reach, std::abs(int(y / ratio) - kStripMargin));
        }
        strip = QPixmap::fromImage(drawn.copy(QRect(0, int((kStripMargin - reach) * ratio),
                                                    drawn.width(), int((2 * reach + 1) * ratio))));
        strip.setDevicePixelRatio(ratio);
        QPixmapCache::insert(key, strip);
    }
    return strip;
}

} // namespace

QPen ChartPainter::dottedPen(const QColor& colour, qreal devicePixelRatio)
{
    QPen pen(colour, std::max(1, qRound(devicePixelRatio)), Qt::DotLine);
    pen.setCosmetic(true);
    return pen;
}

void ChartPainter::paintPanel()
{
    const QRect r = l_.panel;
    p_.fillRect(r, systemColor(SystemColor::BtnFace));
    p_.setPen(QPen(systemColor(SystemColor::BtnHighlight), 1));
    p_.drawLine(r.topLeft(), r.topRight());
    p_.drawLine(r.topLeft(), r.bottomLeft());
    p_.setPen(QPen(systemColor(SystemColor::BtnShadow), 1));
    p_.drawLine(r.bottomLeft(), r.bottomRight());
    p_.drawLine(r.topRight(), r.bottomRight());
}

void ChartPainter::paintWalls(const QColor& leftWall, const QColor& floor)
{
    const QRect& plot = l_.plot;
    const QPoint back = l_.depthOffset();
    p_.setPen(QPen(Qt::black, 1));
    p_.setBrush(Qt::NoBrush);
    p_.drawRect(plot.translated(back));
    p_.setBrush(leftWall);
    p_.drawPolygon(QPolygon(
        {plot.topLeft(), plot.topLeft() + back, plot.bottomLeft() + back, plot.bottomLeft()}));
    p_.setBrush(floor);
    p_.drawPolygon(QPolygon({plot.bottomLeft(), plot.bottomLeft() + back, plot.bottomRight() + back,
                             plot.bottomRight()}));
    p_.setBrush(Qt::NoBrush);
}

void ChartPainter::paintLeftAxis(const QFont& labelFont, ShapedTextCache& texts)
{
    const QRect& plot = l_.plot;
    const int axisX = plot.left() - kAxisWidth / 2;
    const int tickRight = plot.left() - kAxisWidth;
    const QPen grid = dottedPen(toQColor(clGray), p_.device()->devicePixelRatio());
    QPen tick(toQColor(clGray), 1);
    p_.setFont(labelFont);
    const qreal ratio = p_.device()->devicePixelRatio();
    // A copy lands on the same device pixels only when a point is a whole number of them.
    const bool copied = ratio == std::round(ratio) && p_.transform().isIdentity();
    const QPixmap strip = copied ? dottedStrip(grid, plot.right() - plot.left(), ratio) : QPixmap();
    const int reach = (qRound(strip.deviceIndependentSize().height()) - 1) / 2;
    for (const ChartAxisLabel& label : l_.labels) {
        const int x = plot.left() + l_.depth, y = label.position - l_.depth;
        if (copied) {
            p_.drawPixmap(x - kStripMargin, y - reach, strip);
        } else {
            p_.setPen(grid);
            p_.drawLine(x, y, plot.right() + l_.depth, y);
        }
        p_.setPen(tick);
        p_.drawLine(tickRight - kTickLength, label.position, tickRight - 1, label.position);
        p_.setPen(Qt::black);
        texts.draw(p_, label.textRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                   label.text);
    }
    p_.setPen(tick);
    for (int row : l_.minorTicks)
        p_.drawLine(tickRight - kMinorTickLength, row, tickRight - 1, row);
    p_.setPen(QPen(Qt::black, kAxisWidth, Qt::SolidLine, Qt::FlatCap));
    p_.drawLine(axisX, plot.top(), axisX, plot.bottom() + kAxisWidth);
}

void ChartPainter::paintBottomAxis()
{
    const QRect& plot = l_.plot;
    const int axisY = plot.bottom() + kAxisWidth / 2;
    p_.setPen(QPen(Qt::black, kAxisWidth, Qt::SolidLine, Qt::FlatCap));
    p_.drawLine(plot.left() - kAxisWidth, axisY, plot.right() + 1, axisY);
}

void ChartPainter::paintLine(const QVector<LineSegment>& segments)
{
    if (segments.isEmpty())
        return;
    p_.save();
    p_.setClipRect(l_.clipRect());
    p_.setPen(QPen(Qt::black, 1));
    const QPoint back = l_.depthOffset();
    for (const LineSegment& s : segments) {
        p_.setBrush(toQColor(s.fill));
        p_.drawPolygon(QPolygon({s.from, s.to, s.to + back, s.from + back}));
    }
    p_.restore();
}

QRegion ChartPainter::rubberBandRegion(const QRect& band)
{
    return QRegion(band.adjusted(-2, -2, 3, 3)) - QRegion(band.adjusted(2, 2, -2, -2));
}

void ChartPainter::paintRubberBand(const QRect& band)
{
    p_.setPen(dottedPen(Qt::black, p_.device()->devicePixelRatio()));
    p_.setBrush(Qt::NoBrush);
    p_.drawRect(band);
}
