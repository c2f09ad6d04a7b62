#include "TerminalText.h"

#include <QCommandLineParser>
#include <cstring>

namespace terminaltext {

namespace {

// One character as it shows on a terminal.
QString shown(QChar c)
{
    if (c.category() != QChar::Other_Control)
        return QString(c);
    switch (c.unicode()) {
    case 0:
        return QStringLiteral("\\0");
    case u'\t':
        return QStringLiteral("\\t");
    case u'\n':
        return QStringLiteral("\\n");
    case u'\r':
        return QStringLiteral("\\r");
    case 0x1b:
        return QStringLiteral("\\e");
    default:
        return QStringLiteral("\\x%1").arg(int(c.unicode()), 2, 16, QLatin1Char('0'));
    }
}

} // namespace

QString escaped(const QString& text)
{
    return shortened(text, -1);
}

QString shortened(const QString& text, qsizetype maxLength)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString piece = shown(text[i]);
        if (text[i].isHighSurrogate() && i + 1 < text.size())
            piece += text[++i];
        // Room is kept for the ellipsis unless this is the last character; an escape or a
        // surrogate pair is never cut in half.
        const qsizetype room = i + 1 == text.size() ? maxLength : maxLength - 1;
        if (maxLength >= 0 && out.size() + piece.size() > room)
            return out + QChar(0x2026);
        out += piece;
    }
    return out;
}

QString commandLineError(const QCommandLineParser& parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    return unknown.isEmpty() ? parser.errorText()
                             : QStringLiteral("unknown option \"%1\" (see --help)")
                                   .arg(shortened(unknown.front()));
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace terminaltext
