#pragma once
#include <QByteArray>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// The one place that speaks SQLite's C API. Every failure is an EDatabaseError carrying
// SQLite's own text; callers add their context.
class SqliteDatabase {
public:
    enum class OpenMode {
        ReadOnly,
        ReadWrite, // an existing file only
        Create,    // read-write, creating a missing file
    };

    SqliteDatabase() = default;
    SqliteDatabase(const QString& file, OpenMode mode) { open(file, mode); }
    ~SqliteDatabase() { close(); }
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    void open(const QString& file, OpenMode mode);
    void close() noexcept;
    bool isOpen() const { return db_ != nullptr; }

    // Runs one or more statements without results.
    void exec(const QString& sql);
    void setBusyTimeout(int ms);
    // Stops the statement running on another thread; safe from any thread while open.
    void interrupt() noexcept;
    QString errorText() const;
    qint64 changes() const;
    qint64 lastInsertRowId() const;

private:
    friend class SqliteStatement;
    friend class SqliteTransaction;
    sqlite3* db_ = nullptr;
};

// One prepared statement; bind from 1, read columns from 0.
class SqliteStatement {
public:
    enum class ColumnType { Integer, Float, Text, Blob, Null };

    SqliteStatement(SqliteDatabase& db, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    SqliteStatement& bind(int index, const QString& text);
    SqliteStatement& bind(int index, qint64 value);
    SqliteStatement& bind(int index, double value);
    SqliteStatement& bindNull(int index);
    // Invalid or null: NULL; text; floating point; anything else as an integer.
    SqliteStatement& bindValue(int index, const QVariant& value);
    int parameterCount() const;

    bool step();  // true while a row is there
    void reset(); // ready to bind and step again, with every parameter NULL
    QString sql() const;

    int columnCount() const;
    QString columnName(int column) const;
    QByteArray columnDeclaredType(int column) const;
    ColumnType columnType(int column) const;
    bool isNull(int column) const { return columnType(column) == ColumnType::Null; }
    QString columnText(int column) const;
    qint64 columnInt64(int column) const;
    double columnDouble(int column) const;
    // By the stored type: qlonglong, double, QString, QByteArray, or invalid for NULL.
    QVariant columnValue(int column) const;

private:
    [[noreturn]] void fail() const;
    void check(int rc) const;

    sqlite3_stmt* st_ = nullptr;
};

// BEGIN IMMEDIATE … COMMIT; rolls back when left without commit(). Every reading statement
// must be finished or reset before the commit: commit() refuses otherwise.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteDatabase& db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    void commit();

private:
    SqliteDatabase& db_;
    bool open_ = true;
};
