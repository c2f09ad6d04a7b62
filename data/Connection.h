#pragma once
#include "Driver.h"

#include <QString>
#include <functional>
#include <memory>

// Where the data module connects: a SQL Server host and account, or an embedded database file.
struct ConnectionSettings {
    enum class Kind { SqlServer, Sqlite };
    Kind kind = Kind::SqlServer;
    QString host = QStringLiteral("localhost");
    int port = 27999;
    QString sqliteFile;
    // The built-in account, unless the site names its own.
    QString database = QStringLiteral("KvtCP");
    QString user = QStringLiteral("sa");
    QString password = QStringLiteral("HbnTr4417");
};

// The connection text in the built-in form for a server and account; a value that holds a ";"
// or a quote, or starts or ends with a blank, is in double quotes.
QString adoConnectionText(const ConnectionSettings& settings);

// The ODBC connection text the SQL Server driver derives from that text; every value taken
// from it is quoted.
QString odbcConnectionText(const QString& adoText);

// A value in FreeTDS's braces: it reads up to the first "}" followed by ";" or the end, so
// ";", "=", "{" and "}" are kept as they are ("}}" is not an escape there). A value holding
// "};" cannot be written at all: odbcQuotable says so, and such a value must be refused.
bool odbcQuotable(const QString& value);
QString odbcQuoted(const QString& value);

// The one connection all queries share. It is not kept open for its own sake: when the last
// open query closes, it disconnects; the next query that opens reconnects silently.
class TADOConnection {
public:
    using DriverFactory = std::function<std::unique_ptr<Driver>()>;

    explicit TADOConnection(const ConnectionSettings& settings);
    // For tests and tools that bring their own driver.
    explicit TADOConnection(DriverFactory factory);
    ~TADOConnection();

    SqlDialect Dialect() const;

    bool Connected() const;
    void Open(); // throws EConnectionError
    void Close() noexcept;

    // Runs a statement, connecting first when needed.
    DriverResult RunQuery(const QString& sql, const QStringList& params);
    qint64 RunCommand(const QString& sql, const QStringList& params);

    // Bookkeeping of the datasets on this connection.
    void QueryOpened() { ++openQueries_; }
    void QueryClosed();
    // Disconnects when no query is open (after a command, or an open that failed).
    void CloseIfIdle();
    int OpenQueries() const { return openQueries_; }

    // How often a connection was made (tests watch reconnects through it).
    int ConnectCount() const { return connectCount_; }

    // Milliseconds on a monotonic scale; replaceable so that retry waits can be checked.
    void SetClock(std::function<qint64()> clock) { clock_ = std::move(clock); }

private:
    Driver& EnsureConnected();
    qint64 Now() const;

    DriverFactory factory_;
    mutable std::unique_ptr<Driver> driver_;
    int openQueries_ = 0;
    int connectCount_ = 0;
    std::function<qint64()> clock_;
    int failedReconnects_ = 0;
    qint64 nextAttemptAt_ = 0;
    QString lastFailure_;
};
