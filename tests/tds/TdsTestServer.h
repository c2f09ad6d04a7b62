#pragma once
#include "LoopbackPort.h"
#include <QProcess>
#include <QString>

// The project's TDS test server (tds_server.py) on a free loopback port, answering from an
// embedded fixture database. Stopped when this object goes.
class TdsTestServer {
public:
    explicit TdsTestServer(const QString& databaseFile);
    ~TdsTestServer();
    TdsTestServer(const TdsTestServer&) = delete;
    TdsTestServer& operator=(const TdsTestServer&) = delete;

    bool started() const { return port_ > 0; }
    int port() const { return port_; }
    // The ODBC text the product derives for this server.
    QString odbcText() const;

    // Fault modes: "none", "close" (cut the link mid-result), "silent", "refuse" (logins, and
    // sessions at their next request),
    // "drop COLUMN" (results lack it), "delay MS". Returns once the server has switched.
    bool setFault(const QString& mode);
    // Logins from now on are answered from this database file.
    bool setDatabase(const QString& databaseFile);
    // The one account it accepts from now on (the built-in one at the start).
    bool setAccount(const QString& user, const QString& password, const QString& database);

    // Text the server logged (requests as received), for diagnosing failures.
    QString log() const;

private:
    bool command(const QByteArray& line);

    QProcess process_;
    QString logFile_;
    int port_ = 0;
};
