#pragma once
#include "Exceptions.h"
#include "SqliteDatabase.h"

// A failure of the feed; main prints it (or the layer's EDatabaseError) and exits non-zero.
class FeedError : public Exception {
public:
    using Exception::Exception;
};

// The feed's handle on the embedded database (the client never creates one; the feed may).
class FeedDatabase : public SqliteDatabase {
public:
    // Opens the file, creating it when missing; WAL so the client reads while the feed writes.
    explicit FeedDatabase(const QString& path);
    bool createdFile() const { return created_; }

private:
    bool created_ = false;
};

// A statement whose errors name the statement (or the bind) that failed.
class FeedStatement {
public:
    FeedStatement(FeedDatabase& db, const char* sql);

    FeedStatement& bind(int index, const QString& text);
    FeedStatement& bind(int index, qint64 value);
    bool step(); // true while a row is there
    void reset() { st_.reset(); }
    QString text(int column) const { return st_.columnText(column); }
    qint64 integer(int column) const { return st_.columnInt64(column); }
    bool isNull(int column) const { return st_.isNull(column); }

private:
    SqliteStatement st_;
};
