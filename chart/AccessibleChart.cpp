#include "AccessibleChart.h"

#include "DBChart.h"
#include "FleetChart.h"

AccessibleChart::AccessibleChart(QWidget* chart, std::function<QString()> summary)
    : QAccessibleWidget(chart, QAccessible::Chart), summary_(std::move(summary))
{
}

QString AccessibleChart::text(QAccessible::Text t) const
{
    if (t == QAccessible::Description)
        return summary_();
    return QAccessibleWidget::text(t);
}

void ChartDescriptionNotice::changed(QWidget* chart, std::function<QString()> summary)
{
    if (posted_ || !accessibility::listening())
        return;
    posted_ = true;
    QMetaObject::invokeMethod(
        chart,
        [this, chart, summary = std::move(summary)] {
            posted_ = false;
            const QString now = summary();
            if (now == told_)
                return;
            told_ = now;
            QAccessibleEvent event(chart, QAccessible::DescriptionChanged);
            accessibility::send(event);
        },
        Qt::QueuedConnection);
}

namespace {
QAccessibleInterface* makeTrendChart(QObject* object)
{
    auto* chart = static_cast<TDBChart*>(object);
    return new AccessibleChart(chart, [chart] { return chart->summary(); });
}

QAccessibleInterface* makeFleetChart(QObject* object)
{
    auto* chart = static_cast<FleetChart*>(object);
    return new AccessibleChart(chart, [chart] { return chart->summary(); });
}
} // namespace

namespace accessibility {
void registerCharts()
{
    static const bool once = (registerClass("TDBChart", makeTrendChart),
                              registerClass("FleetChart", makeFleetChart), true);
    Q_UNUSED(once);
}
} // namespace accessibility
