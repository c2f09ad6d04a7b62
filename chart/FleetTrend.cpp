#include "FleetTrend.h"

#include "SeriesColours.h"

#include <QHash>
#include <algorithm>

FleetTrend FleetTrend::fromRows(const QVector<FleetTrendRow>& rows)
{
    FleetTrend t;
    QStringList robots;
    QHash<QString, QHash<QString, std::optional<double>>> byRobot;
    for (const FleetTrendRow& row : rows) {
        if (!byRobot.contains(row.robot))
            robots << row.robot;
        byRobot[row.robot].insert(row.draw, row.balance);
        t.draws_ << row.draw;
    }
    std::sort(t.draws_.begin(), t.draws_.end());
    t.draws_.erase(std::unique(t.draws_.begin(), t.draws_.end()), t.draws_.end());
    const QVector<QColor> colours = seriescolours::coloursFor(robots);
    for (int r = 0; r < robots.size(); ++r) {
        const auto& balances = byRobot[robots[r]];
        FleetLine line{robots[r], colours[r], std::nullopt, std::make_unique<TLineSeries>()};
        std::vector<TLineSeries::Point> points;
        points.reserve(std::size_t(t.draws_.size()));
        // A gap's point sits at the last balance seen, so that it never widens the range.
        std::optional<double> last;
        for (const auto& b : balances)
            if (b && (!last || *b < *last))
                last = b;
        for (int d = 0; d < t.draws_.size(); ++d) {
            const auto found = balances.constFind(t.draws_[d]);
            const bool has = found != balances.constEnd() && found->has_value();
            if (has)
                last = **found;
            points.push_back(
                {double(d), has ? **found : last.value_or(0), has ? clDefault : clNone});
            if (found != balances.constEnd())
                line.latest = *found;
        }
        line.series->insertPointsByX(points);
        t.lines_.push_back(std::move(line));
    }
    return t;
}

AxisRange FleetTrend::drawRange() const
{
    return draws_.isEmpty() ? AxisRange{} : AxisRange{0, double(draws_.size() - 1)};
}

AxisRange FleetTrend::balanceRange() const
{
    AxisRange r;
    bool any = false;
    for (const FleetLine& line : lines_)
        for (int i = 0; i < line.series->count(); ++i) {
            if (line.series->isNull(i))
                continue;
            const double y = line.series->yValue(i);
            r = any ? AxisRange{std::min(r.minimum, y), std::max(r.maximum, y)} : AxisRange{y, y};
            any = true;
        }
    return r;
}
