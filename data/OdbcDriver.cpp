#include "OdbcDriver.h"

#include "DBErrors.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QVector>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <iterator>
#include <mutex>
#include <string>
#include <utility>

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC must use UTF-16 SQLWCHAR");

namespace {

const SQLWCHAR* wide(const QString& text)
{
    return reinterpret_cast<const SQLWCHAR*>(text.utf16());
}

QVector<OdbcDiagnostic> diagnostics(SQLSMALLINT type, SQLHANDLE handle)
{
    QVector<OdbcDiagnostic> out;
    if (!handle)
        return out;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(
                SQLGetDiagRecW(type, handle, record, state, &native, nullptr, 0, &length)))
            break;
        std::u16string message(size_t(length) + 1, u'\0');
        SQLGetDiagRecW(type, handle, record, state, &native,
                       reinterpret_cast<SQLWCHAR*>(message.data()), SQLSMALLINT(message.size()),
                       &length);
        message.resize(std::min<size_t>(size_t(length), message.size() - 1));
        out.push_back({QString::fromUtf16(reinterpret_cast<const char16_t*>(state), 5), int(native),
                       odbcStripPrefixes(QString::fromStdU16String(message))});
    }
    return out;
}

// The server's own message when there is one: the driver's records around it ("Unable to
// connect", "General error") say less.
OdbcDiagnostic mainDiagnostic(const QVector<OdbcDiagnostic>& records)
{
    for (const OdbcDiagnostic& d : records)
        if (d.nativeError != 0 && !d.message.isEmpty())
            return d;
    for (const OdbcDiagnostic& d : records)
        if (!d.message.isEmpty())
            return d;
    return {QStringLiteral("HY000"), 0, QStringLiteral("Unknown ODBC error")};
}

bool timedOut(const OdbcDiagnostic& d)
{
    return d.sqlState == u"HYT00" || d.sqlState == u"HYT01";
}

// The statement running now, for a cancel from another thread.
struct RunningStatement {
    std::mutex mutex;
    SQLHSTMT handle = SQL_NULL_HSTMT;
};

// A statement handle freed on every path; known to the cancel while it lives.
class StatementHandle {
public:
    StatementHandle(SQLHDBC dbc, RunningStatement& running) : running_(&running)
    {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &handle_)))
            handle_ = SQL_NULL_HSTMT;
        const std::lock_guard lock(running_->mutex);
        running_->handle = handle_;
    }
    ~StatementHandle()
    {
        if (!handle_)
            return;
        {
            const std::lock_guard lock(running_->mutex);
            running_->handle = SQL_NULL_HSTMT;
        }
        SQLFreeHandle(SQL_HANDLE_STMT, handle_);
    }
    StatementHandle(StatementHandle&& other) noexcept
        : running_(other.running_), handle_(std::exchange(other.handle_, nullptr))
    {
    }
    StatementHandle(const StatementHandle&) = delete;
    StatementHandle& operator=(const StatementHandle&) = delete;
    SQLHSTMT get() const { return handle_; }

private:
    RunningStatement* running_;
    SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

DriverType driverType(SQLSMALLINT sqlType)
{
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_WCHAR:
    case SQL_VARCHAR:
    case SQL_WVARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
        return DriverType::Text;
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
    case SQL_BIT:
        return DriverType::Integer;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return DriverType::Float;
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATETIME:
    case SQL_TYPE_DATE:
        return DriverType::DateTime;
    default:
        return DriverType::Other;
    }
}

class OdbcDriver : public Driver {
public:
    OdbcDriver(QString connectionText, const OdbcTimeouts& timeouts,
               RefusalExplainer explainRefusal)
        : connectionText_(std::move(connectionText)), timeouts_(timeouts),
          explainRefusal_(std::move(explainRefusal))
    {
    }
    ~OdbcDriver() override { disconnect(); }

    SqlDialect dialect() const override { return SqlDialect::TSql; }

