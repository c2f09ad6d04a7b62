#pragma once
#include "AccessibleChart.h"
#include "BandPicture.h"
#include "ChartDrag.h"
#include "ChartTransform.h"
#include "FleetChartLayout.h"
#include "FleetTrend.h"
#include "ShapedText.h"

#include <QFont>
#include <QRegion>
#include <QWidget>
#include <optional>

// Every robot's balance on one flat chart, one coloured line each, with a legend of names and
// latest balances. The mouse zooms and pans as on the trend chart; hovering a line tells the
// robot, draw and balance; a click on a line or a legend entry picks that robot.
class QPainter;

class FleetChart : public QWidget {
    Q_OBJECT
public:
    using MouseState = ChartMouseDrag::State;

    explicit FleetChart(QWidget* parent = nullptr);

    void setTrend(FleetTrend trend);
    const FleetTrend& trend() const { return trend_; }

    AxisRange bottomRange() const { return zoom_.bottomRange(trend_.drawRange()); }
    AxisRange leftRange() const { return zoom_.leftRange(trend_.balanceRange()); }
    const ChartZoomState& zoomState() const { return zoom_; }
    void undoZoom();

    const FleetChartLayout& Layout() const;
    // Each robot's drawn line for the layout in effect.
    const QVector<QVector<LineSegment>>& segments() const;
    // The robot under a point: on its line or its legend entry; -1 when none.
    int robotAt(QPoint at) const;
    // What hovering the point tells: robot, draw and balance; empty off the lines.
    QString hoverText(QPoint at) const;
    // What a screen reader reads for the chart: the draws it covers and the legend.
    QString summary() const;
    int hoveredLine() const { return hovered_; }
    MouseState mouseState() const { return drag_.state(); }
    // The rubber band while a zoom drag runs.
    QRect zoomRect() const { return drag_.band(); }
    // What a step of the zoom drag repaints: the band's outline.
    QRegion bandRegion() const;

signals:
    void robotPicked(const QString& robot);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void relayout();
    void zoomTo(std::pair<AxisRange, AxisRange> ranges);
    void hover(QPoint at);
    void paintChart(QPainter& painter) const;

    FleetTrend trend_;
    QFont labelFont_;
    mutable ShapedTextCache labelTexts_; // axis, draw and legend labels
    ChartZoomState zoom_;
    mutable std::optional<FleetChartLayout> layout_;
    mutable std::optional<QVector<QVector<LineSegment>>> segments_;
    // Measured once per trend: the layout needs them at every pan step.
    mutable std::optional<FleetLabelWidths> labelWidths_;
    BandPicture underBand_;
    ChartDescriptionNotice descriptionNotice_;
    int hovered_ = -1;

    ChartMouseDrag drag_;
    int pressedEntry_ = -1; // a press on a legend entry
};
