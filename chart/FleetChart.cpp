#include "FleetChart.h"

#include "Application.h"
#include "ChartDrag.h"
#include "ChartPainter.h"
#include "Colors.h"
#include "Fonts.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QToolTip>
#include <utility>

using namespace fleetmetrics;

namespace {
constexpr int kArialEightPointPixels = 11; // the trend chart's label font
} // namespace

FleetChart::FleetChart(QWidget* parent)
    : QWidget(parent), labelFont_(pixelFont(kArial, kArialEightPointPixels))
{
    setObjectName(QStringLiteral("fleetChart"));
    accessibility::registerCharts();
    setMouseTracking(true);
    // Every pixel is painted below, each once: at twice the scale a maximised chart has seven
    // million of them, and filling them again costs as much as all the lines.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void FleetChart::setTrend(FleetTrend trend)
{
    trend_ = std::move(trend);
    labelWidths_.reset();
    hovered_ = -1;
    relayout();
    descriptionNotice_.changed(this, [this] { return summary(); });
}

void FleetChart::relayout()
{
    layout_.reset();
    segments_.reset();
    underBand_.forget();
    update();
}

const FleetChartLayout& FleetChart::Layout() const
{
    if (!layout_) {
        const QFontMetrics font(labelFont_);
        if (!labelWidths_)
            labelWidths_ = measureFleetLabels(font, trend_);
        layout_ = computeFleetChartLayout(size(), font, trend_, *labelWidths_, bottomRange(),
                                          leftRange());
    }
    return *layout_;
}

const QVector<QVector<LineSegment>>& FleetChart::segments() const
{
    if (!segments_) {
        QVector<QVector<LineSegment>> all;
        for (const FleetLine& line : trend_.lines())
            all << lineSegments(*line.series, Layout().chart.transform);
        segments_ = std::move(all);
    }
    return *segments_;
}

int FleetChart::robotAt(QPoint at) const
{
    const int entry = Layout().legendEntryAt(at);
    if (entry >= 0)
        return entry;
    if (!Layout().chart.plot.contains(at))
        return -1;
    return hitLine(segments(), Layout().chart.transform.x, at).line;
}

QString FleetChart::hoverText(QPoint at) const
{
    if (!Layout().chart.plot.contains(at))
        return {};
    const LineHit hit = hitLine(segments(), Layout().chart.transform.x, at);
    if (hit.line < 0)
        return {};
    const FleetLine& line = trend_.lines()[std::size_t(hit.line)];
    const TLineSeries& s = *line.series;
    if (hit.place < 0 || hit.place >= s.count() || s.isNull(hit.place))
        return line.robot;
    return QStringLiteral("%1　%2　余额 %3")
        .arg(line.robot, trend_.drawAt(hit.place), formatAxisValue(s.yValue(hit.place)));
}

QString FleetChart::summary() const
{
    if (trend_.isEmpty())
        return QStringLiteral("没有数据");
    QStringList robots;
    for (const FleetLine& line : trend_.lines())
        robots << (line.latest
                       ? QStringLiteral("%1 余额 %2").arg(line.robot, formatAxisValue(*line.latest))
                       : line.robot);
    return QStringLiteral("%1 个机器人，第 %2 至 %3 期，最新余额：%4")
        .arg(trend_.lines().size())
        .arg(trend_.draws().value(0), trend_.draws().value(trend_.draws().size() - 1),
             robots.join(QStringLiteral("，")));
}

void FleetChart::undoZoom()
{
    zoom_.undo();
    relayout();
}

void FleetChart::zoomTo(std::pair<AxisRange, AxisRange> ranges)
{
    zoom_.fix(ranges.first, ranges.second);
    relayout();
}

void FleetChart::resizeEvent(QResizeEvent*)
{
    relayout();
}

void FleetChart::paintEvent(QPaintEvent*)
{
    guardedLater([&] {
        QPainter painter(this);
        if (drag_.state() != MouseState::Zoom) {
            paintChart(painter);
            return;
        }
        painter.drawPixmap(0, 0, underBand_.of(*this, [this](QPainter& p) { paintChart(p); }));
        ChartPainter(painter, Layout().chart).paintRubberBand(zoomRect());
    });
}

QRegion FleetChart::bandRegion() const
{
    return ChartPainter::rubberBandRegion(zoomRect());
}

void FleetChart::paintChart(QPainter& painter) const
{
    const FleetChartLayout& l = Layout();
    ChartPainter p(painter, l.chart);
    const QRect& plot = l.chart.plot;
    painter.setClipRegion(QRegion(l.chart.panel) - plot);
    p.paintPanel();
    painter.setClipping(false);
    painter.fillRect(plot, Qt::white);
    p.paintLeftAxis(labelFont_, labelTexts_);
    p.paintBottomAxis();
    painter.setPen(QPen(toQColor(clGray), 1));
    const int tickTop = plot.bottom() + chartmetrics::kAxisWidth;
    for (const DrawLabel& label : l.drawLabels)
        painter.drawLine(label.position, tickTop, label.position,
                         tickTop + chartmetrics::kTickLength - 1);
    painter.setPen(Qt::black);
    for (const DrawLabel& label : l.drawLabels)
        labelTexts_.draw(painter, label.textRect, Qt::AlignCenter | Qt::TextSingleLine,
                         trend_.drawAt(label.place));

    // The hovered robot's line goes last and wider, over the others.
    const auto& all = segments();
    painter.save();
    painter.setClipRect(plot);
    QVector<QLine> lines;
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < all.size(); ++i) {
            if ((i == hovered_) != (pass == 1))
                continue;
            lines.clear();
            for (const LineSegment& s : all[i])
                lines << QLine(s.from, s.to);
            painter.setPen(QPen(trend_.lines()[std::size_t(i)].colour,
                                i == hovered_ ? kHoverLineWidth : kLineWidth, Qt::SolidLine,
                                Qt::FlatCap));
            painter.drawLines(lines);
        }
    painter.restore();

    if (!l.entries.isEmpty()) {
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::white);
        painter.drawRect(l.legend.adjusted(0, 0, -1, -1));
        painter.setFont(labelFont_);
        for (int i = 0; i < l.entries.size(); ++i) {
            const LegendEntry& e = l.entries[i];
            const FleetLine& line = trend_.lines()[std::size_t(i)];
            painter.fillRect(e.swatch, line.colour);
            painter.setPen(Qt::black);
            labelTexts_.draw(painter, e.nameRect,
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, line.robot);
            labelTexts_.draw(painter, e.balanceRect,
                             Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, e.balance);
        }
    }
}

