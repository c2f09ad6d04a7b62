#include "DBErrors.h"
#include "Driver.h"

#include <QFileInfo>
#include <sqlite3.h>

namespace {

class SqliteDriver : public Driver {
public:
    explicit SqliteDriver(QString file) : file_(std::move(file)) {}
    ~SqliteDriver() override { Disconnect(); }

    SqlDialect Dialect() const override { return SqlDialect::SQLite; }

    void Connect() override
    {
        Disconnect();
        // Never create a database: a missing file is as unreachable as a missing server.
        if (!QFileInfo(file_).isFile())
            throw EConnectionError(QStringLiteral("unable to open database file: %1").arg(file_));
        sqlite3* db = nullptr;
        const int rc = sqlite3_open_v2(file_.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        if (rc != SQLITE_OK) {
            const QString message = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
            sqlite3_close(db);
            throw EConnectionError(message);
        }
        db_ = db;
        sqlite3_busy_timeout(db_, 5000);
        try {
            // Reading the schema tells a database from any other file.
            Query(QStringLiteral("select count(*) from sqlite_master"), {});
        } catch (const EDatabaseError& error) {
            Disconnect();
            throw EConnectionError(error.Message());
        }
    }

    void Disconnect() noexcept override
    {
        if (db_) {
            sqlite3_close_v2(db_);
            db_ = nullptr;
        }
    }

    bool Connected() const override { return db_ != nullptr; }

    DriverResult Query(const QString& sql, const QStringList& params) override
    {
        Statement st(*this, sql, params);
        DriverResult result;
        const int columns = sqlite3_column_count(st.handle);
        for (int c = 0; c < columns; ++c)
            result.columns.push_back({QString::fromUtf8(sqlite3_column_name(st.handle, c)),
                                      declaredType(sqlite3_column_decltype(st.handle, c))});
        for (;;) {
            const int rc = sqlite3_step(st.handle);
            if (rc == SQLITE_DONE)
                break;
            if (rc != SQLITE_ROW)
                fail();
            QVector<QVariant> row;
            row.reserve(columns);
            for (int c = 0; c < columns; ++c)
                row.push_back(value(st.handle, c));
            result.rows.push_back(std::move(row));
        }
        return result;
    }

    qint64 Execute(const QString& sql, const QStringList& params) override
    {
        Statement st(*this, sql, params);
        int rc;
        while ((rc = sqlite3_step(st.handle)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            fail();
        return sqlite3_changes64(db_);
    }

private:
    struct Statement {
        Statement(SqliteDriver& driver, const QString& sql, const QStringList& params)
        {
            if (!driver.db_)
                throw EDatabaseError(QStringLiteral("Connection is closed"));
            const QByteArray text = sql.toUtf8();
            if (sqlite3_prepare_v2(driver.db_, text.constData(), int(text.size()), &handle, nullptr) != SQLITE_OK)
                driver.fail();
            for (int i = 0; i < params.size(); ++i) {
                const QByteArray v = params[i].toUtf8();
                sqlite3_bind_text(handle, i + 1, v.constData(), int(v.size()), SQLITE_TRANSIENT);
            }
        }
        ~Statement() { sqlite3_finalize(handle); }
        sqlite3_stmt* handle = nullptr;
    };

    [[noreturn]] void fail() const { throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db_))); }

    static DriverType declaredType(const char* decl)
    {
        const QByteArray d = QByteArray(decl ? decl : "").toUpper();
        if (d.contains("INT"))
            return DriverType::Integer;
        if (d.contains("CHAR") || d.contains("TEXT"))
            return DriverType::Text;
        if (d.contains("REAL") || d.contains("FLOA") || d.contains("DOUB"))
            return DriverType::Float;
        return DriverType::Other;
    }

    static QVariant value(sqlite3_stmt* st, int c)
    {
        switch (sqlite3_column_type(st, c)) {
        case SQLITE_INTEGER: return qlonglong(sqlite3_column_int64(st, c));
        case SQLITE_FLOAT: return sqlite3_column_double(st, c);
        case SQLITE_NULL: return {};
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(st, c)), sqlite3_column_bytes(st, c));
        default:
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                     sqlite3_column_bytes(st, c));
        }
    }

    QString file_;
    sqlite3* db_ = nullptr;
};

} // namespace

std::unique_ptr<Driver> makeSqliteDriver(const QString& file) { return std::make_unique<SqliteDriver>(file); }
