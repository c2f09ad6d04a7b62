#pragma once
#include "AlertRules.h"

#include <QDateTime>
#include <QMap>
#include <QPair>
#include <QString>
#include <QVector>
#include <optional>

// One robot's latest state, as the fleet statement returns it.
struct FleetRobot {
    QString robot;
    QDateTime resultAt; // its latest draw's time; invalid when unreadable
    std::optional<qint64> balance;
    QString outcomes; // its latest bets, newest first: "L" lost, "W" did not
};

// One alert of this run: from when a rule started to hold for a robot (or the fleet) until
// it stopped.
struct AlertEntry {
    QDateTime startedAt;
    QString robot; // empty for the fleet's rules
    AlertRule rule = AlertRule::Outage;
    QString value;     // what made it hold, as it started
    QDateTime endedAt; // invalid while it holds
    QString endValue;  // what ended it
};

struct AlertChange {
    enum class Kind { Started, Ended };
    Kind kind;
    int entry; // index into AlertBook::entries()
};

// The text of a desktop notification for a change.
struct AlertNotice {
    QString summary;
    QString body;
    bool critical = false;
};
AlertNotice alertNotice(const AlertEntry& entry, AlertChange::Kind kind);
// The robot column of an entry: the robot, or the whole fleet.
QString alertRobotText(const AlertEntry& entry);

// The rules' verdicts over time. Each (robot, rule) is a state machine, idle → holding →
// recovered (→ holding again, as a new alert): a change is reported once when a rule starts to
// hold and once when it stops, never while it goes on holding, however often it is looked at.
class AlertBook {
public:
    enum class State { Idle, Holding, Recovered };

    explicit AlertBook(AlertRules rules = {});
    const AlertRules& rules() const { return rules_; }

    // After a reload: the robot rules for every robot; a robot that is gone ends its alerts.
    QVector<AlertChange> fleetRead(const QVector<FleetRobot>& robots, const QDateTime& at);
    // Every header read: the writer is quiet when the counter stayed the same for too long
    // (a counter set back is the writer at work too).
    QVector<AlertChange> counterRead(qint64 ver, const QDateTime& at);
    // Every tick: the outage (invalid `since` when there is none).
    QVector<AlertChange> outageSeen(const QDateTime& since, const QDateTime& at);

    const QVector<AlertEntry>& entries() const { return entries_; } // oldest first
    int holdingCount() const;
    State state(const QString& robot, AlertRule rule) const;

private:
    struct Tracked {
        State state = State::Idle;
        int entry = -1;
    };
    using Key = QPair<QString, int>;
    void observe(const QString& robot, AlertRule rule, bool holds, const QString& value,
                 const QDateTime& at, QVector<AlertChange>& changes);

    AlertRules rules_;
    QMap<Key, Tracked> tracked_;
    QVector<AlertEntry> entries_;
    std::optional<qint64> lastVer_;
    QDateTime lastChange_;
};
