#pragma once
#include "ChartLayout.h"
#include "LineSegments.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRegion>
#include <QVector>

class ShapedTextCache;

// Draws the parts of a laid-out chart; knows nothing about datasets or the mouse.
class ChartPainter {
public:
    ChartPainter(QPainter& painter, const ChartLayout& layout) : p_(painter), l_(layout) {}

    void paintPanel();
    void paintWalls(const QColor& leftWall, const QColor& floor);
    // The labels are drawn from `texts`, which keeps their shapes from paint to paint.
    void paintLeftAxis(const QFont& labelFont, ShapedTextCache& texts);
    void paintBottomAxis();
    // The series' ribbons, outlined with its line pen (black, 1 pixel, solid).
    void paintLine(const QVector<LineSegment>& segments);
    void paintRubberBand(const QRect& band);
    // The pixels paintRubberBand may touch: its dotted frame and a pixel either side, at any
    // scale. What a moving band needs repainted, where it was and where it is.
    static QRegion rubberBandRegion(const QRect& band);

    // A dotted line in whole device pixels: a one-point pen at 1.5 pixels per point would
    // round its dots and gaps to uneven ones and twos.
    static QPen dottedPen(const QColor& colour, qreal devicePixelRatio);

private:
    QPainter& p_;
    const ChartLayout& l_;
};
