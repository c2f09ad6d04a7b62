#pragma once
#include "Accessibility.h"

#include <QAccessibleWidget>

class TDBChart;

// The chart reads as a chart whose description sums its series up.
class AccessibleChart : public QAccessibleWidget {
public:
    explicit AccessibleChart(TDBChart* chart);
    QString text(QAccessible::Text t) const override;
};

namespace accessibility {
void registerChart();
} // namespace accessibility
