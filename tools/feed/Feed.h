#pragma once
#include "FeedDatabase.h"
#include "RobotFleet.h"

#include <QDateTime>
#include <functional>
#include <memory>
#include <optional>

inline constexpr char kCounterTable[] = "a5_z0_1his";

// Writes the robots' results into an embedded database: the schema and demo operator into a
// new one, past draws for an empty one, then one draw at a time, each in one transaction with
// the version counter the client watches. It changes no row it did not write.
class Feed {
public:
    explicit Feed(FeedDatabase& db);
    ~Feed();

    // What preparing found and did, for the start-up line.
    struct Start {
        int removedDraws = 0;   // its own draws later than the clock, removed
        int unreadableRows = 0; // rows after the clock whose draw time is no time: left alone
        int foreignRows = 0;    // rows after the clock numbered as it never numbers: left alone
        int foreignNewer = 0;   // draws numbered after its last one that it did not write
    };

    // Creates the schema in a new database; removes its own draws later than `now` (an
    // earlier fast-forwarding feed wrote them), and picks up robots, balances and its last
    // draw from the rows.
    void prepare(const QDateTime& now);
    const Start& start() const { return start_; }
    bool isEmpty() const { return empty_; } // no row at all: past draws may be written
    bool hasDraws() const { return lastDraw_.has_value(); }
    const std::optional<QDateTime>& lastDraw() const { return lastDraw_; }
    const QString& lastIssue() const { return lastIssue_; }

    // Writes `count` draws one minute apart, the last at `lastTime`'s minute, committing in
    // chunks; stops early (between chunks) when `stop` says so. Returns the draws written.
    int writeHistory(int count, const QDateTime& lastTime, const std::function<bool()>& stop);
    // Writes the minutes after the last draw up to `now`'s (a long history takes a while).
    int catchUp(const QDateTime& now, const std::function<bool()>& stop);
    // One draw for every robot at that time, plus one on the counter. Returns the new counter.
    // Raises FeedError when another program added rows since the feed's last commit.
    qint64 appendDraw(const QDateTime& drawTime);
    // From the next appended draw on: robots that lose every bet, robots that write nothing.
    void setMisbehaving(const QStringList& losing, const QStringList& quiet);
    qint64 counter();

private:
    bool hasNoTables();
    void createSchema();
    void checkSchema();
    void removeOwnDrawsAfter(const QDateTime& now);
    void resume();
    void findLastOwnDraw();
    int writeDraws(const QDateTime& first, int count, const std::function<bool()>& stop);
    qint64 newestRowId();
    void insertDraw(const QDateTime& drawTime, const QDateTime& writtenAt, bool live = false);
    void raiseCounter(qint64 by);

    FeedDatabase& db_;
    std::unique_ptr<RobotFleet> fleet_;
    std::optional<QDateTime> lastDraw_;
    QString lastIssue_;
    Start start_;
    bool empty_ = true;
    qint64 lastRowId_ = 0; // the newest row when the feed last committed
    std::unique_ptr<FeedStatement> insert_;
    QStringList losing_;
    QStringList quiet_;
};