    void connect() override
    {
        disconnect();
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
            throw EConnectionError(QStringLiteral("Cannot allocate the ODBC environment"));
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) {
            const QString message = mainDiagnostic(diagnostics(SQL_HANDLE_ENV, env_)).message;
            disconnect();
            throw EConnectionError(message);
        }
        // Without a login timeout a host that never answers holds the connect for minutes.
        SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT,
                          reinterpret_cast<SQLPOINTER>(SQLULEN(timeouts_.loginSeconds)), 0);
        SQLSMALLINT outLength = 0;
        const SQLRETURN rc =
            SQLDriverConnectW(dbc_, nullptr, const_cast<SQLWCHAR*>(wide(connectionText_)), SQL_NTS,
                              nullptr, 0, &outLength, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) {
            const QString message =
                connectFailure(mainDiagnostic(diagnostics(SQL_HANDLE_DBC, dbc_)));
            SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
            dbc_ = SQL_NULL_HDBC;
            disconnect();
            throw EConnectionError(message);
        }
        connected_ = true;
    }

    // FreeTDS says no more than "connection failed" when the pre-login or the TLS handshake
    // fails; where a certificate is checked, the administrator needs to know which it was.
    QString connectFailure(const OdbcDiagnostic& main) const
    {
        if (main.nativeError != kConnectionFailed || !explainRefusal_)
            return main.message;
        const QString cause = explainRefusal_(loginTimeoutMs());
        return main.message +
               (cause.isEmpty()
                    ? QStringLiteral(" (before the login: the server offers no TLS, or its "
                                     "certificate is not trusted, has expired or is for another "
                                     "host name)")
                    : QStringLiteral(" (before the login: %1)").arg(cause));
    }
    static constexpr int kConnectionFailed = 20002; // FreeTDS's "Adaptive Server connection failed"

    void disconnect() noexcept override
    {
        if (dbc_) {
            if (connected_)
                SQLDisconnect(dbc_);
            SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
            dbc_ = SQL_NULL_HDBC;
        }
        connected_ = false;
        if (env_) {
            SQLFreeHandle(SQL_HANDLE_ENV, env_);
            env_ = SQL_NULL_HENV;
        }
    }

    bool connected() const override { return connected_; }

    void interrupt() noexcept override
    {
        const std::lock_guard lock(running_.mutex);
        if (running_.handle)
            SQLCancel(running_.handle);
    }

    int statementTimeoutMs() const override { return timeouts_.statementSeconds * 1000; }
    int loginTimeoutMs() const override { return timeouts_.loginSeconds * 1000; }

    DriverResult query(const QString& sql, const QStringList& params) override
    {
        return dropLinkOnLoss([&] { return fetch(sql, params); });
    }

    qint64 execute(const QString& sql, const QStringList& params) override
    {
        return dropLinkOnLoss([&] {
            StatementHandle st = run(sql, params);
            SQLLEN rows = 0;
            check(SQLRowCount(st.get(), &rows), st.get());
            return rows < 0 ? qint64(0) : qint64(rows);
        });
    }

