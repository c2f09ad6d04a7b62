#include "SqlText.h"

MarkedStatement markParameters(const QString& text)
{
    MarkedStatement out;
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            out.sql += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'[') {
            quote = u']';
        } else if (c == u':' && i + 1 < text.size() &&
                   (text[i + 1].isLetter() || text[i + 1] == u'_')) {
            qsizetype j = i + 1;
            while (j < text.size() && (text[j].isLetterOrNumber() || text[j] == u'_'))
                ++j;
            out.paramNames << text.mid(i + 1, j - i - 1);
            out.sql += u'?';
            i = j - 1;
            continue;
        }
        out.sql += c;
    }
    return out;
}

QString quotedLiteral(const QString& value)
{
    QString doubled = value;
    doubled.replace(u'\'', QStringLiteral("''"));
    return u'\'' + doubled + u'\'';
}
