// What the benchmarks share: their application, the feed-made database, the baseline that
// runs a statement straight through SQLite's C API, and medians.
#pragma once
#include "SqlText.h"
#include "Statements.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <vector>

namespace bench {

// Set before the application exists: off screen unless QT_QPA_PLATFORM names a platform.
struct OffscreenUnlessSet {
    OffscreenUnlessSet()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
};

// A benchmark's application, with the fonts and title the tests run with.
class BenchApplication : OffscreenUnlessSet, public QApplication {
public:
    BenchApplication(int& argc, char** argv) : QApplication(argc, argv)
    {
        testsupport::prepareTestEnvironment();
    }
};

constexpr int kHistoryDraws = 90000; // × 11 robots ≈ one million rows
inline const char* const kDefaultDatabase = "/tmp/tallyvane-bench.db";

inline const QStringList& robots()
{
    static const QStringList names = [] {
        QStringList n;
        for (int k = 0; k < 10; ++k)
            n << QStringLiteral("追%1").arg(k);
        return n << QStringLiteral("全局最热");
    }();
    return names;
}

// Fills a new file with the feed's past draws; the feed is stopped once it has written them.
inline bool makeDatabase(const QString& file)
{
    std::printf("making %s with %d past draws (once)…\n", qPrintable(file), kHistoryDraws);
    std::fflush(stdout);
    QProcess feed;
    feed.start(QStringLiteral(TALLYVANE_BINARY_DIR "/tools/feed/tallyvane-feed"),
               {file, QStringLiteral("--history"), QString::number(kHistoryDraws),
                QStringLiteral("--interval"), QStringLiteral("86400")});
    while (feed.waitForReadyRead(-1)) {
        if (feed.readAllStandardOutput().contains("created")) {
            feed.terminate();
            return feed.waitForFinished() && feed.exitCode() == 0;
        }
    }
    std::fprintf(stderr, "%s", feed.readAllStandardError().constData());
    return false;
}

// Opens the file read-only for the baseline, made first when missing; null on failure.
inline sqlite3* openDatabase(const QString& file)
{
    if (!QFileInfo::exists(file) && !makeDatabase(file))
        return nullptr;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    return db;
}

// The baseline: what a client without the dataset layer does for one re-run of a statement,
// that is prepare, bind the text parameters, step through every row reading each column
// into a Qt value, finalize.
class DirectStatement {
public:
    DirectStatement(sqlite3* db, const StatementDef& def)
        : db_(db), sql_(markParameters(def.sqlite).sql.toUtf8())
    {
    }

    // Returns the rows read; the values go into `sink` so that nothing is optimised away.
    int run(const QStringList& params, std::vector<QVariant>& sink,
            QString* firstText = nullptr) const
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql_.constData(), int(sql_.size()), &st, nullptr) != SQLITE_OK)
            fail();
        for (int i = 0; i < params.size(); ++i) {
            const QByteArray v = params[i].toUtf8();
            sqlite3_bind_text(st, i + 1, v.constData(), int(v.size()), SQLITE_TRANSIENT);
        }
        const int columns = sqlite3_column_count(st);
        int rows = 0;
        sink.clear();
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(st, c)) {
                case SQLITE_INTEGER:
                    sink.emplace_back(qlonglong(sqlite3_column_int64(st, c)));
                    break;
                case SQLITE_FLOAT:
                    sink.emplace_back(sqlite3_column_double(st, c));
                    break;
                case SQLITE_NULL:
                    sink.emplace_back();
                    break;
                default: {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                    sink.emplace_back(QString::fromUtf8(text, sqlite3_column_bytes(st, c)));
                }
                }
            }
            if (rows++ == 0 && firstText)
                *firstText = QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(st, firstColumn_)));
        }
        sqlite3_finalize(st);
        return rows;
    }
    void setFirstColumn(int c) { firstColumn_ = c; }

private:
    [[noreturn]] void fail() const
    {
        std::fprintf(stderr, "bench: %s\n", sqlite3_errmsg(db_));
        std::exit(1);
    }
    sqlite3* db_;
    QByteArray sql_;
    int firstColumn_ = 0;
};

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty()      ? 0
           : v.size() % 2 ? v[v.size() / 2]
                          : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Milliseconds one call of work takes.
template <class Work> double timed(Work&& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace bench