private:
    // The statement handle must be gone before the connection it belongs to.
    template <class Body> auto dropLinkOnLoss(Body body) -> decltype(body())
    {
        try {
            return body();
        } catch (const EDatabaseError& error) {
            if (error.linkLost())
                disconnect();
            throw;
        }
    }

    DriverResult fetch(const QString& sql, const QStringList& params)
    {
        StatementHandle st = run(sql, params);
        DriverResult result;
        SQLSMALLINT columns = 0;
        // Skip leading results without columns (row counts of earlier statements).
        for (;;) {
            check(SQLNumResultCols(st.get(), &columns), st.get());
            if (columns > 0)
                break;
            const SQLRETURN rc = SQLMoreResults(st.get());
            if (rc == SQL_NO_DATA)
                return result;
            check(rc, st.get());
        }
        for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columns); ++c)
            result.columns.push_back(describe(st.get(), c));
        for (;;) {
            const SQLRETURN rc = SQLFetch(st.get());
            if (rc == SQL_NO_DATA)
                break;
            check(rc, st.get());
            QVector<QVariant> row;
            row.reserve(columns);
            for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(columns); ++c)
                row.push_back(value(st.get(), c, result.columns[c - 1].type));
            result.rows.push_back(std::move(row));
        }
        return result;
    }

    // Runs a statement with its parameters bound as varchar, so that the server compares
    // them with its varchar columns as they are.
    StatementHandle run(const QString& sql, const QStringList& params)
    {
        if (!connected_)
            throw EDatabaseError(QStringLiteral("Connection is closed"), true);
        StatementHandle st(dbc_, running_);
        if (!st.get())
            fail(SQL_HANDLE_DBC, dbc_);
        SQLSetStmtAttr(st.get(), SQL_ATTR_QUERY_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(SQLULEN(timeouts_.statementSeconds)), 0);
        // The bound buffers must outlive the execution.
        QVector<QString> values(params.begin(), params.end());
        QVector<SQLLEN> lengths(values.size());
        for (int i = 0; i < values.size(); ++i) {
            lengths[i] = SQLLEN(values[i].size() * sizeof(SQLWCHAR));
            // Declared size in bytes of the server's text: UTF-8 length bounds it from above.
            const SQLULEN declared = SQLULEN(std::max<qsizetype>(1, values[i].toUtf8().size()));
            check(SQLBindParameter(st.get(), SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, SQL_C_WCHAR,
                                   SQL_VARCHAR, declared, 0, const_cast<SQLWCHAR*>(wide(values[i])),
                                   lengths[i], &lengths[i]),
                  st.get());
        }
        const SQLRETURN rc = SQLExecDirectW(st.get(), const_cast<SQLWCHAR*>(wide(sql)), SQL_NTS);
        if (rc != SQL_NO_DATA)
            check(rc, st.get());
        return st;
    }

    DriverColumn describe(SQLHSTMT st, SQLUSMALLINT column)
    {
        SQLWCHAR name[256] = {};
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        check(SQLDescribeColW(st, column, name, SQLSMALLINT(std::size(name)), &nameLength, &type,
                              &size, &digits, &nullable),
              st);
        nameLength = std::min<SQLSMALLINT>(nameLength, SQLSMALLINT(std::size(name) - 1));
        return {QString::fromUtf16(reinterpret_cast<const char16_t*>(name), nameLength),
                driverType(type)};
    }

    QVariant value(SQLHSTMT st, SQLUSMALLINT column, DriverType type)
    {
        SQLLEN indicator = 0;
        switch (type) {
        case DriverType::Integer: {
            SQLBIGINT v = 0;
            check(SQLGetData(st, column, SQL_C_SBIGINT, &v, sizeof v, &indicator), st);
            return indicator == SQL_NULL_DATA ? QVariant() : QVariant(qlonglong(v));
        }
        case DriverType::Float: {
            double v = 0;
            check(SQLGetData(st, column, SQL_C_DOUBLE, &v, sizeof v, &indicator), st);
            return indicator == SQL_NULL_DATA ? QVariant() : QVariant(v);
        }
        case DriverType::DateTime: {
            SQL_TIMESTAMP_STRUCT v = {};
            check(SQLGetData(st, column, SQL_C_TYPE_TIMESTAMP, &v, sizeof v, &indicator), st);
            if (indicator == SQL_NULL_DATA)
                return {};
            return QDateTime(QDate(v.year, v.month, v.day),
                             QTime(v.hour, v.minute, v.second, int(v.fraction / 1000000)),
                             Qt::LocalTime);
        }
        default:
            return text(st, column);
        }
    }

    // Text in pieces until the driver has nothing more to give. The declared length says
    // nothing about how many UTF-16 units a value needs, and the indicator may not tell the
    // units written: a text cut inside a character makes FreeTDS report "more data" for ever
    // while writing nothing, so only what a call really wrote counts.
    QVariant text(SQLHSTMT st, SQLUSMALLINT column)
    {
        constexpr SQLLEN kUnits = 64;
        SQLWCHAR buffer[kUnits];
        QString out(QLatin1String(""));
        while (out.size() < kMaxTextUnits) {
            std::fill(std::begin(buffer), std::end(buffer), kUnwritten);
            SQLLEN indicator = 0;
            const SQLRETURN rc =
                SQLGetData(st, column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
            if (rc == SQL_NO_DATA)
                break;
            check(rc, st);
            if (indicator == SQL_NULL_DATA)
                return {};
            const bool partial = rc == SQL_SUCCESS_WITH_INFO &&
                                 (indicator == SQL_NO_TOTAL || indicator >= SQLLEN(sizeof buffer));
            const SQLLEN units =
                partial ? unitsWritten(buffer, kUnits) : indicator / SQLLEN(sizeof(SQLWCHAR));
            out.append(QStringView(reinterpret_cast<const char16_t*>(buffer), units));
            if (!partial)
                break;
            if (units == 0) {
                // What is left is less than a character.
                out.append(QChar(QChar::ReplacementCharacter));
                break;
            }
        }
        out.truncate(kMaxTextUnits);
        return out;
    }

    // A value no column of the client comes near (the longest holds 128 bytes).
    static constexpr qsizetype kMaxTextUnits = 1 << 20;
    // A noncharacter, so never part of a text: marks the units a call left alone.
    static constexpr SQLWCHAR kUnwritten = 0xFFFF;

    // The units before the terminating NUL the driver wrote after its data.
    static SQLLEN unitsWritten(const SQLWCHAR* buffer, SQLLEN size)
    {
        SQLLEN end = size;
        while (end > 0 && buffer[end - 1] == kUnwritten)
            --end;
        return end > 0 && buffer[end - 1] == 0 ? end - 1 : end;
    }

    void check(SQLRETURN rc, SQLHSTMT st)
    {
        if (!SQL_SUCCEEDED(rc))
            fail(SQL_HANDLE_STMT, st);
    }

    [[noreturn]] void fail(SQLSMALLINT type, SQLHANDLE handle)
    {
        QVector<OdbcDiagnostic> records = diagnostics(type, handle);
        if (records.isEmpty())
            records = diagnostics(SQL_HANDLE_DBC, dbc_);
        const OdbcDiagnostic main = mainDiagnostic(records);
        bool lost = false;
        for (const OdbcDiagnostic& d : records)
            // A server that let a statement time out may not answer the cancel either; the
            // link is in an unknown state, so start afresh with the next statement.
            lost = lost || odbcLinkLost(d) || timedOut(d);
        throw EDatabaseError(main.message, lost);
    }

    QString connectionText_;
    OdbcTimeouts timeouts_;
    RefusalExplainer explainRefusal_;
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
    RunningStatement running_;
};

} // namespace

