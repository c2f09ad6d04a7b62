#pragma once
#include <QDateTime>
#include <QString>
#include <optional>

// Draws fall on whole seconds of local time, normally second 0 of a minute. The issue number is
// the date, "-", and the minute's number in the day counted from 0001 (00:00) to 1440 (23:59):
// "20201002-0792" is the draw at 13:11; a draw at another second (a fast demo) adds "." and
// the second: "20201002-0792.05" at 13:11:05. The text sorts in draw order, as the client's
// statements need.
namespace drawtime {

QDateTime minuteOf(const QDateTime& time); // seconds and milliseconds dropped
QString issueNumber(const QDateTime& drawTime);
QString text(const QDateTime& time); // "YYYY-MM-DD HH:MM:SS", as the database stores it
std::optional<QDateTime> parse(const QString& text);

} // namespace drawtime
