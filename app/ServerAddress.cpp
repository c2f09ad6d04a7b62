#include "ServerAddress.h"

#include "TerminalText.h"

#include <QStringList>

#include <arpa/inet.h>

namespace {

bool isDecimal(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

bool isAsciiAlnum(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

bool isAddress(int family, const QString& text)
{
    unsigned char bytes[16];
    return inet_pton(family, text.toLatin1().constData(), bytes) == 1;
}

// Labels of letters, digits and inner hyphens, 1 to 63 long, 253 in all; an all-digit last
// label would read as an IPv4 address, so such a text must be one.
bool isHostName(const QString& text)
{
    if (text.isEmpty() || text.size() > 253)
        return false;
    const QStringList labels = text.split(u'.');
    for (const QString& label : labels) {
        if (label.isEmpty() || label.size() > 63 || label.front() == u'-' || label.back() == u'-')
            return false;
        for (QChar c : label)
            if (!isAsciiAlnum(c) && c != u'-')
                return false;
    }
    return !isDecimal(labels.back());
}

} // namespace

std::optional<QString> parseHost(const QString& text)
{
    if (text.size() > 2 && text.front() == u'[' && text.back() == u']') {
        const QString inner = text.mid(1, text.size() - 2);
        if (isAddress(AF_INET6, inner))
            return inner;
        return std::nullopt;
    }
    for (QChar c : text)
        if (c.unicode() > 0x7F)
            return std::nullopt;
    if (isHostName(text) || isAddress(AF_INET, text))
        return text;
    return std::nullopt;
}

std::optional<QString> parseServerHost(const QString& text, QString* error)
{
    const QString hostText = text.trimmed();
    if (hostText.isEmpty()) {
        *error = QStringLiteral("the server host is empty");
        return std::nullopt;
    }
    const std::optional<QString> host = parseHost(hostText);
    if (!host)
        *error = QStringLiteral("the server host must be a host name, an IPv4 address or an IPv6 "
                                "address in brackets, not \"%1\"")
                     .arg(terminaltext::shortened(hostText));
    return host;
}

std::optional<int> parseServerPort(const QString& text, QString* error)
{
    const QString portText = text.trimmed();
    // At most five digits, so the value cannot overflow before the range check.
    const int port = isDecimal(portText) && portText.size() <= 5 ? portText.toInt() : 0;
    if (port < 1 || port > 65535) {
        *error = QStringLiteral("the server port must be a number from 1 to 65535, not \"%1\"")
                     .arg(terminaltext::shortened(portText));
        return std::nullopt;
    }
    return port;
}

std::optional<ServerAddress> parseServerAddress(const QString& text, int defaultPort,
                                                QString* error)
{
    // An IPv6 address has colons but no comma, so the first comma after it starts the port.
    const qsizetype close = text.trimmed().startsWith(u'[') ? text.indexOf(u']') : -1;
    const qsizetype comma = text.indexOf(u',', close < 0 ? 0 : close);
    const std::optional<QString> host = parseServerHost(comma < 0 ? text : text.left(comma), error);
    if (!host)
        return std::nullopt;
    const std::optional<int> port =
        comma < 0 ? std::optional<int>(defaultPort) : parseServerPort(text.mid(comma + 1), error);
    if (!port)
        return std::nullopt;
    return ServerAddress{*host, *port};
}
