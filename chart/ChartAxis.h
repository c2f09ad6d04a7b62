#pragma once
#include <QString>
#include <QVector>

// To the nearest integer, a half going to the even neighbour.
double roundHalfEven(double value);

struct AxisRange {
    double minimum = 0;
    double maximum = 0;
    double Length() const { return maximum - minimum; }
    bool operator==(const AxisRange&) const = default;
};

// An axis' limits: automatic (taken from the points) or fixed by a zoom or a pan.
struct AxisSetting {
    bool automatic = true;
    AxisRange range;
    bool operator==(const AxisSetting&) const = default;
};

// The values an axis labels, from the top label downwards.
struct AxisLabels {
    double step = 0;
    QVector<double> values;
};

// Where labels go on an axis of the given length in pixels, for labels of the given text
// height; no labels when they would be 10 000 or more.
AxisLabels computeAxisLabels(AxisRange range, int axisLength, int labelSize);

// The step after the given one in the series 1, 2, 5, 10, … (and its tenths below 1).
double nextAxisStep(double step);

// Formats a value as "#,##0.###": thousands separated by commas, at most three decimals.
QString formatAxisValue(double value);
