#pragma once
#include "ChartAxis.h"
#include "ChartTransform.h"

#include <QFontMetrics>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVector>

// Fixed sizes of the chart's frame and axes, in pixels or per cent as noted.
namespace chartmetrics {
constexpr int kMarginXPercent = 3;
constexpr int kMarginYPercent = 4;
constexpr int kDepthPerMille = 15;
constexpr int kTickLength = 4;
constexpr int kMinorTickLength = 2;
constexpr int kMinorTickCount = 3;
constexpr int kAxisWidth = 2;
constexpr int kLabelGap = 2;
constexpr int kFarLimit = 32766;
} // namespace chartmetrics

struct ChartAxisLabel {
    QString text;
    int position = 0; // pixel row on the front plane
    QRect textRect;
};

// Where every part of the chart goes for a widget size, the label font and the axis ranges.
struct ChartLayout {
    QRect panel;
    QRect chartArea;
    int depth = 0;
    QRect plot; // the front plane
    ChartTransform transform;
    AxisLabels leftLabels;
    QVector<ChartAxisLabel> labels;
    // Minor tick rows between neighbouring labels (and below the last one, inside the axis).
    QVector<int> minorTicks;

    QPoint depthOffset() const { return {depth, -depth}; }
    // The plot with room for the depth: points are clipped to it.
    QRect clipRect() const { return plot.adjusted(0, -depth, depth, 0); }
    // Where a mouse press starts a zoom or a pan: the plot, its walls and its axis lines.
    QRect mouseArea() const
    {
        return clipRect().adjusted(-chartmetrics::kAxisWidth - chartmetrics::kTickLength, 0, 0,
                                   chartmetrics::kAxisWidth);
    }
};

// A depth of 0 per mille lays the chart out flat.
ChartLayout computeChartLayout(QSize size, const QFontMetrics& labelFont, AxisRange bottom,
                               AxisRange left, int depthPerMille = chartmetrics::kDepthPerMille);
