#include "FieldValues.h"

#include <cmath>

namespace {

// The stored form "YYYY-MM-DD HH:MM:SS" by position, as Qt's general parser is far slower.
QDateTime parseStoredDateTime(const QString& t)
{
    if (t.size() < 19 || t[4] != u'-' || t[7] != u'-' || (t[10] != u' ' && t[10] != u'T') ||
        t[13] != u':' || t[16] != u':')
        return {};
    bool ok[6];
    const int y = QStringView(t).mid(0, 4).toInt(&ok[0]),
              mo = QStringView(t).mid(5, 2).toInt(&ok[1]),
              d = QStringView(t).mid(8, 2).toInt(&ok[2]),
              h = QStringView(t).mid(11, 2).toInt(&ok[3]),
              mi = QStringView(t).mid(14, 2).toInt(&ok[4]),
              sec = QStringView(t).mid(17, 2).toInt(&ok[5]);
    for (bool b : ok)
        if (!b)
            return {};
    int ms = 0;
    if (t.size() > 20 && t[19] == u'.')
        ms = QStringView(t).mid(20, 3).toString().leftJustified(3, u'0').toInt();
    QDateTime dt(QDate(y, mo, d), QTime(h, mi, sec, ms));
    return dt.isValid() ? dt : QDateTime();
}

} // namespace

QString storedDateTimeText(const QDateTime& value)
{
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QDateTime parseDateTime(const QString& text)
{
    QDateTime dt = parseStoredDateTime(text);
    if (dt.isValid())
        return dt;
    for (const char* format : {"yyyy-MM-dd HH:mm", "yyyy-MM-dd"}) {
        dt = QDateTime::fromString(text, QString::fromLatin1(format));
        if (dt.isValid())
            return dt;
    }
    return {};
}

bool isIntegerType(FieldType type)
{
    switch (type) {
    case ftInteger:
    case ftSmallint:
    case ftLargeint:
    case ftWord:
    case ftAutoInc:
        return true;
    default:
        return false;
    }
}

bool integerPartFits(double value)
{
    // 2^63 is exact as a double; qint64's largest value is not.
    constexpr double kLimit = 9223372036854775808.0;
    return value >= -kLimit && value < kLimit;
}

QVariant toDeclaredType(const QVariant& v, FieldType type)
{
    if (isNullValue(v))
        return {};
    if (isIntegerType(type)) {
        if (v.typeId() == QMetaType::LongLong)
            return v;
        if (v.typeId() == QMetaType::Double) {
            // A value with no exact integer (1e308, infinity, 2.5) stays as it is, shown so.
            const double d = v.toDouble();
            return integerPartFits(d) && d == std::trunc(d) ? QVariant(qlonglong(d)) : v;
        }
        bool ok = false;
        const qlonglong n = v.toString().trimmed().toLongLong(&ok);
        return ok ? QVariant(n) : v;
    }
    switch (type) {
    case ftFloat:
    case ftCurrency:
    case ftBCD: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        return ok ? QVariant(d) : v;
    }
    case ftDateTime:
    case ftDate:
    case ftTime:
    case ftTimeStamp: {
        // Text stays text until a cell is read: building a local date-time costs a time-zone
        // lookup each, and the stored form already sorts in time order.
        return v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QString
                   ? v
                   : QVariant(v.toString());
    }
    default:
        if (v.typeId() == QMetaType::QString)
            return v;
        if (v.typeId() == QMetaType::QDateTime)
            return storedDateTimeText(v.toDateTime());
        return v.toString();
    }
}

QString formatDateTime(const QDateTime& value, const QString& format)
{
    // Format letters as the windows store them: "mm" right after an hour means minutes.
    QString out;
    bool afterHour = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i].toLower();
        qsizetype n = 1;
        while (i + n < format.size() && format[i + n].toLower() == c)
            ++n;
        auto two = [](int v) { return QString::number(v).rightJustified(2, u'0'); };
        switch (c.unicode()) {
        case 'y':
            out += n >= 3 ? QString::number(value.date().year()) : two(value.date().year() % 100);
            break;
        case 'm':
            out += afterHour ? two(value.time().minute()) : two(value.date().month());
            afterHour = false;
            break;
        case 'd':
            out += two(value.date().day());
            break;
        case 'h':
            out += two(value.time().hour());
            afterHour = true;
            break;
        case 'n':
            out += two(value.time().minute());
            afterHour = false;
            break;
        case 's':
            out += two(value.time().second());
            break;
        default:
            out += format.mid(i, n);
        }
        i += n;
    }
    return out;
}
