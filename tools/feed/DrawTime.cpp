#include "DrawTime.h"

namespace drawtime {

namespace {

constexpr char kSecondDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwx";
static_assert(sizeof kSecondDigits == 61);

QString minuteNumber(const QDateTime& drawTime)
{
    const QTime t = drawTime.time();
    return drawTime.date().toString(QStringLiteral("yyyyMMdd")) + u'-' +
           QStringLiteral("%1").arg(t.hour() * 60 + t.minute() + 1, 4, 10, QLatin1Char('0'));
}

} // namespace

QDateTime minuteOf(const QDateTime& time)
{
    const QTime t = time.time();
    return QDateTime(time.date(), QTime(t.hour(), t.minute()), time.timeSpec());
}

QString issueNumber(const QDateTime& drawTime)
{
    const int second = drawTime.time().second();
    QString issue = minuteNumber(drawTime);
    if (second != 0)
        issue += QLatin1Char(kSecondDigits[second]);
    return issue;
}

bool isIssueOf(const QString& issue, const QDateTime& drawTime)
{
    if (issue == issueNumber(drawTime))
        return true;
    const int second = drawTime.time().second();
    return second != 0 && issue == minuteNumber(drawTime) +
                                       QStringLiteral(".%1").arg(second, 2, 10, QLatin1Char('0'));
}

QString text(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

std::optional<QDateTime> parse(const QString& text)
{
    // Only the feed's own form: a looser reading would claim rows another program wrote.
    const QDateTime t = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (text.size() != 19 || !t.isValid())
        return std::nullopt;
    return t;
}

QString spanText(qint64 seconds)
{
    const qint64 minutes = seconds / 60, hours = minutes / 60, days = hours / 24;
    if (days > 0)
        return QStringLiteral("%1 d %2 h").arg(days).arg(hours % 24);
    if (hours > 0)
        return QStringLiteral("%1 h %2 min").arg(hours).arg(minutes % 60);
    if (minutes > 0)
        return QStringLiteral("%1 min").arg(minutes);
    return QStringLiteral("%1 s").arg(seconds);
}

} // namespace drawtime
