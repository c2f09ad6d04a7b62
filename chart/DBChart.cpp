#include "DBChart.h"

#include "ADODataSet.h"
#include "Application.h"
#include "ChartPainter.h"
#include "DBChartDataSource.h"
#include "Fonts.h"
#include "LineSegments.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <utility>

namespace {
constexpr int kZoomThreshold = 16;
constexpr int kArialEightPointPixels = 11; // 8 pt at 96 dpi
// The left wall's fill: 0x80FFFF, that is red 255, green 255, blue 128.
constexpr TColor kLeftWallColor = 8454143;
constexpr TColor kBottomWallColor = clWhite;
} // namespace

TDBChart::TDBChart(QWidget* parent)
    : QWidget(parent), labelFont_(pixelFont(kArial, kArialEightPointPixels))
{
    setObjectName(QStringLiteral("DBChart1"));
}

TDBChart::~TDBChart() = default;

TLineSeries* TDBChart::AddSeries()
{
    series_.push_back(std::make_unique<TLineSeries>());
    return series_.back().get();
}

void TDBChart::Loaded()
{
    for (const auto& s : series_)
        AttachSeries(s.get());
}

void TDBChart::AttachSeries(TLineSeries* series)
{
    ClearSeriesPoints(series);
    TCustomADODataSet* dataSet = series->DataSource();
    if (!dataSet)
        return;
    if (!DataSourceFor(dataSet))
        dataSources_.push_back(std::make_unique<TDBChartDataSource>(this, dataSet));
    ReloadFromDataSet(dataSet);
}

TDBChartDataSource* TDBChart::DataSourceFor(TCustomADODataSet* dataSet) const
{
    for (const auto& d : dataSources_)
        if (d->DataSet() == dataSet)
            return d.get();
    return nullptr;
}

