#pragma once
#include <QString>

class QCommandLineParser;

// Text from outside the program (a file name, a key, a value, an argument) made fit for one
// line on a terminal or in the journal: control characters shown as C escapes ("\e" would
// otherwise reach the terminal, a NUL would end the C string mid-word), and a long value
// cut with an ellipsis so that a 2 MB key does not become a 2 MB line.
namespace terminaltext {

inline constexpr qsizetype kShortValue = 60;

// Every control character escaped: \0 \t \n \r \e as such, the others as \xNN.
QString escaped(const QString& text);
// Escaped, and cut to `maxLength` characters (the ellipsis included) when longer; a negative
// `maxLength` cuts nothing.
QString shortened(const QString& text, qsizetype maxLength = kShortValue);

// The one line a command line that failed to parse gets: its first unknown option, shortened,
// or else the parser's own text.
QString commandLineError(const QCommandLineParser& parser);
// The system's words for an errno value.
QString systemError(int error);

} // namespace terminaltext
