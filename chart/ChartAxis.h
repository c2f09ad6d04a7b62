#pragma once
#include <QString>
#include <QVector>

// To the nearest integer, a half going to the even neighbour.
double roundHalfEven(double value);

struct AxisRange {
    double minimum = 0;
    double maximum = 0;
    double length() const { return maximum - minimum; }
    bool operator==(const AxisRange&) const = default;
};

// An axis' limits: automatic (taken from the points) or fixed by a zoom or a pan.
struct AxisSetting {
    bool automatic = true;
    AxisRange range;
};

// The values an axis labels, from the top label downwards.
struct AxisLabels {
    double step = 0;
    QVector<double> values;
};

// Where labels go on an axis of the given length in pixels, for labels of the given text
// height; no labels when they would be 10 000 or more.
AxisLabels computeAxisLabels(AxisRange range, int axisLength, int labelSize);

// Formats a value as "#,##0.###": thousands separated by commas, at most three decimals.
QString formatAxisValue(double value);
