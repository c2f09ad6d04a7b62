#include "Feed.h"

#include "DrawTime.h"
#include "FeedSchema.h"

#include <QSet>

namespace {

constexpr int kHistoryChunk = 2000; // draws per transaction while writing the past

} // namespace

Feed::Feed(FeedDatabase& db) : db_(db) {}

Feed::~Feed() = default;

void Feed::prepare(const QDateTime& now)
{
    // A file of nothing but an empty database is as new as a file the feed created; tables of
    // another program are not the feed's to add to.
    if (db_.createdFile() || hasNoTables())
        createSchema();
    else
        checkSchema();
    removeOwnDrawsAfter(now);
    resume();
    lastRowId_ = newestRowId();
    insert_ = std::make_unique<FeedStatement>(
        db_, "INSERT INTO a5_z0_5yc (kind, cpqh, zjhm, tsbh, kjsj, opdatetimeT, ainame, K00, K01, "
             "K02, K03, K04, K05, "
             "CreateDT) VALUES (1, ?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
}

bool Feed::hasNoTables()
{
    FeedStatement tables(db_, "SELECT count(*) FROM sqlite_master");
    return tables.step() && tables.integer(0) == 0;
}

void Feed::createSchema()
{
    SqliteTransaction t(db_);
    db_.exec(kFeedSchemaSql);
    db_.exec("INSERT OR IGNORE INTO \"TA71操作用户\" (\"F01用户ID\", \"F03用户名\", \"F05姓名\", "
             "\"F07口令\") "
             "VALUES (1, 'demo', '演示操作员', 'demo')");
    t.commit();
}

void Feed::checkSchema()
{
    FeedStatement table(db_,
                        "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?1");
    for (const char* name : {"a5_z0_5yc", "a5_z0_00VER"}) {
        table.reset();
        table.bind(1, QString::fromLatin1(name));
        if (!table.step() || table.integer(0) == 0)
            throw FeedError(QStringLiteral("%1 is a database without the table %2, not one of "
                                           "Tallyvane's; it was left unchanged")
                                .arg(db_.path(), QString::fromLatin1(name)));
    }
}

void Feed::removeOwnDrawsAfter(const QDateTime& now)
{
    SqliteTransaction t(db_);
    // The text comparison only narrows the search (a time after the clock sorts after it);
    // each row is then read as a time and its number checked, so that a row the feed cannot
    // prove its own stays, whatever its text.
    FeedStatement later(db_, "SELECT id, cpqh, kjsj FROM a5_z0_5yc WHERE kjsj > ?1");
    later.bind(1, drawtime::text(now));
    std::vector<qint64> own;
    QSet<QString> draws;
    while (later.step()) {
        const std::optional<QDateTime> time = drawtime::parse(later.text(2));
        if (!time)
            ++start_.unreadableRows;
        else if (*time > now && drawtime::isIssueOf(later.text(1), *time)) {
            own.push_back(later.integer(0));
            draws.insert(later.text(1));
        } else if (*time > now)
            ++start_.foreignRows;
    }
    if (own.empty())
        return;
    FeedStatement drop(db_, "DELETE FROM a5_z0_5yc WHERE id = ?1");
    for (const qint64 id : own) {
        drop.reset();
        drop.bind(1, id).step();
    }
    start_.removedDraws = int(draws.size());
    raiseCounter(1); // the client reloads and no longer lists them
    t.commit();
}

void Feed::resume()
{
    empty_ = !FeedStatement(db_, "SELECT 1 FROM a5_z0_5yc LIMIT 1").step();
    findLastOwnDraw();
    if (!lastDraw_) {
        fleet_ = std::make_unique<RobotFleet>(RobotFleet::defaultNames());
        return;
    }
    {
        FeedStatement newer(db_, "SELECT count(DISTINCT cpqh) FROM a5_z0_5yc WHERE cpqh > ?1");
        newer.bind(1, lastIssue_);
        start_.foreignNewer = newer.step() ? int(newer.integer(0)) : 0;
    }

    // The robots of the last draw carry on, in the order their rows were written.
    FeedStatement robots(db_, "SELECT ainame, K00 FROM a5_z0_5yc WHERE cpqh = ?1 ORDER BY id");
    robots.bind(1, lastIssue_);
    QStringList names;
    std::vector<qint64> balances;
    while (robots.step()) {
        names << robots.text(0);
        balances.push_back(robots.integer(1));
    }
    fleet_ = std::make_unique<RobotFleet>(names);

    FeedStatement recent(db_, "SELECT K02, K03, zjhm FROM a5_z0_5yc WHERE ainame = ?1 AND "
                              "cpqh <= ?3 ORDER BY cpqh DESC LIMIT ?2");
    for (size_t i = 0; i < fleet_->robots().size(); ++i) {
        Robot& robot = fleet_->robots()[i];
        recent.reset();
        recent.bind(1, robot.name()).bind(2, WinningHistory::kDepth).bind(3, lastIssue_);
        int streak = 0;
        bool streakOpen = true;
        QStringList numbers;
        while (recent.step()) {
            if (streakOpen && recent.integer(0) == 1 && recent.integer(1) < 0)
                ++streak;
            else
                streakOpen = false;
            if (i == 0)
                numbers.prepend(recent.text(2));
        }
        robot.restore(balances[i], streak);
        for (const QString& n : numbers)
            fleet_->history().add(n);
    }
}

void Feed::findLastOwnDraw()
{
    // Newest first among the numbers shaped like the feed's; the first whose time reads and
    // gives that number is the feed's last draw. Rows of other programs are passed over.
    FeedStatement rows(db_, "SELECT cpqh, kjsj FROM a5_z0_5yc WHERE cpqh GLOB "
                            "'[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]-[0-9][0-9][0-9][0-9]*' "
                            "ORDER BY cpqh DESC");
    while (rows.step()) {
        const std::optional<QDateTime> time = drawtime::parse(rows.text(1));
        if (time && drawtime::isIssueOf(rows.text(0), *time)) {
            lastIssue_ = rows.text(0);
            lastDraw_ = time;
            return;
        }
    }
}

int Feed::writeHistory(int count, const QDateTime& lastTime, const std::function<bool()>& stop)
{
    return writeDraws(drawtime::minuteOf(lastTime).addSecs(-60LL * (count - 1)), count, stop);
}

int Feed::catchUp(const QDateTime& now, const std::function<bool()>& stop)
{
    if (!lastDraw_)
        return 0;
    const QDateTime next = lastDraw_->addSecs(60);
    const qint64 behind = next.secsTo(drawtime::minuteOf(now)) / 60 + 1;
    return behind > 0 ? writeDraws(next, int(behind), stop) : 0;
}

int Feed::writeDraws(const QDateTime& first, int count, const std::function<bool()>& stop)
{
    int written = 0;
    while (written < count) {
        SqliteTransaction t(db_);
        const int chunk = std::min(kHistoryChunk, count - written);
        for (int i = 0; i < chunk; ++i) {
            const QDateTime drawTime = first.addSecs(60LL * (written + i));
            insertDraw(drawTime, drawTime.addSecs(5));
        }
        raiseCounter(chunk);
        lastRowId_ = newestRowId();
        t.commit();
        written += chunk;
        if (stop && stop())
            break;
    }
    return written;
}

qint64 Feed::appendDraw(const QDateTime& drawTime)
{
    SqliteTransaction t(db_);
    // A second writer would interleave its draws with ours and duplicate issue numbers. Only
    // rows added since the last commit count: what was there before is no other writer.
    if (const qint64 newest = newestRowId(); newest > lastRowId_) {
        FeedStatement which(db_, "SELECT cpqh FROM a5_z0_5yc WHERE id = ?1");
        which.bind(1, newest);
        throw FeedError(QStringLiteral("another program wrote draw %1 meanwhile; stopping")
                            .arg(which.step() ? which.text(0) : QString()));
    }
    insertDraw(drawTime, QDateTime::currentDateTime(), true);
    raiseCounter(1);
    const qint64 ver = counter();
    lastRowId_ = newestRowId();
    t.commit();
    return ver;
}

qint64 Feed::newestRowId()
{
    // Finished before the commit (an open read stops the log's checkpoints).
    FeedStatement newest(db_, "SELECT coalesce(max(id), 0) FROM a5_z0_5yc");
    return newest.step() ? newest.integer(0) : 0;
}

void Feed::setMisbehaving(const QStringList& losing, const QStringList& quiet)
{
    losing_ = losing;
    quiet_ = quiet;
}

void Feed::insertDraw(const QDateTime& drawTime, const QDateTime& writtenAt, bool live)
{
    // The past draws stay as the robots played them; only live draws misbehave.
    for (Robot& robot : fleet_->robots())
        robot.setLosing(live && losing_.contains(robot.name()));
    const QString issue = drawtime::issueNumber(drawTime);
    const QString winning = fleet_->drawWinningNumber();
    const QString kjsj = drawtime::text(drawTime);
    const QString operated = drawtime::text(drawTime.addSecs(3));
    const QString created = drawtime::text(writtenAt);
    for (const RobotRow& row : fleet_->play(winning)) {
        if (live && quiet_.contains(row.ainame))
            continue;
        insert_->reset();
        insert_->bind(1, issue)
            .bind(2, winning)
            .bind(3, qint64(row.tsbh))
            .bind(4, kjsj)
            .bind(5, operated);
        insert_->bind(6, row.ainame)
            .bind(7, row.balance)
            .bind(8, qint64(row.stake))
            .bind(9, qint64(row.action));
        insert_->bind(10, row.result)
            .bind(11, row.recommended)
            .bind(12, row.reason)
            .bind(13, created);
        insert_->step();
    }
    lastDraw_ = drawTime;
    lastIssue_ = issue;
}

void Feed::raiseCounter(qint64 by)
{
    FeedStatement ensure(db_, "INSERT OR IGNORE INTO a5_z0_00VER (tablename, ver) VALUES (?1, 0)");
    ensure.bind(1, QString::fromLatin1(kCounterTable)).step();
    FeedStatement raise(db_,
                        "UPDATE a5_z0_00VER SET ver = coalesce(ver, 0) + ?1 WHERE tablename = ?2");
    raise.bind(1, by).bind(2, QString::fromLatin1(kCounterTable)).step();
}

qint64 Feed::counter()
{
    FeedStatement read(db_, "SELECT coalesce(ver, 0) FROM a5_z0_00VER WHERE tablename = ?1");
    read.bind(1, QString::fromLatin1(kCounterTable));
    return read.step() ? read.integer(0) : 0;
}
