#pragma once
#include "ChartTransform.h"

#include <QPoint>
#include <optional>

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
