#include "ChartValueList.h"

void ChartValueList::Insert(int index, double value)
{
    values_.insert(index, value);
    stale_ = true;
}

void ChartValueList::Append(double value)
{
    values_.append(value);
    stale_ = true;
}

void ChartValueList::Clear()
{
    values_.clear();
    stale_ = true;
}

double ChartValueList::MinValue() const
{
    Recalc();
    return min_;
}

double ChartValueList::MaxValue() const
{
    Recalc();
    return max_;
}

void ChartValueList::Recalc() const
{
    if (!stale_)
        return;
    min_ = max_ = 0;
    for (int i = 0; i < Count(); ++i) {
        const double v = Value(i);
        if (i == 0 || v < min_)
            min_ = v;
        if (i == 0 || v > max_)
            max_ = v;
    }
    stale_ = false;
}
