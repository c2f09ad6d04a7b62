#pragma once
#include "ChartLayout.h"
#include "LineSegments.h"

#include <QColor>
#include <QFontMetrics>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

class FleetTrend;

// Sizes of the fleet chart's own parts, in pixels.
namespace fleetmetrics {
constexpr int kSwatchWidth = 14;
constexpr int kLegendPadding = 4;
constexpr int kLegendGap = 6;     // between the swatch, the name and the balance
constexpr int kLegendSpacing = 8; // between the chart and the legend
constexpr int kLineWidth = 2;
constexpr int kHoverLineWidth = 4;
constexpr int kHitTolerance = 4;  // how far from a line the mouse may be and still hit it
constexpr int kDrawLabelGap = 12; // at least this much between neighbouring draw labels
} // namespace fleetmetrics

// One robot's entry in the legend: its colour, its name and its latest balance.
struct LegendEntry {
    QRect rect; // the whole entry: a click anywhere on it picks the robot
    QRect swatch;
    QRect nameRect;
    QRect balanceRect;
    QString balance;
};

// A draw number under the bottom axis.
struct DrawLabel {
    int place = 0;    // the draw's place along the bottom axis
    int position = 0; // its pixel column
    QRect textRect;
};

// Where everything of the fleet chart goes: the legend along the right, the chart (the
// trend chart's layout, flat) to its left with the draw numbers below its bottom axis.
struct FleetChartLayout {
    ChartLayout chart;
    QRect legend;
    QVector<LegendEntry> entries; // in the trend's robot order
    QVector<DrawLabel> drawLabels;

    int legendEntryAt(QPoint at) const; // -1 when none
};

// The widest texts of a trend, in the label font: they set the legend's width and how far
// apart the draw numbers must be.
struct FleetLabelWidths {
    int name = 0;
    int balance = 0;
    int draw = 0;
};
FleetLabelWidths measureFleetLabels(const QFontMetrics& font, const FleetTrend& trend);

FleetChartLayout computeFleetChartLayout(QSize size, const QFontMetrics& font,
                                         const FleetTrend& trend, const FleetLabelWidths& widths,
                                         AxisRange bottom, AxisRange left);
FleetChartLayout computeFleetChartLayout(QSize size, const QFontMetrics& font,
                                         const FleetTrend& trend, AxisRange bottom, AxisRange left);

// The draws labelled along a bottom axis: every `step`-th place in the range, the step from
// 1, 2, 5, 10, 20, … so that labels of the given width keep apart.
QVector<int> labelledDraws(const AxisMapping& bottom, int drawCount, int labelWidth);

// The line nearest to a point, within the tolerance, with the draw whose point on it is
// nearest: the mouse's hit on the chart.
struct LineHit {
    int line = -1; // -1: no line there
    int place = -1;
    bool operator==(const LineHit&) const = default;
};
LineHit hitLine(const QVector<QVector<LineSegment>>& lines, const AxisMapping& bottom, QPoint at,
                int tolerance = fleetmetrics::kHitTolerance);
