#pragma once
#include "ChartValueList.h"
#include "Colors.h"

#include <QString>
#include <QVector>
#include <vector>

class TCustomADODataSet;

// A line series: three parallel lists (X, Y, colour), kept in ascending X order.
class TLineSeries {
public:
    TLineSeries() = default;
    TLineSeries(const TLineSeries&) = delete;
    TLineSeries& operator=(const TLineSeries&) = delete;

    TCustomADODataSet* DataSource() const { return dataSource_; }
    void setDataSource(TCustomADODataSet* dataSet) { dataSource_ = dataSet; }

    // The field whose text at the first row names what the series shows (read with the points).
    const QString& titleSource() const { return titleSource_; }
    void setTitleSource(const QString& field) { titleSource_ = field; }
    const QString& title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }

    ChartValueList& XValues() { return x_; }
    const ChartValueList& XValues() const { return x_; }
    ChartValueList& YValues() { return y_; }
    const ChartValueList& YValues() const { return y_; }

    int count() const { return x_.count(); }
    double xValue(int index) const { return x_.value(index); }
    double yValue(int index) const { return y_.value(index); }
    bool isNull(int index) const { return colors_[index] == clNone; }
    // The colour a point is painted in: its own, or the series colour (red) for clDefault.
    BgrColor valueColor(int index) const;

    // Stores one point after every point whose X is not greater; returns its index.
    // Stepping back from the end keeps loading in ascending X cheap and equal X in arrival order.
    int InsertPointByX(double x, double y, BgrColor color);
    struct Point {
        double x, y;
        BgrColor color;
    };
    // The same as InsertPointByX for each point in turn, in one pass: rows arriving in
    // descending X would otherwise move every stored point at every insert.
    void insertPointsByX(const std::vector<Point>& points);
    void clear();

private:
    TCustomADODataSet* dataSource_ = nullptr;
    QString titleSource_;
    QString title_;
    ChartValueList x_;
    ChartValueList y_;
    QVector<BgrColor> colors_;
};