bool odbcLinkLost(const OdbcDiagnostic& diagnostic)
{
    if (diagnostic.sqlState.startsWith(u"08"))
        return true;
    // Some losses of the socket FreeTDS reports only as "Unknown error".
    static const char16_t* const kSigns[] = {u"Communication link failure",
                                             u"Unexpected EOF",
                                             u"Read from the server failed",
                                             u"Write to the server failed",
                                             u"connection is dead",
                                             u"Server closed",
                                             u"Unknown error"};
    for (const char16_t* sign : kSigns)
        if (diagnostic.message.contains(QStringView(sign), Qt::CaseInsensitive))
            return true;
    return false;
}

QString odbcStripPrefixes(const QString& message)
{
    static const QRegularExpression prefixes(QStringLiteral("^(\\[[^\\]]*\\])+\\s*"));
    return QString(message).remove(prefixes);
}

std::unique_ptr<Driver> makeOdbcDriver(const QString& odbcConnectionText,
                                       const OdbcTimeouts& timeouts,
                                       RefusalExplainer explainRefusal)
{
    return std::make_unique<OdbcDriver>(odbcConnectionText, timeouts, std::move(explainRefusal));
}

std::unique_ptr<Driver> makeOdbcDriver(const QString& odbcConnectionText)
{
    return makeOdbcDriver(odbcConnectionText, OdbcTimeouts{});
}
