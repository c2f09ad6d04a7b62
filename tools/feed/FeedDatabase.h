#pragma once
#include <QByteArray>
#include <QString>
#include <stdexcept>

struct sqlite3;
struct sqlite3_stmt;

// A failure of the feed; main prints it and exits non-zero.
class FeedError : public std::runtime_error {
public:
    explicit FeedError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// The feed's own handle on the embedded database (the client never creates one; the feed may).
class FeedDatabase {
public:
    // Opens the file, creating it when missing; WAL so the client reads while the feed writes.
    explicit FeedDatabase(const QString& path);
    ~FeedDatabase();
    FeedDatabase(const FeedDatabase&) = delete;
    FeedDatabase& operator=(const FeedDatabase&) = delete;

    bool createdFile() const { return created_; }
    sqlite3* handle() const { return db_; }
    void exec(const char* sql);
    [[noreturn]] void fail(const char* what) const;

private:
    sqlite3* db_ = nullptr;
    bool created_ = false;
};

// One prepared statement; bind from 1, read columns from 0.
class FeedStatement {
public:
    FeedStatement(FeedDatabase& db, const char* sql);
    ~FeedStatement();
    FeedStatement(const FeedStatement&) = delete;
    FeedStatement& operator=(const FeedStatement&) = delete;

    FeedStatement& bind(int index, const QString& text);
    FeedStatement& bind(int index, qint64 value);
    bool step();  // true while a row is there
    void reset();  // ready to bind and step again
    QString text(int column) const;
    qint64 integer(int column) const;
    bool isNull(int column) const;

private:
    FeedDatabase& db_;
    sqlite3_stmt* st_ = nullptr;
};

// BEGIN IMMEDIATE … COMMIT; rolls back when left without commit().
class FeedTransaction {
public:
    explicit FeedTransaction(FeedDatabase& db);
    ~FeedTransaction();
    FeedTransaction(const FeedTransaction&) = delete;
    FeedTransaction& operator=(const FeedTransaction&) = delete;
    void commit();

private:
    FeedDatabase& db_;
    bool open_ = true;
};
