#include "FeedDatabase.h"

#include <QFileInfo>
#include <sqlite3.h>

FeedDatabase::FeedDatabase(const QString& path)
{
    created_ = !QFileInfo::exists(path);
    const QByteArray file = path.toUtf8();
    if (sqlite3_open_v2(file.constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        const QString message = QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : "out of memory");
        sqlite3_close(db_);
        db_ = nullptr;
        throw FeedError(QStringLiteral("cannot open %1: %2").arg(path, message));
    }
    // The client holds short read transactions every second; wait them out instead of failing.
    sqlite3_busy_timeout(db_, 10000);
    exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA synchronous=NORMAL");
}

FeedDatabase::~FeedDatabase() { sqlite3_close_v2(db_); }

void FeedDatabase::exec(const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : sqlite3_errmsg(db_));
        sqlite3_free(error);
        throw FeedError(message);
    }
}

void FeedDatabase::fail(const char* what) const
{
    throw FeedError(QStringLiteral("%1: %2").arg(QString::fromUtf8(what), QString::fromUtf8(sqlite3_errmsg(db_))));
}

FeedStatement::FeedStatement(FeedDatabase& db, const char* sql) : db_(db)
{
    if (sqlite3_prepare_v2(db.handle(), sql, -1, &st_, nullptr) != SQLITE_OK)
        db.fail(sql);
}

FeedStatement::~FeedStatement() { sqlite3_finalize(st_); }

FeedStatement& FeedStatement::bind(int index, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    if (sqlite3_bind_text(st_, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        db_.fail("bind");
    return *this;
}

FeedStatement& FeedStatement::bind(int index, qint64 value)
{
    if (sqlite3_bind_int64(st_, index, value) != SQLITE_OK)
        db_.fail("bind");
    return *this;
}

bool FeedStatement::step()
{
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        db_.fail(sqlite3_sql(st_));
    return false;
}

void FeedStatement::reset()
{
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
}

QString FeedStatement::text(int column) const
{
    // The text first: asking for the byte count before it may count another encoding.
    const auto* chars = reinterpret_cast<const char*>(sqlite3_column_text(st_, column));
    return QString::fromUtf8(chars, sqlite3_column_bytes(st_, column));
}

qint64 FeedStatement::integer(int column) const { return sqlite3_column_int64(st_, column); }

bool FeedStatement::isNull(int column) const { return sqlite3_column_type(st_, column) == SQLITE_NULL; }

FeedTransaction::FeedTransaction(FeedDatabase& db) : db_(db) { db_.exec("BEGIN IMMEDIATE"); }

FeedTransaction::~FeedTransaction()
{
    if (open_)
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void FeedTransaction::commit()
{
    db_.exec("COMMIT");
    open_ = false;
}
