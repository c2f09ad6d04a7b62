#pragma once
#include <QDateTime>
#include <optional>

// When the feed writes and which draw it writes. Draws are always one minute apart. With the
// 60-second interval the feed keeps pace with the clock: it writes at second 0 of every
// minute the draw of that minute, skipping the minutes it was not running. Any other interval
// fast-forwards: each tick writes the minute after the last draw, however far ahead that is.
class FeedSchedule {
public:
    explicit FeedSchedule(int intervalSeconds) : interval_(intervalSeconds) {}
    bool followsClock() const { return interval_ == 60; }

    // The first moment after `now` at which a tick is due, following `previous` if any.
    QDateTime nextTick(const QDateTime& now, const std::optional<QDateTime>& previous) const;
    QDateTime drawTimeAt(const QDateTime& tick, const std::optional<QDateTime>& lastDraw) const;

private:
    int interval_;
};
