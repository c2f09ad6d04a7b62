#include "LineSeries.h"

TColor TLineSeries::ValueColor(int index) const
{
    const TColor c = colors_[index];
    return c == clDefault ? seriesColor_ : c;
}

int TLineSeries::InsertPointByX(double x, double y, const QString& label, TColor color)
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
    labels_.insert(index, label);
    return index;
}

void TLineSeries::Clear()
{
    x_.Clear();
    y_.Clear();
    colors_.clear();
    labels_.clear();
}
