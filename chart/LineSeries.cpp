#include "LineSeries.h"

#include <algorithm>
#include <cmath>

TColor TLineSeries::ValueColor(int index) const
{
    const TColor c = colors_[index];
    return c == clDefault ? clRed : c;
}

int TLineSeries::InsertPointByX(double x, double y, TColor color)
{
    int index = Count();
    if (index > 0 && x < x_.Last()) {
        int i = index - 1;
        while (i >= 0 && x_.Value(i) > x)
            --i;
        index = i + 1;
    }
    x_.Insert(index, x);
    y_.Insert(index, y);
    colors_.insert(index, color);
    return index;
}

void TLineSeries::InsertPointsByX(const std::vector<Point>& points)
{
    std::vector<Point> merged;
    merged.reserve(Count() + points.size());
    for (int i = 0; i < Count(); ++i)
        merged.push_back({XValue(i), YValue(i), colors_[i]});
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
    Clear();
    for (const Point& p : merged) {
        x_.Append(p.x);
        y_.Append(p.y);
        colors_.append(p.color);
    }
}

void TLineSeries::Clear()
{
    x_.Clear();
    y_.Clear();
    colors_.clear();
}
