#include "AccessibleChart.h"

#include "DBChart.h"

AccessibleChart::AccessibleChart(TDBChart* chart) : QAccessibleWidget(chart, QAccessible::Chart) {}

QString AccessibleChart::text(QAccessible::Text t) const
{
    if (t == QAccessible::Description)
        return static_cast<const TDBChart*>(object())->summary();
    return QAccessibleWidget::text(t);
}

namespace {
QAccessibleInterface* makeChart(QObject* object)
{
    return new AccessibleChart(static_cast<TDBChart*>(object));
}
} // namespace

namespace accessibility {
void registerChart()
{
    static const bool once = (registerClass("TDBChart", makeChart), true);
    Q_UNUSED(once);
}
} // namespace accessibility
