#pragma once
#include "ChartValueList.h"
#include "Colors.h"

#include <QString>
#include <QVector>

class TDBChart;
class TCustomADODataSet;

struct TChartPen {
    TColor color = clBlack;
    int width = 1;
    bool visible = true;
};

// A line series: four parallel lists (X, Y, colour, label), kept in ascending X order.
class TLineSeries {
public:
    TLineSeries() = default;
    TLineSeries(const TLineSeries&) = delete;
    TLineSeries& operator=(const TLineSeries&) = delete;

    const QString& Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }
    TDBChart* ParentChart() const { return parentChart_; }
    void SetParentChart(TDBChart* chart) { parentChart_ = chart; }
    TCustomADODataSet* DataSource() const { return dataSource_; }
    void SetDataSource(TCustomADODataSet* dataSet) { dataSource_ = dataSet; }

    TChartValueList& XValues() { return x_; }
    const TChartValueList& XValues() const { return x_; }
    TChartValueList& YValues() { return y_; }
    const TChartValueList& YValues() const { return y_; }

    TColor SeriesColor() const { return seriesColor_; }
    void SetSeriesColor(TColor color) { seriesColor_ = color; }
    TChartPen& LinePen() { return linePen_; }
    const TChartPen& LinePen() const { return linePen_; }
    bool Dark3D() const { return dark3D_; }
    void SetDark3D(bool dark) { dark3D_ = dark; }

    int Count() const { return x_.Count(); }
    double XValue(int index) const { return x_.Value(index); }
    double YValue(int index) const { return y_.Value(index); }
    const QString& Label(int index) const { return labels_[index]; }
    bool IsNull(int index) const { return colors_[index] == clNone; }
    // The colour a point is painted in: its own, or the series colour for clDefault.
    TColor ValueColor(int index) const;

    // Stores one point after every point whose X is not greater; returns its index.
    // Stepping back from the end keeps loading in ascending X cheap and equal X in arrival order.
    int InsertPointByX(double x, double y, const QString& label, TColor color);
    void Clear();

private:
    QString name_;
    TDBChart* parentChart_ = nullptr;
    TCustomADODataSet* dataSource_ = nullptr;
    TChartValueList x_;
    TChartValueList y_;
    QVector<TColor> colors_;
    QVector<QString> labels_;
    TColor seriesColor_ = clRed;
    TChartPen linePen_;
    bool dark3D_ = true;
};
