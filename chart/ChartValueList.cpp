#include "ChartValueList.h"

void ChartValueList::insert(int index, double value)
{
    values_.insert(index, value);
    stale_ = true;
}

void ChartValueList::append(double value)
{
    values_.append(value);
    stale_ = true;
}

void ChartValueList::clear()
{
    values_.clear();
    stale_ = true;
}

double ChartValueList::minValue() const
{
    recalc();
    return min_;
}

double ChartValueList::maxValue() const
{
    recalc();
    return max_;
}

void ChartValueList::recalc() const
{
    if (!stale_)
        return;
    min_ = max_ = 0;
    for (int i = 0; i < count(); ++i) {
        const double v = value(i);
        if (i == 0 || v < min_)
            min_ = v;
        if (i == 0 || v > max_)
            max_ = v;
    }
    stale_ = false;
}
