#include "DBChart.h"

#include "ADODataSet.h"
#include "AccessibleChart.h"
#include "Application.h"
#include "ChartDrag.h"
#include "ChartPainter.h"
#include "DBChartDataSource.h"
#include "Fonts.h"
#include "LineSegments.h"
#include "ScopeGuard.h"

#include <QApplication>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <exception>
#include <utility>

namespace {
constexpr int kArialEightPointPixels = 11; // 8 pt at 96 dpi
// The left wall's fill: 0x80FFFF, that is red 255, green 255, blue 128.
constexpr BgrColor kLeftWallColor = 8454143;
constexpr BgrColor kBottomWallColor = clWhite;
} // namespace

TDBChart::TDBChart(QWidget* parent)
    : QWidget(parent), labelFont_(pixelFont(kArial, kArialEightPointPixels))
{
    setObjectName(QStringLiteral("DBChart1"));
    accessibility::registerCharts();
}

TDBChart::~TDBChart() = default;

TLineSeries* TDBChart::addSeries()
{
    series_.push_back(std::make_unique<TLineSeries>());
    return series_.back().get();
}

void TDBChart::loaded()
{
    for (const auto& s : series_)
        attachSeries(s.get());
}

void TDBChart::attachSeries(TLineSeries* series)
{
    ClearSeriesPoints(series);
    TCustomADODataSet* dataSet = series->DataSource();
    if (!dataSet)
        return;
    if (!dataSourceFor(dataSet))
        dataSources_.push_back(std::make_unique<TDBChartDataSource>(this, dataSet));
    ReloadFromDataSet(dataSet);
}

TDBChartDataSource* TDBChart::dataSourceFor(TCustomADODataSet* dataSet) const
{
    for (const auto& d : dataSources_)
        if (d->dataSet() == dataSet)
            return d.get();
    return nullptr;
}

