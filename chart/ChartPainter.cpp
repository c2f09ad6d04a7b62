#include "ChartPainter.h"

#include "Colors.h"

#include <QPolygon>
#include <algorithm>

using namespace chartmetrics;

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

void ChartPainter::paintLeftAxis(const QFont& labelFont)
{
    const QRect& plot = l_.plot;
    const int axisX = plot.left() - kAxisWidth / 2;
    const int tickRight = plot.left() - kAxisWidth;
    const QPen grid = dottedPen(toQColor(clGray), p_.device()->devicePixelRatio());
    QPen tick(toQColor(clGray), 1);
    p_.setFont(labelFont);
    for (const ChartAxisLabel& label : l_.labels) {
        p_.setPen(grid);
        p_.drawLine(plot.left() + l_.depth, label.position - l_.depth, plot.right() + l_.depth,
                    label.position - l_.depth);
        p_.setPen(tick);
        p_.drawLine(tickRight - kTickLength, label.position, tickRight - 1, label.position);
        p_.setPen(Qt::black);
        p_.drawText(label.textRect, Qt::AlignRight | Qt::AlignVCenter, label.text);
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

void ChartPainter::paintRubberBand(const QRect& band)
{
    p_.setPen(dottedPen(Qt::black, p_.device()->devicePixelRatio()));
    p_.setBrush(Qt::NoBrush);
    p_.drawRect(band);
}
