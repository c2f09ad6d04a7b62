#pragma once
#include "AccessibleChart.h"
#include "BandPicture.h"
#include "ChartDrag.h"
#include "ChartLayout.h"
#include "ChartTransform.h"
#include "Colors.h"
#include "LineSeries.h"
#include "ShapedText.h"

#include <QFont>
#include <QPoint>
#include <QRegion>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

class TCustomADODataSet;
class TDBChartDataSource;
class Field;

// A data-bound line chart in 3D view: follows its datasets' open and close, draws the
// walls, the left axis with labels and the series as ribbons; zooms and pans by mouse.
class TDBChart : public QWidget {
    Q_OBJECT
public:
    using MouseState = ChartMouseDrag::State;

    explicit TDBChart(QWidget* parent = nullptr);
    ~TDBChart() override;

    // A new series owned by this chart.
    TLineSeries* addSeries();

    // Attaches every series once the design is complete: empties it, starts listening to its
    // dataset and loads it when the dataset is already open.
    void loaded();

    void ReloadFromDataSet(TCustomADODataSet* dataSet);
    void ClearSeriesPoints(TLineSeries* series);
    // Empties every series reading the dataset.
    void clearSeriesOf(TCustomADODataSet* dataSet);
    int InsertPointByX(TLineSeries* series, double x, double y, BgrColor color);
    // Drops the listener on a dataset that is about to be destroyed (the dataset calls it
    // through its listener while it still exists).
    void dataSetRemoved(TCustomADODataSet* dataSet);
    int dataSourceCount() const { return int(dataSources_.size()); }

    bool updating() const { return updating_; }

    // The series read out: what it names, its number of points, the first, last, highest and
    // lowest value; "没有数据" without points.
    QString summary() const;

    // The axis ranges in effect: those of the points unless a zoom or a pan fixed them.
    AxisRange bottomRange() const { return zoom_.bottomRange(automaticBottomRange()); }
    AxisRange leftRange() const { return zoom_.leftRange(automaticLeftRange()); }
    const ChartZoomState& zoomState() const { return zoom_; }
    void undoZoom();

    const ChartLayout& Layout() const;
    MouseState mouseState() const { return drag_.state(); }
    // The rubber band while a zoom drag runs.
    QRect zoomRect() const { return drag_.band(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void attachSeries(TLineSeries* series);
    void changedPoints();
    // Whatever moves the axes or the points: the layout and the picture under a zoom band go.
    void layoutChanged();
    void paintChart(QPainter& painter) const;
    // One series' share of a rebuild: its fields, found at the first row, and the points read.
    struct SeriesReading {
        TLineSeries* series;
        const Field* x = nullptr;
        const Field* y = nullptr;
        std::vector<TLineSeries::Point> points;
        bool titled = false;
    };
    void readRowPoint(SeriesReading& reading, TCustomADODataSet* dataSet);
    TDBChartDataSource* dataSourceFor(TCustomADODataSet* dataSet) const;
    // Axis ranges from the points: both 0 to 0 without points.
    AxisRange automaticBottomRange() const;
    AxisRange automaticLeftRange() const;
    void zoomTo(AxisRange bottom, AxisRange left);
    void finishZoomDrag(QPoint releasePoint);
    void panBy(QPoint from, QPoint to);

    std::vector<std::unique_ptr<TLineSeries>> series_;
    std::vector<std::unique_ptr<TDBChartDataSource>> dataSources_;
    bool updating_ = false;
    QFont labelFont_;
    mutable ShapedTextCache labelTexts_;
    ChartZoomState zoom_;
    mutable std::optional<ChartLayout> layout_;
    ChartDescriptionNotice descriptionNotice_;

    ChartMouseDrag drag_;
    BandPicture underBand_;
};