void TDBChart::DataSetRemoved(TCustomADODataSet* dataSet)
{
    for (auto it = dataSources_.begin(); it != dataSources_.end();) {
        if ((*it)->DataSet() == dataSet) {
            it = dataSources_.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& s : series_)
        if (s->DataSource() == dataSet)
            s->SetDataSource(nullptr);
}

void TDBChart::ReloadFromDataSet(TCustomADODataSet* dataSet)
{
    if (updating_ || !dataSet || !dataSet->Active())
        return;
    updating_ = true;
    bool cursorShown = false;
    auto finish = [&] {
        if (cursorShown)
            QApplication::restoreOverrideCursor();
        updating_ = false;
    };
    try {
        std::vector<SeriesReading> reading;
        for (const auto& s : series_)
            if (s->DataSource() == dataSet && !s->YValues().ValueSource().isEmpty())
                reading.push_back({s.get(), nullptr, nullptr, {}});
        if (!reading.empty()) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            cursorShown = true;
            for (const SeriesReading& r : reading)
                ClearSeriesPoints(r.series);
            // The points read go in together, also those read before a failing row.
            auto store = [&] {
                for (SeriesReading& r : reading)
                    r.series->InsertPointsByX(std::exchange(r.points, {}));
                ChangedPoints();
            };
            // The grids on the same dataset must not follow the walk.
            dataSet->DisableControls();
            TBookmark kept = dataSet->GetBookmark();
            auto restoreRow = [&] {
                try {
                    if (dataSet->BookmarkValid(kept))
                        dataSet->GotoBookmark(kept);
                } catch (...) {
                    dataSet->FreeBookmark(kept);
                    dataSet->EnableControls();
                    throw;
                }
                dataSet->FreeBookmark(kept);
                dataSet->EnableControls();
            };
            try {
                for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
                    for (SeriesReading& r : reading)
                        ReadRowPoint(r, dataSet);
            } catch (...) {
                store();
                restoreRow();
                throw;
            }
            store();
            restoreRow();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TDBChart::ReadRowPoint(SeriesReading& reading, TCustomADODataSet* dataSet)
{
    const TLineSeries* series = reading.series;
    if (!reading.x)
        reading.x = dataSet->FieldByName(series->XValues().ValueSource());
    const double x = reading.x->AsFloat();
    if (!reading.y)
        reading.y = dataSet->FieldByName(series->YValues().ValueSource());
    const double y = reading.y->AsFloat();
    reading.points.push_back({x, y, reading.y->IsNull() ? clNone : clDefault});
}

void TDBChart::ClearSeriesPoints(TLineSeries* series)
{
    series->Clear();
    ChangedPoints();
}

void TDBChart::ClearSeriesOf(TCustomADODataSet* dataSet)
{
    for (const auto& s : series_)
        if (s->DataSource() == dataSet)
            ClearSeriesPoints(s.get());
}

int TDBChart::InsertPointByX(TLineSeries* series, double x, double y, TColor color)
{
    const int index = series->InsertPointByX(x, y, color);
    ChangedPoints();
    return index;
}

void TDBChart::ChangedPoints()
{
    layout_.reset();
    update();
}

namespace {
// The range over every series with points; 0 to 0 when there are none.
AxisRange rangeOver(const std::vector<std::unique_ptr<TLineSeries>>& series,
                    const ChartValueList& (TLineSeries::*list)() const)
{
    AxisRange r;
    bool any = false;
    for (const auto& s : series) {
        if (s->Count() == 0)
            continue;
        const ChartValueList& values = (s.get()->*list)();
        r = any ? AxisRange{qMin(r.minimum, values.MinValue()), qMax(r.maximum, values.MaxValue())}
                : AxisRange{values.MinValue(), values.MaxValue()};
        any = true;
    }
    return r;
}
} // namespace

AxisRange TDBChart::AutomaticBottomRange() const
{
    return rangeOver(series_, &TLineSeries::XValues);
}

AxisRange TDBChart::AutomaticLeftRange() const
{
    return rangeOver(series_, &TLineSeries::YValues);
}

void TDBChart::ZoomTo(AxisRange bottom, AxisRange left)
{
    zoom_.Fix(bottom, left);
    layout_.reset();
    update();
}

void TDBChart::UndoZoom()
{
    zoom_.Undo();
    layout_.reset();
    update();
}

const ChartLayout& TDBChart::Layout() const
{
    if (!layout_)
        layout_ = computeChartLayout(size(), QFontMetrics(labelFont_), BottomRange(), LeftRange());
    return *layout_;
}

void TDBChart::resizeEvent(QResizeEvent*)
{
    layout_.reset();
}

void TDBChart::paintEvent(QPaintEvent*)
{
    GuardedLater([&] {
        QPainter painter(this);
        const ChartLayout& l = Layout();
        ChartPainter p(painter, l);
        p.PaintPanel();
        p.PaintWalls(toQColor(kLeftWallColor), toQColor(kBottomWallColor));
        p.PaintLeftAxis(labelFont_);
        p.PaintBottomAxis();
        for (const auto& s : series_)
            p.PaintLine(lineSegments(*s, l.transform));
        if (mouseState_ == MouseState::Zoom)
            p.PaintRubberBand(ZoomRect());
    });
}

void TDBChart::mousePressEvent(QMouseEvent* event)
{
    Guarded([&] {
        if (mouseState_ != MouseState::None ||
            !Layout().MouseArea().contains(event->position().toPoint()))
            return;
        pressPoint_ = lastPoint_ = event->position().toPoint();
        if (event->button() == Qt::LeftButton)
            mouseState_ = MouseState::Zoom;
        else if (event->button() == Qt::RightButton)
            mouseState_ = MouseState::Pan;
    });
}

void TDBChart::mouseMoveEvent(QMouseEvent* event)
{
    GuardedLater([&] {
        const QPoint at = event->position().toPoint();
        switch (mouseState_) {
        case MouseState::None:
            return;
        case MouseState::Zoom:
            lastPoint_ = at;
            update();
            return;
        case MouseState::Pan:
            if (!Layout().plot.contains(at)) {
                mouseState_ = MouseState::None;
                return;
            }
            PanBy(lastPoint_, at);
            lastPoint_ = at;
            return;
        }
    });
}

void TDBChart::mouseReleaseEvent(QMouseEvent* event)
{
    Guarded([&] {
        const MouseState was = mouseState_;
        mouseState_ = MouseState::None;
        if (was == MouseState::Zoom) {
            FinishZoomDrag(event->position().toPoint());
            update();
        }
    });
}

void TDBChart::FinishZoomDrag(QPoint releasePoint)
{
    const QPoint moved = releasePoint - pressPoint_;
    if (std::abs(moved.x()) <= kZoomThreshold || std::abs(moved.y()) <= kZoomThreshold)
        return;
    if (moved.x() < 0 || moved.y() < 0) {
        UndoZoom();
        return;
    }
    const ChartTransform& t = Layout().transform;
    const QRect band(pressPoint_, releasePoint);
    ZoomTo({t.x.Value(band.left()), t.x.Value(band.right())},
           {t.y.Value(band.bottom()), t.y.Value(band.top())});
}

void TDBChart::PanBy(QPoint from, QPoint to)
{
    if (from == to)
        return;
    const ChartTransform& t = Layout().transform;
    const double dx = t.x.Value(from.x()) - t.x.Value(to.x());
    const double dy = t.y.Value(from.y()) - t.y.Value(to.y());
    const AxisRange b = BottomRange(), l = LeftRange();
    ZoomTo({b.minimum + dx, b.maximum + dx}, {l.minimum + dy, l.maximum + dy});
}
