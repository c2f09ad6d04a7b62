#pragma once
#include <QDateTime>
#include <optional>

// When the feed writes and which draw it writes. A draw is never later than the clock: each
// tick writes the draw of the tick's own time. Ticks fall on the whole multiples of the
// interval since midnight, so the default 60 seconds gives a draw at second 0 of every minute,
// and a shorter interval (a fast demo) more draws within a minute.
class FeedSchedule {
public:
    explicit FeedSchedule(int intervalSeconds) : interval_(intervalSeconds) {}

    // The first tick after `now`, and after `previous` if any.
    QDateTime nextTick(const QDateTime& now, const std::optional<QDateTime>& previous) const;
    // The draw time of a tick; none while the clock is not past the last draw (it went back).
    static std::optional<QDateTime> drawTimeAt(const QDateTime& tick,
                                               const std::optional<QDateTime>& lastDraw);

private:
    int interval_;
};
