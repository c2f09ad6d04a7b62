#pragma once
#include "ChartTransform.h"

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <optional>
#include <utility>

// What a mouse drag on a chart does to its axes: a left drag right and down zooms to the
// band, one up or left restores the axes, a short one does nothing; a right drag pans.
namespace chartdrag {

constexpr int kZoomThreshold = 16;

enum class ZoomDrag { None, Zoom, Undo };
ZoomDrag zoomDragKind(QPoint press, QPoint release);
// The ranges of the band, for a drag of the kind Zoom.
std::pair<AxisRange, AxisRange> bandRanges(const ChartTransform& t, QPoint press, QPoint release);
// The ranges after moving the plot's contents from one point to another.
std::pair<AxisRange, AxisRange> pannedRanges(const ChartTransform& t, QPoint from, QPoint to);

} // namespace chartdrag

// The mouse's drag on a chart: a left press where the mouse may act begins a zoom band, a right
// press a pan; the moves and the release act on the drag in progress.
class ChartMouseDrag {
public:
    enum class State { None, Zoom, Pan };

    State state() const { return state_; }
    QPoint pressPoint() const { return press_; }
    QRect band() const { return QRect(press_, last_).normalized(); }

    // A press at `at`, where the mouse may act and no drag is in progress.
    void begin(Qt::MouseButton button, QPoint at);
    // A zoom drag's move: what to repaint, the band's outline where it was and where it is.
    QRegion moveBand(QPoint at);
    // A pan's move: from the last point to `at`; none when `at` left the plot, which ends it.
    std::optional<std::pair<QPoint, QPoint>> panStep(QPoint at, const QRect& plot);
    // The release, or a drag cut short: what was in progress.
    State end() { return std::exchange(state_, State::None); }

private:
    State state_ = State::None;
    QPoint press_;
    QPoint last_;
};
