#pragma once
#include <QHash>
#include <QMap>
#include <QString>
#include <array>
#include <optional>

// The rules an operator can be alerted by. The first three look at each robot's latest
// results and may differ per robot; the last two watch the whole fleet.
enum class AlertRule { BalanceFloor, LosingStreak, RobotQuiet, WriterQuiet, Outage };
inline constexpr int kAlertRuleCount = 5;

// Each rule's threshold: a balance, a number of bets, minutes (the quiet rules) or seconds
// (the outage); none when the rule is off.
struct AlertRules {
    using Limit = std::optional<qint64>;
    std::array<Limit, kAlertRuleCount> fleet{};
    // Per robot: a rule given there (a limit, or none for off) replaces the fleet's.
    QHash<QString, QMap<AlertRule, Limit>> robots;

    // What a site gets without an [alerts] group: the rules that mean "what you see is not
    // current" are on, whatever the site; the money rules depend on its stakes and are off.
    static AlertRules defaults();

    Limit limit(AlertRule rule, const QString& robot = QString()) const;
    // The most bets any robot's losing streak looks at (0: the rule is off everywhere).
    int longestStreak() const;
    // Whether any robot rule is on somewhere, so that the fleet's state is worth reading.
    bool needsFleetState() const;
    bool anyOn() const;
};

inline constexpr qint64 kDefaultRobotQuietMinutes = 10;
inline constexpr qint64 kDefaultWriterQuietMinutes = 10;
inline constexpr qint64 kDefaultOutageSeconds = 60;
inline constexpr int kMaxLosingStreak = 50;

// The rule as the operator reads it ("余额低于下限"), and its settings key ("balance_floor").
QString alertRuleName(AlertRule rule);
QString alertRuleKey(AlertRule rule);
std::optional<AlertRule> alertRuleFromKey(const QString& key);
bool isRobotRule(AlertRule rule);
// The value a key may take, "off" aside: none with a reason when `text` is not one of them.
std::optional<qint64> alertLimitFromText(AlertRule rule, const QString& text, QString* reason);
