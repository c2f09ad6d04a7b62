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
    // TLS: off (asked for by no one but a server that demands it), request (used when the
    // server offers it, its certificate unchecked unless a CA file is named), require (a
    // server without it is refused, and its certificate checked against `caFile`, or the
    // system's authorities, and the host name).
    enum class Encryption { Off, Request, Require };
    Encryption encryption = Encryption::Request;
    QString caFile = {};          // PEM certificates of the authorities to trust; absolute
    QString certificateHost = {}; // the name the certificate must carry; empty: the host
};

// The connection text in the built-in form for a server and account: the documented default
// of a site's settings (a value that holds a ";" or a quote, or starts or ends with a blank, is
// in double quotes). The driver does not read it: it takes the ODBC text below.
QString adoConnectionText(const ConnectionSettings& settings);

// The ODBC connection text of the SQL Server driver for a server and account; every value from
// the settings is quoted. A certificate check names a section of the private driver
// configuration instead of the server (FreeTdsConfig.h), which must be in place before the
// driver connects.
QString odbcConnectionText(const ConnectionSettings& settings);

// A value in FreeTDS's braces: it reads up to the first "}" followed by ";" or the end, so
// ";", "=", "{" and "}" are kept as they are ("}}" is not an escape there). A value holding
// "};" cannot be written at all: odbcQuotable says so, and such a value must be refused.
bool odbcQuotable(const QString& value);
QString odbcQuoted(const QString& value);

class BackgroundConnection;

// Where a set of queries sends its statements. It is not kept open for its own sake: when the
// last open query closes, it disconnects; the next statement reconnects silently. A direct
// connection runs statements on the calling thread and refuses to submit them; a background
// one submits them and refuses to run them.
class Connection {
public:
    virtual ~Connection() = default;

    SqlDialect dialect() const { return dialect_; }
    // The SQL Server database the statements name (the built-in one unless a site has its own).
    const QString& database() const { return database_; }
    // Where the data comes from: "host,port", or the database file's name.
    const QString& sourceName() const { return sourceName_; }

    virtual bool connected() const = 0;
    virtual void close() noexcept = 0;

    // Runs a statement here, connecting first when needed.
    virtual DriverResult runQuery(const QString& sql, const QStringList& params) = 0;
    virtual qint64 runCommand(const QString& sql, const QStringList& params) = 0;
    // Hands a statement over; its outcome comes back through the event loop.
    virtual LinkTicket submitQuery(const QString& sql, const QStringList& params,
                                   BackgroundLink::Done done) = 0;
    // The result is no longer wanted (its receiver goes away).
    virtual void withdraw(LinkTicket ticket) = 0;

    // Bookkeeping of the datasets on this connection.
    void queryOpened() { ++openQueries_; }
    void queryClosed();
    // Disconnects when no query is open (after a command, or an open that failed).
    void closeIfIdle();
    int openQueries() const { return openQueries_; }

protected:
    Connection(SqlDialect dialect, QString sourceName, QString database);

private:
    SqlDialect dialect_;
    QString sourceName_;
    QString database_;
    int openQueries_ = 0;
};

// The data module's connection: statements run on the calling thread (the start-up connect
// and the login dialog's statements). A window takes it into the background.
class DirectConnection final : public Connection {
public:
    using DriverFactory = std::function<std::unique_ptr<Driver>()>;

    explicit DirectConnection(const ConnectionSettings& settings);
    // For tests and tools that bring their own driver.
    explicit DirectConnection(DriverFactory factory);
    ~DirectConnection() override;

    bool connected() const override;
    void open(); // throws EConnectionError
    void close() noexcept override;
    DriverResult runQuery(const QString& sql, const QStringList& params) override;
    qint64 runCommand(const QString& sql, const QStringList& params) override;
    LinkTicket submitQuery(const QString& sql, const QStringList& params,
                           BackgroundLink::Done done) override;
    void withdraw(LinkTicket) override {}

    // A connection to the same database whose statements run on threads of their own, for a
    // window; it takes this connection's open link along. It must go before this one.
    std::unique_ptr<BackgroundConnection> startBackground(const LinkTimings& timings = {});

    // How long a connect may take (0 when the driver never waits long).
    int loginTimeoutMs() const;
    // How often a connection was made, here and by the background links (tests watch
    // reconnects through it).
    int connectCount() const;
    // Whether a background link stopped earlier still has threads running.
    bool stoppedLinksRunning() const;

private:
    friend class BackgroundConnection;
    DirectConnection(std::shared_ptr<Driver> first, DriverFactory factory);
    DirectConnection(SqlDialect dialect, QString sourceName, QString database,
                     DriverFactory factory);
    // A stopped link whose threads may still run: joined when they have ended, at the latest
    // when this connection goes, so that a window's close never waits for them.
    void keepStopped(std::unique_ptr<BackgroundLink> link);
    Driver& ensureConnected();

    DriverFactory factory_;
    std::shared_ptr<Driver> driver_;
    const BackgroundConnection* background_ = nullptr;
    std::vector<std::unique_ptr<BackgroundLink>> stoppedLinks_;
    int connectCount_ = 0;
};

// A window's connection: statements are submitted to a background link and their results are
// delivered through the event loop of the thread that made it.
class BackgroundConnection final : public Connection {
public:
    BackgroundConnection(DirectConnection& origin, std::shared_ptr<Driver> driver,
                         const LinkTimings& timings);
    ~BackgroundConnection() override;

    bool connected() const override;
    void close() noexcept override;
    DriverResult runQuery(const QString& sql, const QStringList& params) override;
    qint64 runCommand(const QString& sql, const QStringList& params) override;
    LinkTicket submitQuery(const QString& sql, const QStringList& params,
                           BackgroundLink::Done done) override;
    void withdraw(LinkTicket ticket) override;

    // Without waiting for a statement still running: nothing more is delivered, and whatever
    // was handed over with the statements is released now. The link's threads end by
    // themselves; the direct connection joins them.
    void stop();
    LinkStatus status() const;
    int loginTimeoutMs() const { return origin_.loginTimeoutMs(); }
    int connectCount() const;

private:
    DirectConnection& origin_;
    std::unique_ptr<BackgroundLink> link_;
};
