// How much the dataset layer adds to the statements the monitor window re-runs, on a database
// of about a million rows, against the same statements run straight through SQLite's C API.
//   bench_data [FILE] [--runs N]     (FILE defaults to /tmp/tallyvane-bench.db; made when missing)
#include "ADODataSet.h"
#include "BenchSupport.h"
#include "Connection.h"

#include <QCoreApplication>
#include <functional>

using namespace bench;

namespace {

struct Timing {
    std::vector<double> layer, direct; // milliseconds per re-run
};

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
    const double layer = median(t.layer), direct = median(t.direct);
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
    const QString file = args.isEmpty() ? QString::fromLatin1(kDefaultDatabase) : args.front();
    sqlite3* db = openDatabase(file);
    if (!db)
        return 1;
    DirectConnection connection(
        ConnectionSettings{ConnectionSettings::Kind::Sqlite, QString(), 0, file});

    TADOQuery Qhead(QStringLiteral("Qhead"), &connection);
    TADOQuery Qai(QStringLiteral("Qai"), &connection);
    TADOQuery Qais(QStringLiteral("Qais"), &connection);
    Qhead.setStatement(statements::header());
    Qai.setStatement(statements::robotHistory());
    Qais.setStatement(statements::robotComparison());
    const DirectStatement head(db, statements::header());
    DirectStatement history(db, statements::robotHistory());
    history.setFirstColumn(2); // cpqh
    const DirectStatement comparison(db, statements::robotComparison());
    TADOQuery fleetTrendQuery(QStringLiteral("Qfleetai"), &connection);
    fleetTrendQuery.setStatement(statements::fleetTrend());
    const DirectStatement fleetTrend(db, statements::fleetTrend());

    auto rerun = [](TADOQuery& q, const QString& param, const QString& value) {
        q.close();
        q.setParamValue(param, value);
        q.open();
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
                rerun(Qais, cpqh, Qai.fieldByName(cpqh)->asString());
            },
            [&](int i) {
                QString draw;
                history.run({robots()[i % 11]}, sink, &draw);
                comparison.run({draw}, sink);
            });
        // The two halves apart, to tell where a difference comes from.
        const QString draw = Qai.fieldByName(cpqh)->asString();
        const Timing historyOnly = compare(
            std::max(1, runs / 4), [&](int i) { rerun(Qai, ainame, robots()[i % 11]); },
            [&](int i) { history.run({robots()[i % 11]}, sink); });
        const Timing comparisonOnly = compare(
            std::max(1, runs / 4), [&](int) { rerun(Qais, cpqh, draw); },
            [&](int) { comparison.run({draw}, sink); });
        // The fleet's chart against the history it is read beside.
        const Timing trend = compare(
            std::max(1, runs / 4),
            [&](int) {
                fleetTrendQuery.close();
                fleetTrendQuery.open();
            },
            [&](int) { fleetTrend.run({}, sink); });
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
        report("fleet trend Qfleetai", trend);
        std::printf("fleet trend against history S2: %.2f (dataset), %.2f (C API)\n",
                    median(trend.layer) / median(historyOnly.layer),
                    median(trend.direct) / median(historyOnly.direct));
        std::printf("history rows %d, comparison rows %d, fleet trend rows %d\n", Qai.RecordCount(),
                    Qais.RecordCount(), fleetTrendQuery.RecordCount());
    }
    sqlite3_close(db);
    return 0;
}
