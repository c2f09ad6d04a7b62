#include "FleetChartLayout.h"

#include "FleetTrend.h"

#include <QLineF>
#include <algorithm>
#include <cmath>

using namespace fleetmetrics;

int FleetChartLayout::legendEntryAt(QPoint at) const
{
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i].rect.contains(at))
            return i;
    return -1;
}

namespace {
QString balanceText(const std::optional<double>& balance)
{
    return balance ? formatAxisValue(*balance) : QString();
}
} // namespace

FleetLabelWidths measureFleetLabels(const QFontMetrics& font, const FleetTrend& trend)
{
    FleetLabelWidths w;
    for (const FleetLine& line : trend.lines()) {
        w.name = std::max(w.name, font.horizontalAdvance(line.robot));
        w.balance = std::max(w.balance, font.horizontalAdvance(balanceText(line.latest)));
    }
    for (const QString& draw : trend.draws())
        w.draw = std::max(w.draw, font.horizontalAdvance(draw));
    return w;
}

FleetChartLayout computeFleetChartLayout(QSize size, const QFontMetrics& font,
                                         const FleetTrend& trend, AxisRange bottom, AxisRange left)
{
    return computeFleetChartLayout(size, font, trend, measureFleetLabels(font, trend), bottom,
                                   left);
}

FleetChartLayout computeFleetChartLayout(QSize size, const QFontMetrics& font,
                                         const FleetTrend& trend, const FleetLabelWidths& widths,
                                         AxisRange bottom, AxisRange left)
{
    FleetChartLayout l;
    const int rowHeight = font.height() + 2;
    const int widestName = widths.name, widestBalance = widths.balance;
    const int legendWidth = trend.isEmpty() ? 0
                                            : 2 * kLegendPadding + kSwatchWidth + kLegendGap +
                                                  widestName + kLegendGap + widestBalance;
    // The chart leaves room for the legend on its right and for the draw numbers below it.
    const int labelRoom = font.height() + chartmetrics::kTickLength + chartmetrics::kLabelGap;
    const QSize chartSize(
        std::max(0, size.width() - legendWidth - (legendWidth ? kLegendSpacing : 0)),
        std::max(0, size.height() - labelRoom));
    l.chart = computeChartLayout(chartSize, font, bottom, left, 0);
    l.chart.panel = QRect(QPoint(0, 0), size);

    const int legendLeft = l.chart.chartArea.right() + 1 + kLegendSpacing;
    l.legend = QRect(legendLeft, l.chart.plot.top(), legendWidth,
                     int(trend.lines().size()) * rowHeight + 2 * kLegendPadding);
    int y = l.legend.top() + kLegendPadding;
    for (const FleetLine& line : trend.lines()) {
        LegendEntry e;
        e.rect = QRect(legendLeft, y, legendWidth, rowHeight);
        const int x = legendLeft + kLegendPadding;
        e.swatch = QRect(x, y + rowHeight / 2 - 2, kSwatchWidth, 4);
        e.nameRect = QRect(x + kSwatchWidth + kLegendGap, y, widestName, rowHeight);
        e.balanceRect = QRect(e.nameRect.right() + 1 + kLegendGap, y, widestBalance, rowHeight);
        e.balance = balanceText(line.latest);
        l.entries << e;
        y += rowHeight;
    }

    const AxisMapping& x = l.chart.transform.x;
    const int top = l.chart.plot.bottom() + chartmetrics::kAxisWidth + chartmetrics::kTickLength +
                    chartmetrics::kLabelGap;
    for (int place : labelledDraws(x, int(trend.draws().size()), widths.draw)) {
        DrawLabel label;
        label.place = place;
        label.position = int(x.position(place));
        const int width = font.horizontalAdvance(trend.drawAt(place));
        label.textRect = QRect(label.position - width / 2, top, width, font.height());
        // A label that would stick out of the panel is left out.
        if (label.textRect.left() < 0 || label.textRect.right() >= size.width())
            continue;
        l.drawLabels << label;
    }
    return l;
}

QVector<int> labelledDraws(const AxisMapping& bottom, int drawCount, int labelWidth)
{
    QVector<int> out;
    const AxisRange r = bottom.range();
    if (drawCount <= 0 || bottom.length() <= 0 || r.length() <= 0)
        return drawCount == 1 ? QVector<int>{0} : out;
    const double pixelsPerDraw = bottom.length() / r.length();
    int step = 1;
    for (int decade = 1; step * pixelsPerDraw < labelWidth + kDrawLabelGap && step < drawCount;
         decade *= 10)
        for (int m : {1, 2, 5}) {
            step = m * decade;
            if (step * pixelsPerDraw >= labelWidth + kDrawLabelGap)
                break;
        }
    const int first = std::max(0, int(std::ceil(r.minimum / step)) * step);
    for (int place = first; place <= r.maximum && place < drawCount; place += step)
        out << place;
    return out;
}

LineHit hitLine(const QVector<QVector<LineSegment>>& lines, const AxisMapping& bottom, QPoint at,
                int tolerance)
{
    LineHit hit;
    double nearest = tolerance + 0.5;
    const QPointF p(at);
    for (int i = 0; i < lines.size(); ++i)
        for (const LineSegment& s : lines[i]) {
            const QPointF a(s.from), b(s.to);
            const QPointF ab = b - a;
            const double length2 = QPointF::dotProduct(ab, ab);
            const double t =
                length2 == 0 ? 0 : std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0);
            const double distance = QLineF(p, a + t * ab).length();
            if (distance < nearest) {
                nearest = distance;
                hit.line = i;
                hit.place = int(std::lround(bottom.value(t < 0.5 ? a.x() : b.x())));
            }
        }
    return hit;
}
