#include "FeedDatabase.h"

#include "DBErrors.h"
#include "FileKind.h"
#include "TerminalText.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const QString& what, const EDatabaseError& error)
{
    throw FeedError(QStringLiteral("%1: %2").arg(what, error.message()));
}

} // namespace

FeedWriterLock::FeedWriterLock(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    // Not blocking: a named pipe without a writer would hold the open, deaf to SIGTERM.
    fd_ = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0 && errno == ENOENT) {
        fd_ = ::open(name.constData(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        created_ = fd_ >= 0;
    }
    if (fd_ < 0)
        throw FeedError(
            QStringLiteral("cannot open %1: %2").arg(path, terminaltext::systemError(errno)));
    struct stat status = {};
    if (::fstat(fd_, &status) == 0 && !S_ISREG(status.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw FeedError(QStringLiteral("cannot use %1: it is %2, not a regular file")
                            .arg(path, fileKind(status.st_mode)));
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd_);
        fd_ = -1;
        throw FeedError(
            error == EWOULDBLOCK
                ? QStringLiteral("another tallyvane-feed is already writing %1; "
                                 "stop it first (one feed per database)")
                      .arg(path)
                : QStringLiteral("cannot lock %1: %2").arg(path, terminaltext::systemError(error)));
    }
}

FeedWriterLock::~FeedWriterLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

FeedDatabase::FeedDatabase(const QString& path) : FeedWriterLock(path), path_(path)
{
    try {
        open(path, OpenMode::Create);
    } catch (const EDatabaseError& error) {
        throw FeedError(QStringLiteral("cannot open %1: %2").arg(path, error.message()));
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
