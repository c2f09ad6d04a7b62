#include "FeedSchedule.h"

namespace {
constexpr qint64 kSecondsPerDay = 24 * 60 * 60;

QDateTime wholeSecond(const QDateTime& t)
{
    return t.addMSecs(-(t.time().msec()));
}
} // namespace

QDateTime FeedSchedule::nextTick(const QDateTime& now,
                                 const std::optional<QDateTime>& previous) const
{
    const QDateTime from = previous && *previous > now ? *previous : now;
    // Wall-clock slots, so that the ticks keep their seconds on a day with a clock change.
    const qint64 second = from.time().msecsSinceStartOfDay() / 1000;
    const qint64 next = (second / interval_ + 1) * interval_;
    if (next >= kSecondsPerDay)
        return QDateTime(from.date().addDays(1), QTime(0, 0), from.timeSpec());
    return QDateTime(from.date(), QTime::fromMSecsSinceStartOfDay(int(next * 1000)),
                     from.timeSpec());
}

std::optional<QDateTime> FeedSchedule::drawTimeAt(const QDateTime& tick,
                                                  const std::optional<QDateTime>& lastDraw)
{
    const QDateTime draw = wholeSecond(tick);
    if (lastDraw && draw <= *lastDraw)
        return std::nullopt;
    return draw;
}
