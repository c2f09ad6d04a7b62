#pragma once
#include <QString>
#include <QStringList>

// A statement text with its ":name" markers turned into "?" (never inside a quoted literal
// or a bracketed name), and the names in order of appearance.
struct MarkedStatement {
    QString sql;
    QStringList paramNames;
};

MarkedStatement markParameters(const QString& text);

// A text literal for splicing into a statement: quotes doubled, surrounded by quotes.
QString quotedLiteral(const QString& value);
