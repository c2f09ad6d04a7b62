#include "Connection.h"

#include "DBErrors.h"
#include "FreeTdsConfig.h"
#include "OdbcDriver.h"
#include "TlsProbe.h"

#include <QFileInfo>
#include <algorithm>

namespace {
// In double quotes, inner ones doubled, a value keeps its ";", quotes and outer blanks.
QString adoValue(const QString& value)
{
    if (!value.contains(u';') && !value.contains(u'"') && !value.contains(u'\'') &&
        value.trimmed() == value)
        return value;
    QString inner = value;
    inner.replace(u'"', QStringLiteral("\"\""));
    return u'"' + inner + u'"';
}

} // namespace

QString adoConnectionText(const ConnectionSettings& settings)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;Persist Security Info=True;User ID=%2;"
                          "Initial Catalog=%3;Data Source=%4")
        .arg(adoValue(settings.password), adoValue(settings.user), adoValue(settings.database),
             adoValue(settings.host + u',' + QString::number(settings.port)));
}

QString odbcConnectionText(const ConnectionSettings& settings)
{
    using Encryption = ConnectionSettings::Encryption;
    // The driver reads the certificate settings from its configuration file only, and only
    // when the text names a section of it.
    const QString server =
        freeTdsChecksCertificate(settings)
            ? QStringLiteral("SERVERNAME=%1").arg(odbcQuoted(freeTdsSectionName(settings)))
            : QStringLiteral("SERVER=%1;PORT=%2")
                  .arg(odbcQuoted(settings.host), odbcQuoted(QString::number(settings.port)));
    // Without a word on encryption the driver requests it, as it always did here.
    const QString encryption =
        settings.encryption == Encryption::Off       ? QStringLiteral(";Encryption=off")
        : settings.encryption == Encryption::Require ? QStringLiteral(";Encryption=require")
                                                     : QString();
    // The fixed driver settings stay plain and last: FreeTDS keeps the closing brace of a
    // braced value that ends the text.
    return QStringLiteral("DRIVER={FreeTDS};%1;DATABASE=%2;UID=%3;PWD=%4;"
                          "TDS_Version=7.3;ClientCharset=UTF-8%5")
        .arg(server, odbcQuoted(settings.database), odbcQuoted(settings.user),
             odbcQuoted(settings.password), encryption);
}

bool odbcQuotable(const QString& value)
{
    return !value.contains(QStringLiteral("};"));
}

QString odbcQuoted(const QString& value)
{
    return u'{' + value + u'}';
}

Connection::Connection(SqlDialect dialect, QString sourceName, QString database)
    : dialect_(dialect), sourceName_(std::move(sourceName)), database_(std::move(database))
{
}

void Connection::queryClosed()
{
    if (openQueries_ > 0)
        --openQueries_;
    closeIfIdle();
}

void Connection::closeIfIdle()
{
    if (openQueries_ == 0)
        close();
}

namespace {
bool isSqlite(const ConnectionSettings& settings)
{
    return settings.kind == ConnectionSettings::Kind::Sqlite;
}

// Where the data comes from: the database file's name, or the server as the command line
// writes it (an IPv6 address in brackets).
QString sourceNameOf(const ConnectionSettings& settings)
{
    if (isSqlite(settings))
        return QFileInfo(settings.sqliteFile).fileName();
    const QString host = settings.host.contains(u':') ? u'[' + settings.host + u']' : settings.host;
    return QStringLiteral("%1,%2").arg(host).arg(settings.port);
}

DirectConnection::DriverFactory driverFactory(const ConnectionSettings& settings)
{
    if (isSqlite(settings))
        return [file = settings.sqliteFile] { return makeSqliteDriver(file); };
    // Written here, on the thread that makes the connection, before any driver reads it.
    QString error;
    if (!installFreeTdsConfig(settings, &error))
        return [error] { return makeFailingDriver(error); };
    if (!freeTdsChecksCertificate(settings))
        return [odbc = odbcConnectionText(settings)] { return makeOdbcDriver(odbc); };
    return [odbc = odbcConnectionText(settings), settings] {
        return makeOdbcDriver(odbc, OdbcTimeouts{}, [settings](int timeoutMs) {
            return probeTlsRefusal(settings, timeoutMs);
        });
    };
}
} // namespace

DirectConnection::DirectConnection(const ConnectionSettings& settings)
    : DirectConnection(isSqlite(settings) ? SqlDialect::SQLite : SqlDialect::TSql,
                       sourceNameOf(settings),
                       isSqlite(settings) ? ConnectionSettings().database : settings.database,
                       driverFactory(settings))
{
}

