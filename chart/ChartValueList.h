#pragma once
#include <QString>
#include <QVector>

// One coordinate of a series' points, with its minimum and maximum cached until the next
// change.
class ChartValueList {
public:
    const QString& ValueSource() const { return valueSource_; }
    void setValueSource(const QString& field) { valueSource_ = field; }

    int count() const { return int(values_.size()); }
    double value(int index) const { return values_[index]; }
    double Last() const { return value(count() - 1); }
    void insert(int index, double value);
    void append(double value);
    void clear();

    double minValue() const;
    double maxValue() const;

private:
    void recalc() const;

    QString valueSource_;
    QVector<double> values_;
    mutable bool stale_ = true;
    mutable double min_ = 0, max_ = 0;
};
