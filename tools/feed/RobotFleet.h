#pragma once
#include <QString>
#include <QStringList>
#include <array>
#include <deque>
#include <random>
#include <vector>

// The lottery the demo robots play: a draw is five digits; a robot bets on five digits for the
// units place. Each stake unit costs 1 per digit and a hit pays 10, so a bet of n units wins
// or loses 5n: the balance walks by even steps with no drift.
inline constexpr int kDigitsPerBet = 5;
inline constexpr int kPayoutPerUnit = 10;
inline constexpr int kMaxStake = 8;
inline constexpr qint64 kStartBalance = 10000;

// The winning numbers of the latest draws, newest last.
class WinningHistory {
public:
    static constexpr int kDepth = 30;
    void add(const QString& number);
    bool empty() const { return numbers_.empty(); }
    int size() const { return int(numbers_.size()); }
    int previousUnits() const; // units digit of the latest draw
    std::array<int, 10> unitsCounts() const;

private:
    std::deque<QString> numbers_;
};

// One row a robot writes for a draw: the bet it made on that draw and how it came out.
struct RobotRow {
    QString ainame;
    int tsbh = 0;
    qint64 balance = 0;  // K00, after the draw
    int stake = 0;       // K01, 0 when passing
    int action = 0;      // K02, 1 bets, 0 passes
    qint64 result = 0;   // K03
    QString recommended; // K04
    QString reason;      // K05
};

class Robot {
public:
    // "追k" chases the previous units digit shifted by k; "全局最热" takes the hottest digits.
    Robot(QString name, int index);
    const QString& name() const { return name_; }
    void restore(qint64 balance, int lossStreak);
    // A losing robot picks five digits without the winning one (a demo of a robot in trouble).
    void setLosing(bool losing) { losing_ = losing; }
    RobotRow play(const QString& winning, const WinningHistory& recent, std::mt19937_64& rng);

private:
    QString pickDigits(const WinningHistory& recent, std::mt19937_64& rng, QString& why) const;

    QString name_;
    int index_;
    int offset_; // -1 for the hottest-digits robot
    qint64 balance_ = kStartBalance;
    int lossStreak_ = 0;
    bool losing_ = false;
};

// The robots in the order their rows are written (and so in id order within a draw).
class RobotFleet {
public:
    static QStringList defaultNames();
    explicit RobotFleet(const QStringList& names, std::uint64_t seed = std::random_device{}());

    std::vector<Robot>& robots() { return robots_; }
    WinningHistory& history() { return history_; }
    QString drawWinningNumber();
    std::vector<RobotRow> play(const QString& winning);

private:
    std::vector<Robot> robots_;
    WinningHistory history_;
    std::mt19937_64 rng_;
};
