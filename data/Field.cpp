#include "Field.h"

#include "ADODataSet.h"
#include "DBErrors.h"
#include "FieldValues.h"

TField::TField(TCustomADODataSet* dataSet, const ColumnDef& def, int index)
    : dataSet_(dataSet), def_(def), index_(index)
{
}

int TField::DisplayWidth() const
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

bool TField::IsNull() const
{
    return isNullValue(dataSet_->ActiveValue(index_));
}

QString TField::AsString() const
{
    const QVariant& v = dataSet_->ActiveValue(index_);
    if (isNullValue(v))
        return QString();
    if (v.typeId() == QMetaType::QDateTime)
        return storedDateTimeText(v.toDateTime());
    return v.toString();
}

qint64 TField::AsLargeInt() const
{
    const QVariant& v = dataSet_->ActiveValue(index_);
    if (isNullValue(v))
        return 0;
    if (v.typeId() == QMetaType::LongLong)
        return v.toLongLong();
    bool ok = false;
    qint64 n = 0;
    if (v.typeId() == QMetaType::Double) {
        const std::optional<qint64> whole = integralValue(v.toDouble());
        ok = whole.has_value();
        n = whole.value_or(0);
    } else {
        n = v.toString().trimmed().toLongLong(&ok);
    }
    if (!ok)
        throw EDatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(v.toString()));
    return n;
}

int TField::AsInteger() const
{
    return int(AsLargeInt());
}

double TField::AsFloat() const
{
    const QVariant& v = dataSet_->ActiveValue(index_);
    if (isNullValue(v))
        return 0;
    bool ok = false;
    const double d =
        v.typeId() == QMetaType::QString ? v.toString().trimmed().toDouble(&ok) : v.toDouble(&ok);
    if (!ok)
        throw EDatabaseError(
            QStringLiteral("'%1' is not a valid floating point value").arg(v.toString()));
    return d;
}

QString TField::DisplayText() const
{
    const QVariant& v = dataSet_->ActiveValue(index_);
    if (isNullValue(v))
        return QString();
    if (!def_.displayFormat.isEmpty() &&
        (def_.type == ftDateTime || v.typeId() == QMetaType::QDateTime)) {
        const QDateTime dt =
            v.typeId() == QMetaType::QDateTime ? v.toDateTime() : parseDateTime(v.toString());
        if (dt.isValid())
            return formatDateTime(dt, def_.displayFormat);
    }
    return AsString();
}
