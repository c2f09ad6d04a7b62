#include "AlertBook.h"

#include <QSet>
#include <algorithm>

namespace {

QString minutesText(qint64 seconds)
{
    return QStringLiteral("%1 分钟").arg(seconds / 60);
}

} // namespace

QString alertRobotText(const AlertEntry& entry)
{
    return entry.robot.isEmpty() ? QStringLiteral("全部") : entry.robot;
}

AlertNotice alertNotice(const AlertEntry& entry, AlertChange::Kind kind)
{
    const bool started = kind == AlertChange::Kind::Started;
    const QString who = entry.robot.isEmpty() ? QString() : entry.robot + u' ';
    AlertNotice notice;
    notice.summary = (started ? QStringLiteral("报警：") : QStringLiteral("恢复：")) + who +
                     alertRuleName(entry.rule);
    notice.body = started ? entry.value : QStringLiteral("已恢复：") + entry.endValue;
    notice.critical = entry.rule == AlertRule::BalanceFloor || entry.rule == AlertRule::WriterQuiet;
    return notice;
}

AlertBook::AlertBook(AlertRules rules) : rules_(std::move(rules)) {}

int AlertBook::holdingCount() const
{
    return int(std::count_if(tracked_.cbegin(), tracked_.cend(),
                             [](const Tracked& t) { return t.state == State::Holding; }));
}

AlertBook::State AlertBook::state(const QString& robot, AlertRule rule) const
{
    return tracked_.value(Key(robot, int(rule))).state;
}

void AlertBook::observe(const QString& robot, AlertRule rule, bool holds, const QString& value,
                        const QDateTime& at, QVector<AlertChange>& changes)
{
    Tracked& t = tracked_[Key(robot, int(rule))];
    switch (t.state) {
    case State::Idle:
    case State::Recovered:
        if (holds) {
            t.state = State::Holding;
            t.entry = int(entries_.size());
            entries_.append(AlertEntry{at, robot, rule, value, {}, {}});
            changes.append({AlertChange::Kind::Started, t.entry});
        }
        break;
    case State::Holding:
        if (!holds) {
            t.state = State::Recovered;
            entries_[t.entry].endedAt = at;
            entries_[t.entry].endValue = value;
            changes.append({AlertChange::Kind::Ended, t.entry});
        }
        break;
    }
}

QVector<AlertChange> AlertBook::fleetRead(const QVector<FleetRobot>& robots, const QDateTime& at)
{
    QVector<AlertChange> changes;
    QDateTime newest;
    for (const FleetRobot& r : robots)
        if (r.resultAt.isValid() && (!newest.isValid() || r.resultAt > newest))
            newest = r.resultAt;
    QSet<QString> present;
    for (const FleetRobot& r : robots) {
        present.insert(r.robot);
        if (const auto floor = rules_.limit(AlertRule::BalanceFloor, r.robot); floor && r.balance)
            observe(r.robot, AlertRule::BalanceFloor, *r.balance < *floor,
                    QStringLiteral("余额 %1，下限 %2").arg(*r.balance).arg(*floor), at, changes);
        if (const auto streak = rules_.limit(AlertRule::LosingStreak, r.robot)) {
            const QString latest = r.outcomes.left(int(*streak));
            const bool lost = latest.size() == *streak && !latest.contains(u'W');
            observe(r.robot, AlertRule::LosingStreak, lost,
                    lost ? QStringLiteral("最近 %1 注全输").arg(*streak)
                         : QStringLiteral("最近 %1 注未全输").arg(*streak),
                    at, changes);
        }
        if (const auto quiet = rules_.limit(AlertRule::RobotQuiet, r.robot);
            quiet && r.resultAt.isValid()) {
            const qint64 behind = r.resultAt.secsTo(newest);
            observe(r.robot, AlertRule::RobotQuiet, behind > *quiet * 60,
                    QStringLiteral("最新结果落后 ") + minutesText(behind), at, changes);
        }
    }
    // A robot no longer in the database has nothing left to alert about.
    QVector<Key> gone;
    for (auto it = tracked_.cbegin(); it != tracked_.cend(); ++it)
        if (!it.key().first.isEmpty() && !present.contains(it.key().first) &&
            it->state == State::Holding)
            gone.append(it.key());
    for (const Key& key : gone)
        observe(key.first, AlertRule(key.second), false, QStringLiteral("已不在数据库中"), at,
                changes);
    return changes;
}

QVector<AlertChange> AlertBook::counterRead(qint64 ver, const QDateTime& at)
{
    QVector<AlertChange> changes;
    if (!lastVer_ || *lastVer_ != ver) {
        lastVer_ = ver;
        lastChange_ = at;
    }
    if (const auto quiet = rules_.limit(AlertRule::WriterQuiet)) {
        const qint64 still = lastChange_.secsTo(at);
        observe({}, AlertRule::WriterQuiet, still > *quiet * 60,
                still > *quiet * 60 ? QStringLiteral("版本计数器 %1未增加").arg(minutesText(still))
                                    : QStringLiteral("版本计数器 %1").arg(ver),
                at, changes);
    }
    return changes;
}

QVector<AlertChange> AlertBook::outageSeen(const QDateTime& since, const QDateTime& at)
{
    QVector<AlertChange> changes;
    if (const auto longest = rules_.limit(AlertRule::Outage)) {
        const qint64 lasted = since.isValid() ? since.secsTo(at) : 0;
        observe({}, AlertRule::Outage, since.isValid() && lasted > *longest,
                since.isValid() ? QStringLiteral("已中断 %1 秒").arg(lasted)
                                : QStringLiteral("连接正常"),
                at, changes);
    }
    return changes;
}
