#include "ChartLayout.h"

using namespace chartmetrics;

namespace {
int percentOf(int length, int percent)
{
    return int(roundHalfEven(length * percent / 100.0));
}
} // namespace

ChartLayout computeChartLayout(QSize size, const QFontMetrics& labelFont, AxisRange bottom,
                               AxisRange left, int depthPerMille)
{
    ChartLayout l;
    l.panel = QRect(QPoint(0, 0), size);
    const int mx = percentOf(size.width(), kMarginXPercent);
    const int my = percentOf(size.height(), kMarginYPercent);
    l.chartArea = l.panel.adjusted(mx, my, -mx, -my);
    l.depth = int(roundHalfEven(l.chartArea.width() * depthPerMille * 0.001));

    // The vertical extent does not depend on the labels, so they are placed first and
    // the plot's left edge follows from their widths.
    const int top = l.chartArea.top() + l.depth;
    const int bottomEdge = qMax(top, l.chartArea.top() + l.chartArea.height() - kAxisWidth);
    const AxisMapping vertical(left, top, bottomEdge, true);
    // Every label text has the font's height; the texts for the minimum and maximum are never
    // empty.
    const int labelSize = labelFont.height();
    l.leftLabels = computeAxisLabels(left, vertical.length(), labelSize);
    int widest = 0;
    for (double v : l.leftLabels.values) {
        ChartAxisLabel label;
        label.text = formatAxisValue(v);
        label.position = int(vertical.position(v));
        widest = qMax(widest, labelFont.horizontalAdvance(label.text));
        l.labels << label;
    }
    const int plotLeft = l.chartArea.left() + widest + kLabelGap + kTickLength + kAxisWidth;
    const int plotRight = qMax(plotLeft, l.chartArea.left() + l.chartArea.width() - l.depth);
    l.plot = QRect(QPoint(plotLeft, top), QPoint(plotRight, bottomEdge));
    for (ChartAxisLabel& label : l.labels) {
        const int right = plotLeft - kAxisWidth - kTickLength - kLabelGap;
        label.textRect = QRect(right - widest, label.position - labelFont.height() / 2, widest,
                               labelFont.height());
    }
    l.transform.x = AxisMapping(bottom, plotLeft, plotRight, false);
    l.transform.y = vertical;

    const double step = l.leftLabels.step;
    for (double v : l.leftLabels.values)
        for (int m = 1; m <= kMinorTickCount; ++m) {
            const double row = vertical.position(v - step * m / (kMinorTickCount + 1));
            if (row <= bottomEdge && left.maximum != left.minimum)
                l.minorTicks << int(row);
        }
    return l;
}