void FleetChart::mousePressEvent(QMouseEvent* event)
{
    guarded([&] {
        const QPoint at = event->position().toPoint();
        if (drag_.state() != MouseState::None)
            return;
        pressedEntry_ = event->button() == Qt::LeftButton ? Layout().legendEntryAt(at) : -1;
        if (!Layout().chart.mouseArea().contains(at))
            return;
        drag_.begin(event->button(), at);
        underBand_.forget();
    });
}

void FleetChart::mouseMoveEvent(QMouseEvent* event)
{
    guardedLater([&] {
        const QPoint at = event->position().toPoint();
        switch (drag_.state()) {
        case MouseState::None:
            hover(at);
            return;
        case MouseState::Zoom:
            update(drag_.moveBand(at));
            return;
        case MouseState::Pan:
            if (const auto step = drag_.panStep(at, Layout().chart.plot);
                step && step->first != step->second)
                zoomTo(
                    chartdrag::pannedRanges(Layout().chart.transform, step->first, step->second));
            return;
        }
    });
}

void FleetChart::mouseReleaseEvent(QMouseEvent* event)
{
    guarded([&] {
        const QPoint at = event->position().toPoint();
        const MouseState was = drag_.end();
        const QPoint pressPoint = drag_.pressPoint();
        const int entry = std::exchange(pressedEntry_, -1);
        if (event->button() != Qt::LeftButton)
            return;
        if (was == MouseState::Zoom) {
            underBand_.forget();
            update();
            switch (chartdrag::zoomDragKind(pressPoint, at)) {
            case chartdrag::ZoomDrag::Zoom:
                zoomTo(chartdrag::bandRanges(Layout().chart.transform, pressPoint, at));
                return;
            case chartdrag::ZoomDrag::Undo:
                undoZoom();
                return;
            case chartdrag::ZoomDrag::None:
                break;
            }
            // A press and release in place is a click: on a line, it picks the robot.
            if ((at - pressPoint).manhattanLength() > chartdrag::kZoomThreshold)
                return;
            const int line = hitLine(segments(), Layout().chart.transform.x, at).line;
            if (line >= 0)
                emit robotPicked(trend_.lines()[std::size_t(line)].robot);
            return;
        }
        if (entry >= 0 && entry == Layout().legendEntryAt(at))
            emit robotPicked(trend_.lines()[std::size_t(entry)].robot);
    });
}

void FleetChart::hover(QPoint at)
{
    const int line = Layout().chart.plot.contains(at)
                         ? hitLine(segments(), Layout().chart.transform.x, at).line
                         : Layout().legendEntryAt(at);
    if (line != hovered_) {
        hovered_ = line;
        update();
    }
    const QString text = hoverText(at);
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(mapToGlobal(at), text, this);
}

void FleetChart::leaveEvent(QEvent*)
{
    if (hovered_ >= 0) {
        hovered_ = -1;
        update();
    }
}