void TDBChart::dataSetRemoved(TCustomADODataSet* dataSet)
{
    for (auto it = dataSources_.begin(); it != dataSources_.end();) {
        if ((*it)->dataSet() == dataSet) {
            it = dataSources_.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& s : series_)
        if (s->DataSource() == dataSet)
            s->setDataSource(nullptr);
}

void TDBChart::ReloadFromDataSet(TCustomADODataSet* dataSet)
{
    if (updating_ || !dataSet || !dataSet->Active())
        return;
    updating_ = true;
    const ScopeGuard notUpdating([this] { updating_ = false; });
    std::vector<SeriesReading> reading;
    for (const auto& s : series_)
        if (s->DataSource() == dataSet && !s->YValues().ValueSource().isEmpty())
            reading.push_back({s.get(), nullptr, nullptr, {}});
    if (reading.empty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ScopeGuard cursorBack([] { QApplication::restoreOverrideCursor(); });
    for (const SeriesReading& r : reading)
        ClearSeriesPoints(r.series);
    // The grids on the same dataset must not follow the walk.
    dataSet->disableControls();
    Bookmark kept = dataSet->getBookmark();
    // Going back to the row and enabling the controls may fail as well, so they run here, not
    // in a guard (whose clean-up must not throw): a failed walk's error is held until they ran,
    // and the last error raised is the one passed on.
    std::exception_ptr failure;
    try {
        for (dataSet->First(); !dataSet->eof(); dataSet->Next())
            for (SeriesReading& r : reading)
                readRowPoint(r, dataSet);
    } catch (...) {
        failure = std::current_exception();
    }
    // The points read go in together, also those read before a failing row.
    for (SeriesReading& r : reading)
        r.series->insertPointsByX(std::exchange(r.points, {}));
    changedPoints();
    try {
        if (dataSet->bookmarkValid(kept))
            dataSet->gotoBookmark(kept);
    } catch (...) {
        failure = std::current_exception();
    }
    dataSet->freeBookmark(kept);
    dataSet->enableControls();
    if (failure)
        std::rethrow_exception(failure);
}

void TDBChart::readRowPoint(SeriesReading& reading, TCustomADODataSet* dataSet)
{
    const TLineSeries* series = reading.series;
    if (!reading.x)
        reading.x = dataSet->fieldByName(series->XValues().ValueSource());
    const double x = reading.x->asFloat();
    if (!reading.y)
        reading.y = dataSet->fieldByName(series->YValues().ValueSource());
    const double y = reading.y->asFloat();
    if (!reading.titled && !series->titleSource().isEmpty()) {
        reading.series->setTitle(dataSet->fieldByName(series->titleSource())->asString());
        reading.titled = true;
    }
    reading.points.push_back({x, y, reading.y->isNull() ? clNone : clDefault});
}

void TDBChart::ClearSeriesPoints(TLineSeries* series)
{
    series->clear();
    series->setTitle({});
    changedPoints();
}

void TDBChart::clearSeriesOf(TCustomADODataSet* dataSet)
{
    for (const auto& s : series_)
        if (s->DataSource() == dataSet)
            ClearSeriesPoints(s.get());
}

int TDBChart::InsertPointByX(TLineSeries* series, double x, double y, BgrColor color)
{
    const int index = series->InsertPointByX(x, y, color);
    changedPoints();
    return index;
}

void TDBChart::changedPoints()
{
    layoutChanged();
    update();
    descriptionNotice_.changed(this, [this] { return summary(); });
}

QString TDBChart::summary() const
{
    const auto withPoints =
        std::find_if(series_.begin(), series_.end(), [](const auto& s) { return s->count() > 0; });
    if (withPoints == series_.end())
        return QStringLiteral("没有数据");
    const TLineSeries& s = **withPoints;
    const auto number = [](double value) {
        return QLocale::c().toString(value, 'f', QLocale::FloatingPointShortest);
    };
    const ChartValueList& y = s.YValues();
    QString text = s.title().isEmpty() ? QString() : s.title() + QStringLiteral("：");
    return text + QStringLiteral("%1 个点，第一个 %2，最后一个 %3，最高 %4，最低 %5")
                      .arg(s.count())
                      .arg(number(y.value(0)), number(y.Last()), number(y.maxValue()),
                           number(y.minValue()));
}

namespace {
// The range over every series with points; 0 to 0 when there are none.
AxisRange rangeOver(const std::vector<std::unique_ptr<TLineSeries>>& series,
                    const ChartValueList& (TLineSeries::*list)() const)
{
    AxisRange r;
    bool any = false;
    for (const auto& s : series) {
        if (s->count() == 0)
            continue;
        const ChartValueList& values = (s.get()->*list)();
        r = any ? AxisRange{qMin(r.minimum, values.minValue()), qMax(r.maximum, values.maxValue())}
                : AxisRange{values.minValue(), values.maxValue()};
        any = true;
    }
    return r;
}
} // namespace

AxisRange TDBChart::automaticBottomRange() const
{
    return rangeOver(series_, &TLineSeries::XValues);
}

AxisRange TDBChart::automaticLeftRange() const
{
    return rangeOver(series_, &TLineSeries::YValues);
}

void TDBChart::zoomTo(AxisRange bottom, AxisRange left)
{
    zoom_.fix(bottom, left);
    layoutChanged();
    update();
}

void TDBChart::undoZoom()
{
    zoom_.undo();
    layoutChanged();
    update();
}

const ChartLayout& TDBChart::Layout() const
{
    if (!layout_)
        layout_ = computeChartLayout(size(), QFontMetrics(labelFont_), bottomRange(), leftRange());
    return *layout_;
}

void TDBChart::resizeEvent(QResizeEvent*)
{
    layoutChanged();
}

void TDBChart::layoutChanged()
{
    layout_.reset();
    underBand_.forget();
}

void TDBChart::paintChart(QPainter& painter) const
{
    const ChartLayout& l = Layout();
    ChartPainter p(painter, l);
    p.paintPanel();
    p.paintWalls(toQColor(kLeftWallColor), toQColor(kBottomWallColor));
    p.paintLeftAxis(labelFont_, labelTexts_);
    p.paintBottomAxis();
    for (const auto& s : series_)
        p.paintLine(lineSegments(*s, l.transform));
}

void TDBChart::paintEvent(QPaintEvent*)
{
    guardedLater([&] {
        QPainter painter(this);
        if (drag_.state() != MouseState::Zoom) {
            paintChart(painter);
            return;
        }
        painter.drawPixmap(0, 0, underBand_.of(*this, [this](QPainter& p) { paintChart(p); }));
        ChartPainter(painter, Layout()).paintRubberBand(zoomRect());
    });
}

void TDBChart::mousePressEvent(QMouseEvent* event)
{
    guarded([&] {
        if (drag_.state() != MouseState::None ||
            !Layout().mouseArea().contains(event->position().toPoint()))
            return;
        drag_.begin(event->button(), event->position().toPoint());
        underBand_.forget();
    });
}

void TDBChart::mouseMoveEvent(QMouseEvent* event)
{
    guardedLater([&] {
        const QPoint at = event->position().toPoint();
        switch (drag_.state()) {
        case MouseState::None:
            return;
        case MouseState::Zoom:
            update(drag_.moveBand(at));
            return;
        case MouseState::Pan:
            if (const auto step = drag_.panStep(at, Layout().plot))
                panBy(step->first, step->second);
            return;
        }
    });
}

void TDBChart::mouseReleaseEvent(QMouseEvent* event)
{
    guarded([&] {
        if (drag_.end() == MouseState::Zoom) {
            underBand_.forget();
            finishZoomDrag(event->position().toPoint());
            update();
        }
    });
}

void TDBChart::finishZoomDrag(QPoint releasePoint)
{
    const QPoint pressPoint = drag_.pressPoint();
    switch (chartdrag::zoomDragKind(pressPoint, releasePoint)) {
    case chartdrag::ZoomDrag::Zoom: {
        const auto [bottom, left] =
            chartdrag::bandRanges(Layout().transform, pressPoint, releasePoint);
        zoomTo(bottom, left);
        return;
    }
    case chartdrag::ZoomDrag::Undo:
        undoZoom();
        return;
    case chartdrag::ZoomDrag::None:
        return;
    }
}

void TDBChart::panBy(QPoint from, QPoint to)
{
    if (from == to)
        return;
    const auto [bottom, left] = chartdrag::pannedRanges(Layout().transform, from, to);
    zoomTo(bottom, left);
}
