#include "LineSegments.h"

#include "ChartLayout.h"
#include "LineSeries.h"

#include <cmath>

VisibleRange visiblePoints(const TLineSeries& series, AxisRange bottom)
{
    VisibleRange r;
    const int n = series.count();
    while (r.first < n && series.xValue(r.first) < bottom.minimum)
        ++r.first;
    r.last = r.first - 1;
    while (r.last + 1 < n && series.xValue(r.last + 1) <= bottom.maximum)
        ++r.last;
    if (r.last + 1 < n)
        ++r.last;
    return r;
}

BgrColor darker3D(BgrColor color)
{
    BgrColor out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int channel = int((color >> shift) & 0xFF);
        out |= BgrColor(qMax(0, channel - 64)) << shift;
    }
    return out;
}

namespace {
bool far(QPointF p)
{
    return std::fabs(p.x()) > chartmetrics::kFarLimit || std::fabs(p.y()) > chartmetrics::kFarLimit;
}
} // namespace

QVector<LineSegment> lineSegments(const TLineSeries& series, const ChartTransform& transform)
{
    QVector<LineSegment> out;
    if (series.count() < 2)
        return out;
    const VisibleRange range = visiblePoints(series, transform.x.range());
    bool havePrevious = false;
    QPoint previous;
    const int first = range.first;
    if (first > 0 && first <= range.last && !series.isNull(first - 1) && !series.isNull(first)) {
        // Zoomed in: the line enters at the plot's left edge, at the height it has there.
        const double x0 = series.xValue(first - 1), x1 = series.xValue(first);
        const double y0 = series.yValue(first - 1), y1 = series.yValue(first);
        const double at = transform.x.range().minimum;
        const double y = x1 == x0 ? y1 : y0 + (y1 - y0) * (at - x0) / (x1 - x0);
        const QPointF entry(transform.x.start(), transform.y.position(y));
        if (!far(entry)) {
            previous = entry.toPoint();
            havePrevious = true;
        }
    }
    for (int i = first; i <= range.last; ++i) {
        const QPointF p = transform.toScreen(series.xValue(i), series.yValue(i));
        if (far(p)) {
            havePrevious = false;
            continue;
        }
        const QPoint point = p.toPoint();
        if (series.isNull(i)) {
            previous = point;
            havePrevious = false;
            continue;
        }
        if (havePrevious && point != previous) {
            LineSegment s;
            s.from = previous;
            s.to = point;
            // Rise over run against the depth offset's slope of 1 (orthogonal projection).
            s.steep = previous.y() - point.y() > point.x() - previous.x();
            const BgrColor colour = series.valueColor(i);
            s.fill = s.steep ? darker3D(colour) : colour;
            out << s;
        }
        previous = point;
        havePrevious = true;
    }
    return out;
}
