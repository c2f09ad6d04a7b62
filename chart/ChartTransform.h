#pragma once
#include "ChartAxis.h"

#include <QPoint>

// Maps an axis' values to pixels and back. A vertical axis grows upwards from its end.
class AxisMapping {
public:
    AxisMapping() = default;
    AxisMapping(AxisRange range, int start, int end, bool vertical)
        : range_(range), start_(start), end_(end), vertical_(vertical)
    {
    }

    const AxisRange& range() const { return range_; }
    int start() const { return start_; }
    int end() const { return end_; }
    int length() const { return end_ - start_; }

    // A pixel coordinate, kept as a double so that far-off values can be recognised.
    double position(double value) const
    {
        if (range_.maximum == range_.minimum)
            return start_ + length() / 2;
        const double offset = roundHalfEven((value - range_.minimum) * length() / range_.length());
        return vertical_ ? end_ - offset : start_ + offset;
    }

    double value(double position) const
    {
        if (range_.maximum == range_.minimum || length() == 0)
            return range_.minimum;
        const double offset = vertical_ ? end_ - position : position - start_;
        return range_.minimum + offset * range_.length() / length();
    }

private:
    AxisRange range_;
    int start_ = 0;
    int end_ = 0;
    bool vertical_ = false;
};

// The plot's data <-> front-plane pixel mapping for the bottom (x) and left (y) axes.
struct ChartTransform {
    AxisMapping x;
    AxisMapping y;

    QPointF toScreen(double xValue, double yValue) const
    {
        return {x.position(xValue), y.position(yValue)};
    }
};

// Whether a zoom or a pan has fixed the axes, and what to return to on undo.
class ChartZoomState {
public:
    bool fixed() const { return fixed_; }
    const AxisSetting& bottom() const { return bottom_; }

    // The ranges in effect, given those the points ask for.
    AxisRange bottomRange(AxisRange automatic) const
    {
        return bottom_.automatic ? automatic : bottom_.range;
    }
    AxisRange leftRange(AxisRange automatic) const
    {
        return left_.automatic ? automatic : left_.range;
    }

    // Fixes both axes; the settings before the first zoom or pan are kept for the undo.
    void fix(AxisRange bottom, AxisRange left)
    {
        if (!fixed_) {
            savedBottom_ = bottom_;
            savedLeft_ = left_;
            fixed_ = true;
        }
        bottom_ = {false, atLeastMinimalLength(bottom)};
        left_ = {false, atLeastMinimalLength(left)};
    }

    void undo()
    {
        if (!fixed_)
            return;
        bottom_ = savedBottom_;
        left_ = savedLeft_;
        fixed_ = false;
    }

private:
    static AxisRange atLeastMinimalLength(AxisRange r)
    {
        if (r.maximum < r.minimum + 1e-10)
            r.maximum = r.minimum + 1e-10;
        return r;
    }

    bool fixed_ = false;
    AxisSetting bottom_, left_;
    AxisSetting savedBottom_, savedLeft_;
};
