#pragma once
#include <QDateTime>
#include <QString>
#include <optional>

// Draws fall on whole seconds of local time, normally second 0 of a minute. The issue number is
// the date, "-", and the minute's number in the day counted from 0001 (00:00) to 1440 (23:59):
// "20201002-0792" is the draw at 13:11. A draw at another second (a fast demo) adds the second
// as one character, 1-9 then A-Z (10-35) and a-x (36-59): "20201002-0792F" at 13:11:15, so
// that it is as narrow as the history grid's column allows. The text sorts in draw order, as
// the client's statements and its byte-wise sort need.
namespace drawtime {

QDateTime minuteOf(const QDateTime& time); // seconds and milliseconds dropped
QString issueNumber(const QDateTime& drawTime);
// Whether `issue` is the number this feed gives a draw at `drawTime`, now or as older feeds
// did ("20201002-0792.15" for a draw at second 15).
bool isIssueOf(const QString& issue, const QDateTime& drawTime);
QString text(const QDateTime& time); // "YYYY-MM-DD HH:MM:SS", as the database stores it
// Exactly that form and a real time, or none.
std::optional<QDateTime> parse(const QString& text);
// A span for a message: "45 s", "12 min", "3 h 5 min", "93 d 4 h".
QString spanText(qint64 seconds);

} // namespace drawtime
