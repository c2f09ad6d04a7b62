#pragma once
#include "FeedDatabase.h"
#include "RobotFleet.h"

#include <QDateTime>
#include <functional>
#include <memory>
#include <optional>

inline constexpr char kCounterTable[] = "a5_z0_1his";

// Writes the robots' results into an embedded database: the schema and demo operator when
// missing, past draws for a new database, then one draw at a time, each in one transaction
// with the version counter the client watches.
class Feed {
public:
    explicit Feed(FeedDatabase& db);
    ~Feed();

    // Creates what is missing, removes draws later than `now` (an earlier fast-forwarding feed
    // wrote them), and picks up robots, balances and the last draw from the rows.
    void prepare(const QDateTime& now);
    int droppedDraws() const { return droppedDraws_; }
    bool hasDraws() const { return lastDraw_.has_value(); }
    const std::optional<QDateTime>& lastDraw() const { return lastDraw_; }
    const QString& lastIssue() const { return lastIssue_; }

    // Writes `count` draws one minute apart, the last at `lastTime`'s minute, committing in
    // chunks; stops early (between chunks) when `stop` says so. Returns the draws written.
    int writeHistory(int count, const QDateTime& lastTime, const std::function<bool()>& stop);
    // Writes the minutes after the last draw up to `now`'s (a long history takes a while).
    int catchUp(const QDateTime& now, const std::function<bool()>& stop);
    // One draw for every robot at that time, plus one on the counter. Returns the new counter.
    qint64 appendDraw(const QDateTime& drawTime);
    qint64 counter();

private:
    void ensureSchema();
    void dropDrawsAfter(const QDateTime& now);
    void resume();
    int writeDraws(const QDateTime& first, int count, const std::function<bool()>& stop);
    QString latestIssue();
    void insertDraw(const QDateTime& drawTime, const QDateTime& writtenAt);
    void raiseCounter(qint64 by);

    FeedDatabase& db_;
    std::unique_ptr<RobotFleet> fleet_;
    std::optional<QDateTime> lastDraw_;
    QString lastIssue_;
    int droppedDraws_ = 0;
    std::unique_ptr<FeedStatement> insert_;
};
