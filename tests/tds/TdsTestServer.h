#pragma once
#include "Connection.h"
#include "LoopbackPort.h"
#include "OdbcDriver.h"

#include <QProcess>
#include <QString>
#include <memory>

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
    // Drivers on this server for a connection, with the test's waits.
    DirectConnection::DriverFactory drivers(const OdbcTimeouts& timeouts = {}) const;

    // Fault modes: "none", "close" (cut the link mid-result), "silent" (nothing answered until
    // the fault ends, then what came meanwhile), "refuse" (logins, and sessions at their next
    // request),
    // "drop COLUMN" (results lack it), "delay MS". Returns once the server has switched.
    bool setFault(const QString& mode);
    // Logins from now on are answered from this database file.
    bool setDatabase(const QString& databaseFile);
    // The one account it accepts from now on (the built-in one at the start).
    bool setAccount(const QString& user, const QString& password, const QString& database);

    // Encryption from now on: "none" (not offered), "offer" (as the client asks; the login
    // alone when it only accepts it), "force" (every session whole), with a PEM certificate
    // and its key.
    bool setEncryption(const QString& policy, const QString& certificate = {},
                       const QString& key = {});

    // What the server received since the last reset: logins taken and refused, statements
    // answered, and the sessions open now and at most; login packets in the clear and inside
    // TLS, logins whose password crossed the wire readable, TLS handshakes done and failed.
    struct Stats {
        int logins = 0, failed = 0, statements = 0, sessions = 0, peak = 0;
        int clear = 0, sealed = 0, exposed = 0, handshakes = 0, broken = 0;
    };
    Stats stats();
    bool resetStats();

    // Text the server logged (requests as received), for diagnosing failures.
    QString log() const;

private:
    // Sends a command; the lines printed before its "ok" go to `output`.
    bool command(const QByteArray& line, QList<QByteArray>* output = nullptr);

    QProcess process_;
    QString logFile_;
    int port_ = 0;
};

// One server for every function of a test class: started in initTestCase, switched to each
// function's fresh database with no fault, its log shown after a function that failed.
class SharedTdsServer {
public:
    bool start();
    void stop() { server_.reset(); }
    bool switchTo(const QString& databaseFile);
    void logIfFailed() const;
    TdsTestServer* operator->() const { return server_.get(); }
    TdsTestServer& operator*() const { return *server_; }

private:
    std::unique_ptr<TdsTestServer> server_;
};
