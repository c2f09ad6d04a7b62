#include "LineSeries.h"

#include <algorithm>
#include <cmath>

BgrColor TLineSeries::valueColor(int index) const
{
    const BgrColor c = colors_[index];
    return c == clDefault ? clRed : c;
}

int TLineSeries::InsertPointByX(double x, double y, BgrColor color)
{
    int index = count();
    if (index > 0 && x < x_.Last()) {
        int i = index - 1;
        while (i >= 0 && x_.value(i) > x)
            --i;
        index = i + 1;
    }
    x_.insert(index, x);
    y_.insert(index, y);
    colors_.insert(index, color);
    return index;
}

void TLineSeries::insertPointsByX(const std::vector<Point>& points)
{
    std::vector<Point> merged;
    merged.reserve(count() + points.size());
    for (int i = 0; i < count(); ++i)
        merged.push_back({xValue(i), yValue(i), colors_[i]});
    auto nan = [](const Point& p) { return std::isnan(p.x); };
    // A NaN has no place in an order: with one, the points go in one by one as always.
    if (std::any_of(points.begin(), points.end(), nan) ||
        std::any_of(merged.begin(), merged.end(), nan)) {
        for (const Point& p : points)
            InsertPointByX(p.x, p.y, p.color);
        return;
    }
    // Each new point after the stored ones and the earlier new ones of equal X.
    std::vector<Point> added = points;
    auto byX = [](const Point& a, const Point& b) { return a.x < b.x; };
    std::stable_sort(added.begin(), added.end(), byX);
    const auto stored = merged.size();
    merged.insert(merged.end(), added.begin(), added.end());
    std::inplace_merge(merged.begin(), merged.begin() + stored, merged.end(), byX);
    clear();
    for (const Point& p : merged) {
        x_.append(p.x);
        y_.append(p.y);
        colors_.append(p.color);
    }
}

void TLineSeries::clear()
{
    x_.clear();
    y_.clear();
    colors_.clear();
}
