#include "DBErrors.h"
#include "Driver.h"
#include "ScopeGuard.h"
#include "SqliteDatabase.h"

#include <QFileInfo>
#include <algorithm>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

constexpr int kBusyTimeoutMs = 200;
constexpr size_t kPreparedLimit = 32;

class SqliteDriver : public Driver {
public:
    explicit SqliteDriver(QString file) : file_(std::move(file)) {}
    ~SqliteDriver() override { disconnect(); }

    SqlDialect dialect() const override { return SqlDialect::SQLite; }

    void connect() override
    {
        disconnect();
        // Never create a database: a missing file is as unreachable as a missing server.
        if (!QFileInfo(file_).isFile())
            throw EConnectionError(QStringLiteral("unable to open database file: %1").arg(file_));
        try {
            {
                const std::lock_guard lock(openClose_);
                db_.open(file_, SqliteDatabase::OpenMode::ReadWrite);
            }
            // A locked file fails the statement soon, as an unanswering server would, rather
            // than holding the window's work for seconds.
            db_.setBusyTimeout(kBusyTimeoutMs);
            // Reading the schema tells a database from any other file, and the client's tables
            // a database of its own from an empty or a foreign one.
            requireClientTables();
        } catch (const EDatabaseError& error) {
            disconnect();
            throw EConnectionError(error.message());
        }
    }

    void disconnect() noexcept override
    {
        const std::lock_guard lock(openClose_);
        prepared_.clear(); // finalized before the handle goes
        db_.close();
    }

    void interrupt() noexcept override
    {
        const std::lock_guard lock(openClose_);
        db_.interrupt();
    }

    bool connected() const override { return db_.isOpen(); }

    DriverResult query(const QString& sql, const QStringList& params) override
    {
        SqliteStatement& st = preparedStatement(sql);
        // Reset however the run ends: a statement left stepping would hold its read open.
        const ScopeGuard done([&st] { st.reset(); });
        bind(st, params);
        // The first step comes before the columns are read: a statement kept prepared is
        // prepared again there when the tables changed, and only then shows their columns.
        bool hasRow = st.step();
        DriverResult result;
        const int columns = st.columnCount();
        for (int c = 0; c < columns; ++c)
            result.columns.push_back({st.columnName(c), declaredType(st.columnDeclaredType(c))});
        for (; hasRow; hasRow = st.step()) {
            QVector<QVariant> row;
            row.reserve(columns);
            for (int c = 0; c < columns; ++c)
                row.push_back(st.columnValue(c));
            result.rows.push_back(std::move(row));
        }
        return result;
    }

    qint64 execute(const QString& sql, const QStringList& params) override
    {
        SqliteStatement st(connected(), sql);
        bind(st, params);
        while (st.step()) {
        }
        return db_.changes();
    }

private:
    // The window runs the same few statements every second: each is prepared once per
    // connection and then only reset and bound afresh, which saves most of a short
    // statement's cost. A statement whose tables changed is prepared again by SQLite itself.
    SqliteStatement& preparedStatement(const QString& sql)
    {
        SqliteDatabase& db = connected();
        if (const auto found = prepared_.find(sql); found != prepared_.end())
            return *found->second;
        if (prepared_.size() >= kPreparedLimit)
            prepared_.clear(); // the window's own statements are far fewer
        auto st = std::make_unique<SqliteStatement>(db, sql);
        return *prepared_.emplace(sql, std::move(st)).first->second;
    }

    void requireClientTables()
    {
        SqliteStatement st(db_, QStringLiteral("select count(*) from sqlite_master where type = "
                                               "'table' and name = ?1"));
        for (const char* table : {"a5_z0_5yc", "a5_z0_00VER", "TA71操作用户"}) {
            st.reset();
            st.bind(1, QString::fromUtf8(table));
            if (!st.step() || st.columnInt64(0) == 0)
                throw EDatabaseError(QStringLiteral("not a Tallyvane database (no table %1): %2")
                                         .arg(QString::fromUtf8(table), file_));
        }
    }

    SqliteDatabase& connected()
    {
        if (!db_.isOpen())
            throw EDatabaseError(QStringLiteral("Connection is closed"));
        return db_;
    }

    static void bind(SqliteStatement& st, const QStringList& params)
    {
        // A parameter name without a marker (one in a comment) binds nothing.
        const int markers = std::min(int(params.size()), st.parameterCount());
        for (int i = 0; i < markers; ++i)
            st.bind(i + 1, params[i]);
    }

    static DriverType declaredType(const QByteArray& decl)
    {
        const QByteArray d = decl.toUpper();
        if (d.contains("INT"))
            return DriverType::Integer;
        if (d.contains("CHAR") || d.contains("TEXT"))
            return DriverType::Text;
        if (d.contains("REAL") || d.contains("FLOA") || d.contains("DOUB"))
            return DriverType::Float;
        return DriverType::Other;
    }

    QString file_;
    SqliteDatabase db_;
    // Interrupt comes from another thread: it must not meet the handle half opened or closed.
    std::mutex openClose_;
    std::unordered_map<QString, std::unique_ptr<SqliteStatement>> prepared_;
};

} // namespace

std::unique_ptr<Driver> makeSqliteDriver(const QString& file)
{
    return std::make_unique<SqliteDriver>(file);
}
