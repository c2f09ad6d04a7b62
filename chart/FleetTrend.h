#pragma once
#include "ChartAxis.h"
#include "LineSeries.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>
#include <optional>
#include <vector>

// One row of the fleet's balances: a robot's balance at a draw (none when NULL).
struct FleetTrendRow {
    QString draw;
    QString robot;
    std::optional<double> balance;
};

// One robot's line: its points at the draws' places (0, 1, … along the bottom axis), null
// where the robot has no row or no balance, so that the line has a gap there.
struct FleetLine {
    QString robot;
    QColor colour;
    std::optional<double> latest; // the balance at the robot's newest draw
    std::unique_ptr<TLineSeries> series;
};

// Every robot's balance over the same draws, ready to be drawn.
class FleetTrend {
public:
    // Robots in the order they first appear, draws ascending.
    static FleetTrend fromRows(const QVector<FleetTrendRow>& rows);

    const QStringList& draws() const { return draws_; }
    const std::vector<FleetLine>& lines() const { return lines_; }
    bool isEmpty() const { return lines_.empty(); }
    // The draw at a place on the bottom axis; empty outside the draws.
    QString drawAt(int place) const { return draws_.value(place); }

    // The ranges of the points with a balance; 0 to 0 without any.
    AxisRange drawRange() const;
    AxisRange balanceRange() const;

private:
    QStringList draws_;
    std::vector<FleetLine> lines_;
};
