#pragma once
#include "ChartLayout.h"
#include "ChartTransform.h"
#include "Colors.h"
#include "Exceptions.h"
#include "LineSeries.h"

#include <QFont>
#include <QPoint>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

class TCustomADODataSet;
class TDBChartDataSource;

class EChartException : public Exception {
public:
    using Exception::Exception;
};

// A data-bound line chart in 3D view: follows its datasets' open and close, draws the
// walls, the left axis with labels and the series as ribbons; zooms and pans by mouse.
class TDBChart : public QWidget {
    Q_OBJECT
public:
    enum class MouseState { None, Zoom, Pan };

    explicit TDBChart(QWidget* parent = nullptr);
    ~TDBChart() override;

    // A new series owned by this chart (Series1, Series2 …).
    TLineSeries* AddSeries();
    int SeriesCount() const { return int(series_.size()); }
    TLineSeries* Series(int index) const { return series_[index].get(); }

    // Attaches every series once the design is complete: empties it, starts listening to its
    // dataset and loads it when the dataset is already open.
    void Loaded();
    void AttachSeries(TLineSeries* series);

    void ReloadFromDataSet(TCustomADODataSet* dataSet);
    void ClearSeriesPoints(TLineSeries* series);
    // Empties every series reading the dataset.
    void ClearSeriesOf(TCustomADODataSet* dataSet);
    int InsertPointByX(TLineSeries* series, double x, double y, const QString& label, TColor color);
    // Drops the listener on a dataset that is about to be destroyed (the dataset calls it
    // through its listener while it still exists).
    void DataSetRemoved(TCustomADODataSet* dataSet);
    int DataSourceCount() const { return int(dataSources_.size()); }

    bool Updating() const { return updating_; }
    bool AutoRefresh() const { return autoRefresh_; }
    void SetAutoRefresh(bool on) { autoRefresh_ = on; }
    bool ShowGlassCursor() const { return showGlassCursor_; }
    void SetShowGlassCursor(bool on) { showGlassCursor_ = on; }
    int RefreshInterval() const { return refreshInterval_; }
    void SetRefreshInterval(int seconds);

    TColor BackWallColor() const { return clWhite; }
    TColor LeftWallColor() const { return leftWallColor_; }
    TColor BottomWallColor() const { return bottomWallColor_; }
    QFont LabelFont() const { return labelFont_; }

    // Axis ranges from the points (both 0 to 0 without points), and those in effect.
    AxisRange AutomaticBottomRange() const;
    AxisRange AutomaticLeftRange() const;
    AxisRange BottomRange() const { return zoom_.BottomRange(AutomaticBottomRange()); }
    AxisRange LeftRange() const { return zoom_.LeftRange(AutomaticLeftRange()); }
    const ChartZoomState& ZoomState() const { return zoom_; }
    void ZoomTo(AxisRange bottom, AxisRange left);
    void UndoZoom();

    const ChartLayout& Layout() const;
    MouseState mouseState() const { return mouseState_; }
    // The rubber band while a zoom drag runs.
    QRect ZoomRect() const { return QRect(pressPoint_, lastPoint_).normalized(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ChangedPoints();
    void AddRowPoint(TLineSeries* series, TCustomADODataSet* dataSet);
    TDBChartDataSource* DataSourceFor(TCustomADODataSet* dataSet) const;
    void FinishZoomDrag(QPoint releasePoint);
    void PanBy(QPoint from, QPoint to);

    std::vector<std::unique_ptr<TLineSeries>> series_;
    std::vector<std::unique_ptr<TDBChartDataSource>> dataSources_;
    bool updating_ = false;
    bool autoRefresh_ = true;
    bool showGlassCursor_ = true;
    int refreshInterval_ = 0;
    TColor leftWallColor_ = 8454143;
    TColor bottomWallColor_ = 16777215;
    QFont labelFont_;
    ChartZoomState zoom_;
    mutable std::optional<ChartLayout> layout_;

    MouseState mouseState_ = MouseState::None;
    QPoint pressPoint_;
    QPoint lastPoint_;
};
