// How much the dataset layer adds to the statements the monitor window re-runs, on a database
// of about a million rows, against the same statements run straight through SQLite's C API.
//   bench_data [FILE] [--runs N]     (FILE defaults to /tmp/tallyvane-bench.db; made when missing)
#include "ADODataSet.h"
#include "Connection.h"
#include "SqlText.h"
#include "Statements.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sqlite3.h>
#include <vector>

namespace {

constexpr int kHistoryDraws = 90000; // × 11 robots ≈ one million rows

const QStringList& robots()
{
    static const QStringList names = [] {
        QStringList n;
        for (int k = 0; k < 10; ++k)
            n << QStringLiteral("追%1").arg(k);
        return n << QStringLiteral("全局最热");
    }();
    return names;
}

bool makeDatabase(const QString& file)
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
        std::fprintf(stderr, "bench_data: %s\n", sqlite3_errmsg(db_));
        std::exit(1);
    }
    sqlite3* db_;
    QByteArray sql_;
    int firstColumn_ = 0;
};

struct Timing {
    std::vector<double> layer, direct; // milliseconds per re-run
    static double median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v.empty()      ? 0
               : v.size() % 2 ? v[v.size() / 2]
                              : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    }
};

double timed(const std::function<void()>& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

// Alternates the two ways so that both see the same machine load; the first runs warm up.
Timing compare(int runs, const std::function<void(int)>& layer,
               const std::function<void(int)>& direct)
{
    Timing timing;
    for (int i = -5; i < runs; ++i) {
        const double a = timed([&] { layer(i + 5); });
        const double b = timed([&] { direct(i + 5); });
        if (i >= 0) {
            timing.layer.push_back(a);
            timing.direct.push_back(b);
        }
    }
    return timing;
}

void report(const char* what, const Timing& t)
{
    const double layer = Timing::median(t.layer), direct = Timing::median(t.direct);
    std::printf("%-34s %10.3f %10.3f %8.2f  %s\n", what, layer, direct, layer / direct,
                layer <= direct * 1.5 ? "within 50 %" : "MORE THAN 50 % slower");
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int runs = 200;
    if (const int at = int(args.indexOf(QStringLiteral("--runs")));
        at >= 0 && at + 1 < args.size()) {
        runs = std::max(1, args[at + 1].toInt());
        args.remove(at, 2);
    }
    const QString file = args.isEmpty() ? QStringLiteral("/tmp/tallyvane-bench.db") : args.front();
    if (!QFileInfo::exists(file) && !makeDatabase(file))
        return 1;

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return 1;
    sqlite3_busy_timeout(db, 5000);
    TADOConnection connection(
        ConnectionSettings{ConnectionSettings::Kind::Sqlite, QString(), 0, file});

    TADOQuery Qhead(QStringLiteral("Qhead"), &connection);
    TADOQuery Qai(QStringLiteral("Qai"), &connection);
    TADOQuery Qais(QStringLiteral("Qais"), &connection);
    Qhead.SetStatement(statements::header());
    Qai.SetStatement(statements::robotHistory());
    Qais.SetStatement(statements::robotComparison());
    const DirectStatement head(db, statements::header());
    DirectStatement history(db, statements::robotHistory());
    history.setFirstColumn(2); // cpqh
    const DirectStatement comparison(db, statements::robotComparison());

    auto rerun = [](TADOQuery& q, const QString& param, const QString& value) {
        q.Close();
        q.SetParamValue(param, value);
        q.Open();
    };
    std::vector<QVariant> sink;
    const QString ainame = QStringLiteral("ainame"), cpqh = QStringLiteral("cpqh");

    {
        // Alone, as in the test of the header: the connection closes with the query.
        const Timing alone = compare(
            runs, [&](int i) { rerun(Qhead, ainame, robots()[i % 11]); },
            [&](int i) { head.run({robots()[i % 11]}, sink); });
        rerun(Qai, ainame, robots()[0]); // the window keeps its grids open: the connection stays
        const Timing header = compare(
            runs, [&](int i) { rerun(Qhead, ainame, robots()[i % 11]); },
            [&](int i) { head.run({robots()[i % 11]}, sink); });
        const Timing grids = compare(
            std::max(1, runs / 4),
            [&](int i) {
                rerun(Qai, ainame, robots()[i % 11]);
                rerun(Qais, cpqh, Qai.FieldByName(cpqh)->AsString());
            },
            [&](int i) {
                QString draw;
                history.run({robots()[i % 11]}, sink, &draw);
                comparison.run({draw}, sink);
            });
        // The two halves apart, to tell where a difference comes from.
        const QString draw = Qai.FieldByName(cpqh)->AsString();
        const Timing historyOnly = compare(
            std::max(1, runs / 4), [&](int i) { rerun(Qai, ainame, robots()[i % 11]); },
            [&](int i) { history.run({robots()[i % 11]}, sink); });
        const Timing comparisonOnly = compare(
            std::max(1, runs / 4), [&](int) { rerun(Qais, cpqh, draw); },
            [&](int) { comparison.run({draw}, sink); });
        const qint64 rowsInDb = [&] {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, "select count(*) from a5_z0_5yc", -1, &st, nullptr);
            sqlite3_step(st);
            const qint64 n = sqlite3_column_int64(st, 0);
            sqlite3_finalize(st);
            return n;
        }();
        std::printf("%s: %lld rows; medians in ms over %d re-runs (%d for the grids)\n",
                    qPrintable(file), rowsInDb, runs, std::max(1, runs / 4));
        std::printf("%-34s %10s %10s %8s\n", "re-run (close, bind, open)", "dataset", "C API",
                    "ratio");
        report("header S1", header);
        report("history S2 (360) + comparison S3", grids);
        report("  history S2 alone", historyOnly);
        report("  comparison S3 alone", comparisonOnly);
        report("header S1, connection closing", alone);
        std::printf("history rows %d, comparison rows %d\n", Qai.RecordCount(), Qais.RecordCount());
    }
    sqlite3_close(db);
    return 0;
}
