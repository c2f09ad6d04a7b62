#pragma once
#include "FieldTypes.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

// How values of the declared field types are held, read and shown.

inline bool isNullValue(const QVariant& v)
{
    return !v.isValid() || v.isNull();
}

// The stored form "YYYY-MM-DD HH:MM:SS" (optionally with milliseconds), then two shorter
// forms; invalid when none fits.
QDateTime parseDateTime(const QString& text);

// A date-time as the embedded database stores it, "YYYY-MM-DD HH:MM:SS".
QString storedDateTimeText(const QDateTime& value);

bool isIntegerType(FieldType type);

// Whether a floating-point value has an integer part that a qint64 holds (not NaN, not
// infinite, within -2^63 .. 2^63).
bool integerPartFits(double value);

// Brings a value the driver delivered into the declared type; what does not convert stays
// as it came, and reading it as that type raises the error then.
QVariant toDeclaredType(const QVariant& v, FieldType type);

// Formats a date-time with a format such as "yy-mm-dd hh:mm" (mm after hh is minutes).
QString formatDateTime(const QDateTime& value, const QString& format);
