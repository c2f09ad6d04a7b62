#include "Field.h"

#include "ADODataSet.h"
#include "DBErrors.h"
#include "FieldValues.h"

#include <limits>

Field::Field(TCustomADODataSet* dataSet, const ColumnDef& def, int index)
    : dataSet_(dataSet), def_(def), index_(index)
{
}

int Field::DisplayWidth() const
{
    if (def_.displayWidth > 0)
        return def_.displayWidth;
    switch (def_.type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
        return def_.size;
    case ftDateTime:
        return 18;
    default:
        return 10;
    }
}

bool Field::isNull() const
{
    return isNullValue(dataSet_->activeValue(index_));
}

QString Field::asString() const
{
    const QVariant& v = dataSet_->activeValue(index_);
    if (isNullValue(v))
        return QString();
    if (v.typeId() == QMetaType::QDateTime)
        return storedDateTimeText(v.toDateTime());
    return v.toString();
}

namespace {
[[noreturn]] void notAnInteger(const QVariant& v)
{
    throw EDatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(v.toString()));
}
} // namespace

// A value that no integer holds is an error of its row, never a wrapped number.
qint64 Field::asLargeInt() const
{
    const QVariant& v = dataSet_->activeValue(index_);
    if (isNullValue(v))
        return 0;
    if (v.typeId() == QMetaType::LongLong)
        return v.toLongLong();
    if (v.typeId() == QMetaType::Double) {
        if (!integerPartFits(v.toDouble()))
            notAnInteger(v);
        return qint64(v.toDouble());
    }
    bool ok = false;
    const qint64 n = v.toString().trimmed().toLongLong(&ok);
    if (!ok)
        notAnInteger(v);
    return n;
}

int Field::asInteger() const
{
    const qint64 n = asLargeInt();
    if (n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        notAnInteger(dataSet_->activeValue(index_));
    return int(n);
}

double Field::asFloat() const
{
    const QVariant& v = dataSet_->activeValue(index_);
    if (isNullValue(v))
        return 0;
    bool ok = false;
    const double d =
        v.typeId() == QMetaType::QString ? v.toString().trimmed().toDouble(&ok) : v.toDouble(&ok);
    // An integer column's value beyond any integer is as bad as a number as it is as an integer.
    if (ok && isIntegerType(def_.type) && !integerPartFits(d))
        notAnInteger(v);
    if (!ok)
        throw EDatabaseError(
            QStringLiteral("'%1' is not a valid floating point value").arg(v.toString()));
    return d;
}

QString Field::displayText() const
{
    const QVariant& v = dataSet_->activeValue(index_);
    if (isNullValue(v))
        return QString();
    if (!def_.displayFormat.isEmpty() &&
        (def_.type == ftDateTime || v.typeId() == QMetaType::QDateTime)) {
        const QDateTime dt =
            v.typeId() == QMetaType::QDateTime ? v.toDateTime() : parseDateTime(v.toString());
        if (dt.isValid())
            return formatDateTime(dt, def_.displayFormat);
    }
    return asString();
}
