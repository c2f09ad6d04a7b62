#include "Connection.h"

#include "DBErrors.h"

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

// "key=value" fields separated by ";": a value in single or double quotes may hold ";" and
// its own quote doubled; a plain one loses its outer blanks.
QList<std::pair<QString, QString>> adoFields(const QString& text)
{
    QList<std::pair<QString, QString>> fields;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype eq = text.indexOf(u'=', pos);
        qsizetype end = text.indexOf(u';', pos);
        if (eq < 0 || (end >= 0 && end < eq)) {
            pos = end < 0 ? text.size() : end + 1;
            continue;
        }
        const QString key = text.mid(pos, eq - pos).trimmed().toLower();
        pos = eq + 1;
        while (pos < text.size() && text[pos].isSpace())
            ++pos;
        QString value;
        if (pos < text.size() && (text[pos] == u'"' || text[pos] == u'\'')) {
            const QChar quote = text[pos++];
            for (; pos < text.size(); ++pos) {
                if (text[pos] != quote) {
                    value += text[pos];
                } else if (pos + 1 < text.size() && text[pos + 1] == quote) {
                    value += quote;
                    ++pos;
                } else {
                    ++pos;
                    break;
                }
            }
            end = text.indexOf(u';', pos);
        } else {
            end = text.indexOf(u';', pos);
            value = text.mid(pos, (end < 0 ? text.size() : end) - pos).trimmed();
        }
        fields.append({key, value});
        pos = end < 0 ? text.size() : end + 1;
    }
    return fields;
}
} // namespace

QString adoConnectionText(const ConnectionSettings& settings)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=%1;Persist Security Info=True;User ID=%2;"
                          "Initial Catalog=%3;Data Source=%4")
        .arg(adoValue(settings.password), adoValue(settings.user), adoValue(settings.database),
             adoValue(settings.host + u',' + QString::number(settings.port)));
}

QString odbcConnectionText(const QString& adoText)
{
    QString host, port = QStringLiteral("1433"), database, user, password;
    for (const auto& [key, value] : adoFields(adoText)) {
        if (key == u"data source") {
            const qsizetype comma = value.lastIndexOf(u',');
            host = comma < 0 ? value : value.left(comma);
            if (comma >= 0)
                port = value.mid(comma + 1);
        } else if (key == u"initial catalog") {
            database = value;
        } else if (key == u"user id") {
            user = value;
        } else if (key == u"password") {
            password = value;
        }
    }
    // The fixed driver settings stay plain and last: FreeTDS keeps the closing brace of a
    // braced value that ends the text.
    return QStringLiteral("DRIVER={FreeTDS};SERVER=%1;PORT=%2;DATABASE=%3;UID=%4;PWD=%5;"
                          "TDS_Version=7.3;ClientCharset=UTF-8")
        .arg(odbcQuoted(host), odbcQuoted(port), odbcQuoted(database), odbcQuoted(user),
             odbcQuoted(password));
}

bool odbcQuotable(const QString& value)
{
    return !value.contains(QStringLiteral("};"));
}

QString odbcQuoted(const QString& value)
{
    return u'{' + value + u'}';
}

Connection::Connection(const ConnectionSettings& settings)
{
    if (settings.kind == ConnectionSettings::Kind::Sqlite) {
        const QString file = settings.sqliteFile;
        factory_ = [file] { return makeSqliteDriver(file); };
        sourceName_ = QFileInfo(file).fileName();
        dialect_ = SqlDialect::SQLite;
    } else {
        const QString odbc = odbcConnectionText(adoConnectionText(settings));
        factory_ = [odbc] { return makeOdbcDriver(odbc); };
        // An IPv6 address in brackets, as it is written on the command line.
        const QString host =
            settings.host.contains(u':') ? u'[' + settings.host + u']' : settings.host;
        sourceName_ = QStringLiteral("%1,%2").arg(host).arg(settings.port);
        database_ = settings.database;
        dialect_ = SqlDialect::TSql;
    }
}

Connection::Connection(DriverFactory factory) : factory_(std::move(factory))
{
    driver_ = factory_();
    dialect_ = driver_->dialect();
}

Connection::~Connection()
{
    stopBackground();
    // Each waits for its threads, at most as long as a driver takes to give up.
    stoppedLinks_.clear();
    close();
}

SqlDialect Connection::dialect() const
{
    return dialect_;
}

bool Connection::connected() const
{
    if (link_)
        return link_->connected();
    return driver_ && driver_->connected();
}

void Connection::open()
{
    if (link_ || connected())
        return;
    if (!driver_)
        driver_ = factory_();
    driver_->connect();
    ++connectCount_;
}

void Connection::close() noexcept
{
    if (link_)
        link_->submitDisconnect();
    else if (driver_)
        driver_->disconnect();
}

Driver& Connection::ensureConnected()
{
    if (link_)
        throw EDatabaseError(QStringLiteral("A statement was run on the window's thread while "
                                            "its connection works in the background"));
    open();
    return *driver_;
}

DriverResult Connection::runQuery(const QString& sql, const QStringList& params)
{
    return ensureConnected().query(sql, params);
}

qint64 Connection::runCommand(const QString& sql, const QStringList& params)
{
    return ensureConnected().execute(sql, params);
}

void Connection::startBackground()
{
    if (link_)
        return;
    link_ = std::make_unique<BackgroundLink>(factory_, std::move(driver_), timings_);
}

void Connection::stopBackground()
{
    // Links whose threads have ended are let go.
    std::erase_if(stoppedLinks_, [](const auto& link) { return link->finished(); });
    if (!link_)
        return;
    link_->stop();
    connectCount_ += link_->connectCount();
    stoppedLinks_.push_back(std::move(link_));
}

LinkTicket Connection::submitQuery(const QString& sql, const QStringList& params,
                                   BackgroundLink::Done done)
{
    if (!link_)
        throw EDatabaseError(QStringLiteral("The connection works in the background only for a "
                                            "window"));
    return link_->submitQuery(sql, params, std::move(done));
}

void Connection::withdraw(LinkTicket ticket)
{
    if (link_)
        link_->withdraw(ticket);
}

int Connection::loginTimeoutMs() const
{
    if (driver_)
        return driver_->loginTimeoutMs();
    return factory_()->loginTimeoutMs();
}

bool Connection::stoppedLinksRunning() const
{
    return std::any_of(stoppedLinks_.begin(), stoppedLinks_.end(),
                       [](const auto& link) { return !link->finished(); });
}

LinkStatus Connection::status() const
{
    return link_ ? link_->status() : LinkStatus{};
}

int Connection::connectCount() const
{
    return connectCount_ + (link_ ? link_->connectCount() : 0);
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
