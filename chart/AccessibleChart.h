#pragma once
#include "Accessibility.h"

#include <QAccessibleWidget>
#include <QString>
#include <functional>

class QWidget;

// A chart reads as a chart whose description sums up what it draws.
class AccessibleChart : public QAccessibleWidget {
public:
    AccessibleChart(QWidget* chart, std::function<QString()> summary);
    QString text(QAccessible::Text t) const override;

private:
    std::function<QString()> summary_;
};

// Tells a listening screen reader that a chart's description changed: once the events in hand
// are done (a reload clears and refills the points in one step), and only if its text did.
class ChartDescriptionNotice {
public:
    void changed(QWidget* chart, std::function<QString()> summary);

private:
    bool posted_ = false;
    QString told_;
};

namespace accessibility {
void registerCharts();
} // namespace accessibility
