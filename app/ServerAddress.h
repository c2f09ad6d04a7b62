#pragma once
#include <QString>
#include <optional>

// A SQL Server as the operator names it: "HOST" or "HOST,PORT". HOST is a host name, an IPv4
// address or an IPv6 address in brackets ("[::1],1433"); nothing else gets near the driver's
// connection text.
struct ServerAddress {
    QString host; // as the driver takes it: an IPv6 address without its brackets
    int port = 0;
};

// The host part alone; none when it is not a name, an IPv4 or a bracketed IPv6 address.
std::optional<QString> parseHost(const QString& text);

// Each part alone, or a reason (one line, without the source of the text) in `error`.
std::optional<QString> parseServerHost(const QString& text, QString* error);
std::optional<int> parseServerPort(const QString& text, QString* error);

// The address, or a reason (one line, without the source of the text) in `error`.
std::optional<ServerAddress> parseServerAddress(const QString& text, int defaultPort,
                                                QString* error);
