#include "FeedDatabase.h"

#include "DBErrors.h"

#include <QFileInfo>

namespace {

[[noreturn]] void fail(const QString& what, const EDatabaseError& error)
{
    throw FeedError(QStringLiteral("%1: %2").arg(what, error.Message()));
}

} // namespace

FeedDatabase::FeedDatabase(const QString& path) : created_(!QFileInfo::exists(path))
{
    try {
        open(path, OpenMode::Create);
    } catch (const EDatabaseError& error) {
        throw FeedError(QStringLiteral("cannot open %1: %2").arg(path, error.Message()));
    }
    // The client holds short read transactions every second; wait them out instead of failing.
    setBusyTimeout(10000);
    exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
}

FeedStatement::FeedStatement(FeedDatabase& db, const char* sql)
try : st_(db, QString::fromUtf8(sql)) {
} catch (const EDatabaseError& error) {
    fail(QString::fromUtf8(sql), error);
}

FeedStatement& FeedStatement::bind(int index, const QString& text)
{
    try {
        st_.bind(index, text);
    } catch (const EDatabaseError& error) {
        fail(QStringLiteral("bind"), error);
    }
    return *this;
}

FeedStatement& FeedStatement::bind(int index, qint64 value)
{
    try {
        st_.bind(index, value);
    } catch (const EDatabaseError& error) {
        fail(QStringLiteral("bind"), error);
    }
    return *this;
}

bool FeedStatement::step()
{
    try {
        return st_.step();
    } catch (const EDatabaseError& error) {
        fail(st_.sql(), error);
    }
}
