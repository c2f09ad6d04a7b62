#include "ChartDrag.h"

#include "ChartPainter.h"

#include <QRect>
#include <cstdlib>

namespace chartdrag {

ZoomDrag zoomDragKind(QPoint press, QPoint release)
{
    const QPoint moved = release - press;
    if (std::abs(moved.x()) <= kZoomThreshold || std::abs(moved.y()) <= kZoomThreshold)
        return ZoomDrag::None;
    return moved.x() < 0 || moved.y() < 0 ? ZoomDrag::Undo : ZoomDrag::Zoom;
}

std::pair<AxisRange, AxisRange> bandRanges(const ChartTransform& t, QPoint press, QPoint release)
{
    const QRect band(press, release);
    return {{t.x.value(band.left()), t.x.value(band.right())},
            {t.y.value(band.bottom()), t.y.value(band.top())}};
}

std::pair<AxisRange, AxisRange> pannedRanges(const ChartTransform& t, QPoint from, QPoint to)
{
    const double dx = t.x.value(from.x()) - t.x.value(to.x());
    const double dy = t.y.value(from.y()) - t.y.value(to.y());
    const AxisRange b = t.x.range(), l = t.y.range();
    return {{b.minimum + dx, b.maximum + dx}, {l.minimum + dy, l.maximum + dy}};
}

} // namespace chartdrag

void ChartMouseDrag::begin(Qt::MouseButton button, QPoint at)
{
    press_ = last_ = at;
    if (button == Qt::LeftButton)
        state_ = State::Zoom;
    else if (button == Qt::RightButton)
        state_ = State::Pan;
}

QRegion ChartMouseDrag::moveBand(QPoint at)
{
    const QRegion before = ChartPainter::rubberBandRegion(band());
    last_ = at;
    return before | ChartPainter::rubberBandRegion(band());
}

std::optional<std::pair<QPoint, QPoint>> ChartMouseDrag::panStep(QPoint at, const QRect& plot)
{
    if (!plot.contains(at)) {
        state_ = State::None;
        return std::nullopt;
    }
    return std::pair{std::exchange(last_, at), at};
}
