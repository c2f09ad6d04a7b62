#pragma once
#include "ChartLayout.h"
#include "LineSegments.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QVector>

// Draws the parts of a laid-out chart; knows nothing about datasets or the mouse.
class ChartPainter {
public:
    ChartPainter(QPainter& painter, const ChartLayout& layout) : p_(painter), l_(layout) {}

    void paintPanel();
    void paintWalls(const QColor& leftWall, const QColor& floor);
    void paintLeftAxis(const QFont& labelFont);
    void paintBottomAxis();
    // The series' ribbons, outlined with its line pen (black, 1 pixel, solid).
    void paintLine(const QVector<LineSegment>& segments);
    void paintRubberBand(const QRect& band);

private:
    QPainter& p_;
    const ChartLayout& l_;
};
