#include "LineSeries.h"

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

void TLineSeries::Clear()
{
    x_.Clear();
    y_.Clear();
    colors_.clear();
}
