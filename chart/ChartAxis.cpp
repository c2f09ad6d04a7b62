#include "ChartAxis.h"

#include <QtGlobal>
#include <cmath>

double roundHalfEven(double value)
{
    const double down = std::floor(value);
    const double fraction = value - down;
    if (fraction < 0.5)
        return down;
    if (fraction > 0.5)
        return down + 1;
    return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

namespace {
// The step after the given one in the series 1, 2, 5, 10, … (and its tenths below 1).
double nextAxisStep(double step)
{
    // Work on mantissa and exponent so that repeated steps do not drift (0.1 * 2 * 5 …).
    const int exponent = int(std::floor(std::log10(step) + 1e-9));
    const double scale = std::pow(10.0, exponent);
    const double mantissa = step / scale;
    if (mantissa < 1.5)
        return 2 * scale;
    if (mantissa < 3.5)
        return 5 * scale;
    return 10 * scale;
}
} // namespace

AxisLabels computeAxisLabels(AxisRange range, int axisLength, int labelSize)
{
    constexpr double kTolerance = 1e-12;
    constexpr double kMaxLabels = 10000;
    AxisLabels out;
    const double length = range.length();
    if (!std::isfinite(length) || length < 0)
        return out;
    axisLength = qMax(axisLength, 0);
    const double most = labelSize == 0
                            ? 1
                            : roundHalfEven(double(axisLength) /
                                            (labelSize + roundHalfEven(labelSize * 10 / 100.0)));
    double step = length >= 1 ? 1 : 1e-12;
    while (roundHalfEven(length / step) > most)
        step = nextAxisStep(step);
    if (step < 1e-12)
        step = 1e-12;
    out.step = step;
    if (length / step >= kMaxLabels)
        return out;
    double first = range.maximum;
    if (range.minimum != range.maximum) {
        first = std::trunc(range.maximum / step) * step;
        while (first > range.maximum) {
            // A step below the maximum's precision would never move the value.
            if (first - step >= first) {
                first = range.maximum;
                break;
            }
            first -= step;
        }
    }
    // Counting steps from the first label keeps rounding errors from adding up.
    for (int k = 0;; ++k) {
        const double v = first - k * step;
        if (v < range.minimum - kTolerance || k > kMaxLabels)
            break;
        out.values << v;
        // A collapsed axis has its one label; the tolerance must not add a second.
        if (range.minimum == range.maximum)
            break;
    }
    return out;
}

QString formatAxisValue(double value)
{
    QString digits = QString::number(std::fabs(value), 'f', 3);
    while (digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    if (digits.endsWith(QLatin1Char('.')))
        digits.chop(1);
    const int dot = digits.indexOf(QLatin1Char('.'));
    QString whole = dot < 0 ? digits : digits.left(dot);
    const QString fraction = dot < 0 ? QString() : digits.mid(dot);
    for (int i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, QLatin1Char(','));
    const QString text = whole + fraction;
    const bool zero = text == QLatin1String("0");
    return (value < 0 && !zero ? QStringLiteral("-") : QString()) + text;
}
