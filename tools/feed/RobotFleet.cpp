#include "RobotFleet.h"

#include <algorithm>
#include <numeric>

namespace {

int unitsOf(const QString& number)
{
    return number.isEmpty() ? 0 : number.back().digitValue();
}

QString digitsText(std::vector<int> digits)
{
    std::sort(digits.begin(), digits.end());
    QString out;
    for (int d : digits)
        out += QChar(u'0' + d);
    return out;
}

} // namespace

void WinningHistory::add(const QString& number)
{
    numbers_.push_back(number);
    if (numbers_.size() > size_t(kDepth))
        numbers_.pop_front();
}

int WinningHistory::previousUnits() const
{
    return numbers_.empty() ? 0 : std::max(0, unitsOf(numbers_.back()));
}

std::array<int, 10> WinningHistory::unitsCounts() const
{
    std::array<int, 10> counts{};
    for (const QString& n : numbers_) {
        const int d = unitsOf(n);
        if (d >= 0 && d <= 9)
            ++counts[size_t(d)];
    }
    return counts;
}

Robot::Robot(QString name, int index) : name_(std::move(name)), index_(index)
{
    if (name_ == QStringLiteral("全局最热"))
        offset_ = -1;
    else if (name_.size() == 2 && name_[0] == u'追' && name_[1].isDigit())
        offset_ = name_[1].digitValue();
    else
        offset_ = index % 10; // a robot of someone else's database: chase like the others
}

void Robot::restore(qint64 balance, int lossStreak)
{
    balance_ = balance;
    lossStreak_ = lossStreak;
}

QString Robot::pickDigits(const WinningHistory& recent, std::mt19937_64& rng, QString& why) const
{
    std::vector<int> digits;
    if (recent.empty()) {
        std::vector<int> all(10);
        std::iota(all.begin(), all.end(), 0);
        std::shuffle(all.begin(), all.end(), rng);
        digits.assign(all.begin(), all.begin() + kDigitsPerBet);
        why = QStringLiteral("无历史数据，随机取五码");
    } else if (offset_ < 0) {
        const auto counts = recent.unitsCounts();
        std::vector<int> order(10);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return counts[size_t(a)] > counts[size_t(b)]; });
        digits.assign(order.begin(), order.begin() + kDigitsPerBet);
        int heat = 0;
        for (int d : digits)
            heat += counts[size_t(d)];
        why = QStringLiteral("近%1期个位最热五码，共出%2次").arg(recent.size()).arg(heat);
    } else {
        const int base = recent.previousUnits();
        for (int i = 0; i < kDigitsPerBet; ++i)
            digits.push_back((base + offset_ + i) % 10);
        why = QStringLiteral("上期个位%1，偏移%2取五码").arg(base).arg(offset_);
    }
    return digitsText(std::move(digits));
}

RobotRow Robot::play(const QString& winning, const WinningHistory& recent, std::mt19937_64& rng)
{
    RobotRow row;
    row.ainame = name_;
    row.tsbh = index_ + 1;
    QString why;
    row.recommended = pickDigits(recent, rng, why);
    if (losing_) {
        const int units = winning.back().digitValue();
        std::vector<int> misses;
        for (int i = 1; i <= kDigitsPerBet; ++i)
            misses.push_back((units + i) % 10);
        row.recommended = digitsText(std::move(misses));
    }

    const bool tired = lossStreak_ >= 4;
    const bool unsure = std::uniform_int_distribution<int>(0, 99)(rng) < 12;
    if (tired || unsure) {
        row.reason = tired ? QStringLiteral("连错%1期，暂停一期观望").arg(lossStreak_)
                           : QStringLiteral("%1，信号不足，本期观望").arg(why);
        if (tired)
            lossStreak_ = 0;
    } else {
        row.action = 1;
        row.stake = std::min(1 << lossStreak_, kMaxStake);
        const bool hit = row.recommended.contains(winning.back());
        const int cost = row.stake * kDigitsPerBet;
        row.result = hit ? qint64(row.stake) * kPayoutPerUnit - cost : -cost;
        row.reason =
            lossStreak_ > 0
                ? QStringLiteral("%1，连错%2期加倍至%3注").arg(why).arg(lossStreak_).arg(row.stake)
                : QStringLiteral("%1，基础%2注").arg(why).arg(row.stake);
        lossStreak_ = hit ? 0 : lossStreak_ + 1;
    }
    balance_ += row.result;
    row.balance = balance_;
    return row;
}

QStringList RobotFleet::defaultNames()
{
    QStringList names;
    for (int k = 0; k < 10; ++k)
        names << QStringLiteral("追%1").arg(k);
    names << QStringLiteral("全局最热");
    return names;
}

RobotFleet::RobotFleet(const QStringList& names, std::uint64_t seed) : rng_(seed)
{
    for (int i = 0; i < names.size(); ++i)
        robots_.emplace_back(names[i], i);
}

QString RobotFleet::drawWinningNumber()
{
    std::uniform_int_distribution<int> digit(0, 9);
    QString number;
    for (int i = 0; i < 5; ++i)
        number += QChar(u'0' + digit(rng_));
    return number;
}

std::vector<RobotRow> RobotFleet::play(const QString& winning)
{
    std::vector<RobotRow> rows;
    rows.reserve(robots_.size());
    for (Robot& robot : robots_)
        rows.push_back(robot.play(winning, history_, rng_));
    history_.add(winning);
    return rows;
}
