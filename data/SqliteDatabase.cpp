#include "SqliteDatabase.h"

#include "DBErrors.h"

#include <sqlite3.h>

void SqliteDatabase::open(const QString& file, OpenMode mode)
{
    close();
    const int flags = mode == OpenMode::ReadOnly    ? SQLITE_OPEN_READONLY
                      : mode == OpenMode::ReadWrite ? SQLITE_OPEN_READWRITE
                                                    : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(file.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        // Without memory SQLite gives no handle to ask.
        const QString message = QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        throw EDatabaseError(message);
    }
    db_ = db;
}

void SqliteDatabase::close() noexcept
{
    // A statement still alive keeps the connection until it is finalized.
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

void SqliteDatabase::exec(const QString& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : sqlite3_errmsg(db_));
        sqlite3_free(error);
        throw EDatabaseError(message);
    }
}

void SqliteDatabase::setBusyTimeout(int ms)
{
    sqlite3_busy_timeout(db_, ms);
}

void SqliteDatabase::interrupt() noexcept
{
    if (db_)
        sqlite3_interrupt(db_);
}

QString SqliteDatabase::errorText() const
{
    return QString::fromUtf8(sqlite3_errmsg(db_));
}

qint64 SqliteDatabase::changes() const
{
    return sqlite3_changes64(db_);
}

qint64 SqliteDatabase::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(db_);
}

SqliteStatement::SqliteStatement(SqliteDatabase& db, const QString& sql)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db.db_, text.constData(), int(text.size()), &st_, nullptr) != SQLITE_OK)
        throw EDatabaseError(db.errorText());
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(st_);
}

void SqliteStatement::fail() const
{
    throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(st_))));
}

void SqliteStatement::check(int rc) const
{
    if (rc != SQLITE_OK)
        fail();
}

SqliteStatement& SqliteStatement::bind(int index, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    check(sqlite3_bind_text(st_, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT));
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, qint64 value)
{
    check(sqlite3_bind_int64(st_, index, value));
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, double value)
{
    check(sqlite3_bind_double(st_, index, value));
    return *this;
}

SqliteStatement& SqliteStatement::bindNull(int index)
{
    check(sqlite3_bind_null(st_, index));
    return *this;
}

SqliteStatement& SqliteStatement::bindValue(int index, const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return bindNull(index);
    switch (value.typeId()) {
    case QMetaType::QString:
        return bind(index, value.toString());
    case QMetaType::Double:
    case QMetaType::Float:
        return bind(index, value.toDouble());
    default:
        return bind(index, qint64(value.toLongLong()));
    }
}

int SqliteStatement::parameterCount() const
{
    return sqlite3_bind_parameter_count(st_);
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        fail();
    return false;
}

void SqliteStatement::reset()
{
    // Reset repeats the last step's error, which step already reported.
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
}

QString SqliteStatement::sql() const
{
    return QString::fromUtf8(sqlite3_sql(st_));
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(st_);
}

QString SqliteStatement::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(st_, column));
}

QByteArray SqliteStatement::columnDeclaredType(int column) const
{
    return QByteArray(sqlite3_column_decltype(st_, column));
}

SqliteStatement::ColumnType SqliteStatement::columnType(int column) const
{
    switch (sqlite3_column_type(st_, column)) {
    case SQLITE_INTEGER:
        return ColumnType::Integer;
    case SQLITE_FLOAT:
        return ColumnType::Float;
    case SQLITE_BLOB:
        return ColumnType::Blob;
    case SQLITE_NULL:
        return ColumnType::Null;
    default:
        return ColumnType::Text;
    }
}

QString SqliteStatement::columnText(int column) const
{
    // The text first: asking for the byte count before it may count another encoding.
    const auto* chars = reinterpret_cast<const char*>(sqlite3_column_text(st_, column));
    return QString::fromUtf8(chars, sqlite3_column_bytes(st_, column));
}

qint64 SqliteStatement::columnInt64(int column) const
{
    return sqlite3_column_int64(st_, column);
}

double SqliteStatement::columnDouble(int column) const
{
    return sqlite3_column_double(st_, column);
}

QVariant SqliteStatement::columnValue(int column) const
{
    switch (columnType(column)) {
    case ColumnType::Integer:
        return qlonglong(columnInt64(column));
    case ColumnType::Float:
        return columnDouble(column);
    case ColumnType::Null:
        return {};
    case ColumnType::Blob: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(st_, column));
        return QByteArray(bytes, sqlite3_column_bytes(st_, column));
    }
    case ColumnType::Text:
        break;
    }
    return columnText(column);
}

SqliteTransaction::SqliteTransaction(SqliteDatabase& db) : db_(db)
{
    db_.exec(QStringLiteral("BEGIN IMMEDIATE"));
}

SqliteTransaction::~SqliteTransaction()
{
    // A failed statement may have ended the transaction already: then there is nothing to undo.
    if (open_)
        sqlite3_exec(db_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteTransaction::commit()
{
    // A statement stepped but neither finished nor reset keeps a read open past the commit,
    // and with it every later checkpoint from resetting the write-ahead log: it only grows.
    for (sqlite3_stmt* st = sqlite3_next_stmt(db_.db_, nullptr); st;
         st = sqlite3_next_stmt(db_.db_, st))
        if (sqlite3_stmt_busy(st))
            throw EDatabaseError(QStringLiteral("a statement is still open at commit: %1")
                                     .arg(QString::fromUtf8(sqlite3_sql(st))));
    db_.exec(QStringLiteral("COMMIT"));
    open_ = false;
}
