#pragma once
#include "ChartLayout.h"
#include "LineSegments.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QVector>

class TLineSeries;

// Draws the parts of a laid-out chart; knows nothing about datasets or the mouse.
class ChartPainter {
public:
    ChartPainter(QPainter& painter, const ChartLayout& layout) : p_(painter), l_(layout) {}

    void PaintPanel();
    void PaintWalls(const QColor& leftWall, const QColor& floor);
    void PaintLeftAxis(const QFont& labelFont);
    void PaintBottomAxis();
    void PaintLine(const QVector<LineSegment>& segments, const TLineSeries& series);
    void PaintRubberBand(const QRect& band);

    static QColor AxisGrey() { return QColor(128, 128, 128); }

private:
    QPainter& p_;
    const ChartLayout& l_;
};
