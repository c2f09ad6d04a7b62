#pragma once
#include <QString>
#include <QVector>

enum TChartListOrder { loNone, loAscending, loDescending };

// One coordinate of a series' points, with its minimum, maximum and total cached until the
// next change.
class TChartValueList {
public:
    const QString& ValueSource() const { return valueSource_; }
    void SetValueSource(const QString& field) { valueSource_ = field; }
    TChartListOrder Order() const { return order_; }
    void SetOrder(TChartListOrder order) { order_ = order; }
    double Multiplier() const { return multiplier_; }
    void SetMultiplier(double multiplier);
    bool DateTime() const { return dateTime_; }
    void SetDateTime(bool dateTime) { dateTime_ = dateTime; }

    int Count() const { return int(values_.size()); }
    // The stored value scaled by the multiplier.
    double Value(int index) const { return values_[index] * multiplier_; }
    double Last() const { return Value(Count() - 1); }
    void Insert(int index, double value);
    void Clear();

    double MinValue() const;
    double MaxValue() const;
    double Total() const;

private:
    void Recalc() const;

    QString valueSource_;
    TChartListOrder order_ = loNone;
    double multiplier_ = 1.0;
    bool dateTime_ = false;
    QVector<double> values_;
    mutable bool stale_ = true;
    mutable double min_ = 0, max_ = 0, total_ = 0;
};
