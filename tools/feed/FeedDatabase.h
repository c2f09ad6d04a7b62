#pragma once
#include "Exceptions.h"
#include "SqliteDatabase.h"

// A failure of the feed; main prints it (or the layer's EDatabaseError) and exits non-zero.
class FeedError : public Exception {
public:
    using Exception::Exception;
};

// One feed per database file: an exclusive lock on the file, held while the object lives and
// dropped by the system when the process ends. Clients never take it. A lock of its own kind
// (flock), so that SQLite's record locks on the same file are left alone.
class FeedWriterLock {
public:
    // Creates the file when missing; raises FeedError when another feed holds the lock.
    explicit FeedWriterLock(const QString& path);
    ~FeedWriterLock();
    bool createdFile() const { return created_; }
    FeedWriterLock(const FeedWriterLock&) = delete;
    FeedWriterLock& operator=(const FeedWriterLock&) = delete;

private:
    int fd_ = -1;
    bool created_ = false;
};

// The feed's handle on the embedded database (the client never creates one; the feed may).
// The lock is a base ahead of the database, so it is taken before the file is opened and
// dropped only after SQLite has closed it: closing another descriptor of the file earlier
// would drop SQLite's own locks.
class FeedDatabase : private FeedWriterLock, public SqliteDatabase {
public:
    // Opens the file, creating it when missing; WAL so the client reads while the feed writes.
    explicit FeedDatabase(const QString& path);
    using FeedWriterLock::createdFile;
    const QString& path() const { return path_; }

private:
    QString path_;
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
