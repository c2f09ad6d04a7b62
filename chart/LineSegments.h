#pragma once
#include "ChartTransform.h"
#include "Colors.h"

#include <QPoint>
#include <QVector>

class TLineSeries;

// One drawn piece of the line: a ribbon from `from` to `to` on the front plane, running
// back to full depth.
struct LineSegment {
    QPoint from;
    QPoint to;
    BgrColor fill = clRed;
    bool steep = false; // rises faster than the depth offset, so it is filled darker
};

// The first and last point indexes worth drawing for the bottom axis' range; the last one
// may lie right of the plot so that the line reaches the edge (clipping cuts it there).
struct VisibleRange {
    int first = 0;
    int last = -1;
};

VisibleRange visiblePoints(const TLineSeries& series, AxisRange bottom);

// The colour a steep ribbon is filled with: each channel 64 darker, not below 0.
BgrColor darker3D(BgrColor color);

// The segments of a series' line in index order, with gaps at null points.
QVector<LineSegment> lineSegments(const TLineSeries& series, const ChartTransform& transform);
