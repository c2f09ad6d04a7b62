#include "FeedSchedule.h"

#include "DrawTime.h"

QDateTime FeedSchedule::nextTick(const QDateTime& now,
                                 const std::optional<QDateTime>& previous) const
{
    if (followsClock())
        return drawtime::minuteOf(now).addSecs(60);
    // Paced from the previous tick so that slow writes do not stretch the interval.
    if (previous && previous->addSecs(interval_) > now)
        return previous->addSecs(interval_);
    return now.addSecs(interval_);
}

QDateTime FeedSchedule::drawTimeAt(const QDateTime& tick,
                                   const std::optional<QDateTime>& lastDraw) const
{
    if (!lastDraw)
        return drawtime::minuteOf(tick);
    const QDateTime following = drawtime::minuteOf(*lastDraw).addSecs(60);
    if (!followsClock())
        return following;
    const QDateTime current = drawtime::minuteOf(tick);
    return current > following ? current : following;
}