DirectConnection::DirectConnection(DriverFactory factory)
    : DirectConnection(std::shared_ptr<Driver>(factory()), factory)
{
}

DirectConnection::DirectConnection(std::shared_ptr<Driver> first, DriverFactory factory)
    : DirectConnection(first->dialect(), QString(), ConnectionSettings().database,
                       std::move(factory))
{
    driver_ = std::move(first);
}

DirectConnection::DirectConnection(SqlDialect dialect, QString sourceName, QString database,
                                   DriverFactory factory)
    : Connection(dialect, std::move(sourceName), std::move(database)), factory_(std::move(factory))
{
}

DirectConnection::~DirectConnection()
{
    // Each waits for its threads, at most as long as a driver takes to give up.
    stoppedLinks_.clear();
    close();
}

bool DirectConnection::connected() const
{
    return driver_ && driver_->connected();
}

void DirectConnection::open()
{
    if (connected())
        return;
    if (!driver_)
        driver_ = factory_();
    driver_->connect();
    ++connectCount_;
}

void DirectConnection::close() noexcept
{
    if (driver_)
        driver_->disconnect();
}

Driver& DirectConnection::ensureConnected()
{
    open();
    return *driver_;
}

DriverResult DirectConnection::runQuery(const QString& sql, const QStringList& params)
{
    return ensureConnected().query(sql, params);
}

qint64 DirectConnection::runCommand(const QString& sql, const QStringList& params)
{
    return ensureConnected().execute(sql, params);
}

LinkTicket DirectConnection::submitQuery(const QString&, const QStringList&, BackgroundLink::Done)
{
    throw EDatabaseError(QStringLiteral("The connection works in the background only for a "
                                        "window"));
}

std::unique_ptr<BackgroundConnection> DirectConnection::startBackground(const LinkTimings& timings)
{
    auto background = std::make_unique<BackgroundConnection>(*this, std::move(driver_), timings);
    background_ = background.get();
    return background;
}

void DirectConnection::keepStopped(std::unique_ptr<BackgroundLink> link)
{
    // Links whose threads have ended are let go.
    std::erase_if(stoppedLinks_, [](const auto& stopped) { return stopped->finished(); });
    connectCount_ += link->connectCount();
    stoppedLinks_.push_back(std::move(link));
}

int DirectConnection::loginTimeoutMs() const
{
    if (driver_)
        return driver_->loginTimeoutMs();
    return factory_()->loginTimeoutMs();
}

int DirectConnection::connectCount() const
{
    return connectCount_ + (background_ ? background_->connectCount() : 0);
}

bool DirectConnection::stoppedLinksRunning() const
{
    return std::any_of(stoppedLinks_.begin(), stoppedLinks_.end(),
                       [](const auto& link) { return !link->finished(); });
}

BackgroundConnection::BackgroundConnection(DirectConnection& origin, std::shared_ptr<Driver> driver,
                                           const LinkTimings& timings)
    : Connection(origin.dialect(), origin.sourceName(), origin.database()), origin_(origin),
      link_(std::make_unique<BackgroundLink>(origin.factory_, std::move(driver), timings))
{
}

BackgroundConnection::~BackgroundConnection()
{
    stop();
    if (origin_.background_ == this)
        origin_.background_ = nullptr;
}

void BackgroundConnection::stop()
{
    if (!link_)
        return;
    link_->stop();
    origin_.keepStopped(std::move(link_));
}

bool BackgroundConnection::connected() const
{
    return link_ && link_->connected();
}

void BackgroundConnection::close() noexcept
{
    if (link_)
        link_->submitDisconnect();
}

namespace {
[[noreturn]] void refuseOnTheWindowsThread()
{
    throw EDatabaseError(QStringLiteral("A statement was run on the window's thread while "
                                        "its connection works in the background"));
}
} // namespace

DriverResult BackgroundConnection::runQuery(const QString&, const QStringList&)
{
    refuseOnTheWindowsThread();
}

qint64 BackgroundConnection::runCommand(const QString&, const QStringList&)
{
    refuseOnTheWindowsThread();
}

LinkTicket BackgroundConnection::submitQuery(const QString& sql, const QStringList& params,
                                             BackgroundLink::Done done)
{
    if (!link_)
        throw EDatabaseError(QStringLiteral("The window's connection has stopped"));
    return link_->submitQuery(sql, params, std::move(done));
}

void BackgroundConnection::withdraw(LinkTicket ticket)
{
    if (link_)
        link_->withdraw(ticket);
}

LinkStatus BackgroundConnection::status() const
{
    return link_ ? link_->status() : LinkStatus{};
}

int BackgroundConnection::connectCount() const
{
    return link_ ? link_->connectCount() : 0;
}
