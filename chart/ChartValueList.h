#pragma once
#include <QString>
#include <QVector>

// One coordinate of a series' points, with its minimum and maximum cached until the next
// change.
class ChartValueList {
public:
    const QString& ValueSource() const { return valueSource_; }
    void SetValueSource(const QString& field) { valueSource_ = field; }

    int Count() const { return int(values_.size()); }
    double Value(int index) const { return values_[index]; }
    double Last() const { return Value(Count() - 1); }
    void Insert(int index, double value);
    void Append(double value);
    void Clear();

    double MinValue() const;
    double MaxValue() const;

private:
    void Recalc() const;

    QString valueSource_;
    QVector<double> values_;
    mutable bool stale_ = true;
    mutable double min_ = 0, max_ = 0;
};
