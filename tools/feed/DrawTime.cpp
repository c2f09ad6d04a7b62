#include "DrawTime.h"

namespace drawtime {

QDateTime minuteOf(const QDateTime& time)
{
    const QTime t = time.time();
    return QDateTime(time.date(), QTime(t.hour(), t.minute()), time.timeSpec());
}

QString issueNumber(const QDateTime& drawTime)
{
    const QTime t = drawTime.time();
    const int minuteOfDay = t.hour() * 60 + t.minute() + 1;
    QString issue = drawTime.date().toString(QStringLiteral("yyyyMMdd")) + u'-' +
                    QStringLiteral("%1").arg(minuteOfDay, 4, 10, QLatin1Char('0'));
    if (t.second() != 0)
        issue += QStringLiteral(".%1").arg(t.second(), 2, 10, QLatin1Char('0'));
    return issue;
}

QString text(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

std::optional<QDateTime> parse(const QString& text)
{
    const QDateTime t = QDateTime::fromString(text.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!t.isValid())
        return std::nullopt;
    return t;
}

} // namespace drawtime
