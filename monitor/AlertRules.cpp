#include "AlertRules.h"

#include <algorithm>
#include <limits>

namespace {

struct RuleInfo {
    const char* key;
    const char* name;
    qint64 min;
    qint64 max;
    const char* unit; // in messages
};

constexpr RuleInfo kRules[kAlertRuleCount] = {
    {"balance_floor", "余额低于下限", std::numeric_limits<qint32>::min(),
     std::numeric_limits<qint32>::max(), "a whole number (a balance)"},
    {"losing_streak", "连续输", 1, kMaxLosingStreak, "a number of bets"},
    {"robot_quiet_minutes", "机器人无新结果", 1, 1440, "minutes"},
    {"writer_quiet_minutes", "写入停止", 1, 1440, "minutes"},
    {"outage_seconds", "连接中断", 1, 86400, "seconds"},
};

const RuleInfo& info(AlertRule rule)
{
    return kRules[int(rule)];
}

} // namespace

AlertRules AlertRules::defaults()
{
    AlertRules rules;
    rules.fleet[int(AlertRule::RobotQuiet)] = kDefaultRobotQuietMinutes;
    rules.fleet[int(AlertRule::WriterQuiet)] = kDefaultWriterQuietMinutes;
    rules.fleet[int(AlertRule::Outage)] = kDefaultOutageSeconds;
    return rules;
}

AlertRules::Limit AlertRules::limit(AlertRule rule, const QString& robot) const
{
    if (!robot.isEmpty()) {
        const auto own = robots.constFind(robot);
        if (own != robots.constEnd() && own->contains(rule))
            return own->value(rule);
    }
    return fleet[int(rule)];
}

int AlertRules::longestStreak() const
{
    qint64 longest = fleet[int(AlertRule::LosingStreak)].value_or(0);
    for (const auto& own : robots)
        longest = std::max(longest, own.value(AlertRule::LosingStreak).value_or(0));
    return int(longest);
}

bool AlertRules::needsFleetState() const
{
    for (AlertRule rule :
         {AlertRule::BalanceFloor, AlertRule::LosingStreak, AlertRule::RobotQuiet}) {
        if (fleet[int(rule)])
            return true;
        for (const auto& own : robots)
            if (own.value(rule))
                return true;
    }
    return false;
}

bool AlertRules::anyOn() const
{
    return needsFleetState() || fleet[int(AlertRule::WriterQuiet)] || fleet[int(AlertRule::Outage)];
}

QString alertRuleName(AlertRule rule)
{
    return QString::fromUtf8(info(rule).name);
}

QString alertRuleKey(AlertRule rule)
{
    return QString::fromUtf8(info(rule).key);
}

std::optional<AlertRule> alertRuleFromKey(const QString& key)
{
    for (int i = 0; i < kAlertRuleCount; ++i)
        if (key == QLatin1String(kRules[i].key))
            return AlertRule(i);
    return std::nullopt;
}

bool isRobotRule(AlertRule rule)
{
    return rule != AlertRule::WriterQuiet && rule != AlertRule::Outage;
}

std::optional<qint64> alertLimitFromText(AlertRule rule, const QString& text, QString* reason)
{
    const RuleInfo& r = info(rule);
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < r.min || value > r.max) {
        *reason = QStringLiteral("%1 must be off or %2 from %3 to %4")
                      .arg(QLatin1String(r.key), QLatin1String(r.unit))
                      .arg(r.min)
                      .arg(r.max);
        return std::nullopt;
    }
    return value;
}
