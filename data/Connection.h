#pragma once
#include "BackgroundLink.h"
#include "Driver.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

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
// Statements run on the calling thread, until a window hands them to a background link
// (StartBackground): from then on they are submitted and their results come back later.
class Connection {
public:
    using DriverFactory = std::function<std::unique_ptr<Driver>()>;

    explicit Connection(const ConnectionSettings& settings);
    // For tests and tools that bring their own driver.
    explicit Connection(DriverFactory factory);
    ~Connection();

    SqlDialect dialect() const;
    // The SQL Server database the statements name (the built-in one unless a site has its own).
    const QString& database() const { return database_; }
    // Where the data comes from: "host,port", or the database file's name.
    const QString& sourceName() const { return sourceName_; }

    bool connected() const;
    void open(); // throws EConnectionError
    void close() noexcept;

    // Runs a statement here, connecting first when needed; not while in the background.
    DriverResult runQuery(const QString& sql, const QStringList& params);
    qint64 runCommand(const QString& sql, const QStringList& params);

    // From here on statements run on threads of their own; results are delivered through the
    // event loop of the calling thread.
    void startBackground();
    // The pace of the background link (tests shorten it).
    void setLinkTimings(const LinkTimings& timings) { timings_ = timings; }
    // Back to statements on the calling thread, without waiting for one still running: nothing
    // more is delivered, and whatever was handed over with the statements is released now. The
    // link's threads end by themselves; they are joined here when they have, and at the latest
    // when the connection goes.
    void stopBackground();
    bool inBackground() const { return link_ != nullptr; }
    LinkTicket submitQuery(const QString& sql, const QStringList& params,
                           BackgroundLink::Done done);
    // The result is no longer wanted (its receiver goes away).
    void withdraw(LinkTicket ticket);
    LinkStatus status() const;
    // How long a connect may take (0 when the driver never waits long).
    int loginTimeoutMs() const;
    // Whether a link stopped earlier still has threads running.
    bool stoppedLinksRunning() const;

    // Bookkeeping of the datasets on this connection.
    void queryOpened() { ++openQueries_; }
    void queryClosed();
    // Disconnects when no query is open (after a command, or an open that failed).
    void closeIfIdle();
    int openQueries() const { return openQueries_; }

    // How often a connection was made (tests watch reconnects through it).
    int connectCount() const;

private:
    Driver& ensureConnected();

    DriverFactory factory_;
    QString sourceName_;
    QString database_ = QStringLiteral("KvtCP");
    SqlDialect dialect_;
    std::shared_ptr<Driver> driver_;
    std::unique_ptr<BackgroundLink> link_;
    std::vector<std::unique_ptr<BackgroundLink>> stoppedLinks_;
    LinkTimings timings_;
    int openQueries_ = 0;
    int connectCount_ = 0;
};
