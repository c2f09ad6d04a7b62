#pragma once
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

enum class SqlDialect { TSql, SQLite };

// Column types as a driver reports them; the dataset converts values to the declared type.
enum class DriverType { Text, Integer, Float, DateTime, Other };

struct DriverColumn {
    QString name;
    DriverType type = DriverType::Other;
};

// A whole result, fetched into the client. A NULL is an invalid QVariant; text arrives as
// QString, integers as qlonglong, floats as double, date-times as QDateTime (local time).
struct DriverResult {
    QVector<DriverColumn> columns;
    QVector<QVector<QVariant>> rows;
};

// One database connection. Statements use "?" markers bound in order, always as text.
// Errors are EDatabaseError; when one means the link is gone the driver disconnects itself
// and marks the error, and the next statement reconnects through the connection object.
class Driver {
public:
    virtual ~Driver() = default;
    virtual SqlDialect dialect() const = 0;
    virtual void connect() = 0;
    virtual void disconnect() noexcept = 0;
    virtual bool connected() const = 0;
    virtual DriverResult query(const QString& sql, const QStringList& params) = 0;
    // Returns the number of rows the command changed.
    virtual qint64 execute(const QString& sql, const QStringList& params) = 0;
    // Asks the statement running on another thread to stop; safe to call from any thread,
    // while this object is alive.
    virtual void interrupt() noexcept = 0;
    // How long the driver lets a statement run before it gives up; 0 when it never does.
    virtual int statementTimeoutMs() const { return 0; }
    // How long a connect may take before the driver gives up; 0 when it never waits long.
    virtual int loginTimeoutMs() const { return 0; }
};

// SQLite's C API on an existing file; a missing file is a connection failure.
std::unique_ptr<Driver> makeSqliteDriver(const QString& file);

// unixODBC over FreeTDS with the given ODBC connection text.
std::unique_ptr<Driver> makeOdbcDriver(const QString& odbcConnectionText);
