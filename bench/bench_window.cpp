// The monitor window as an operator's machine runs it, on a feed-made database of about a
// million rows: a tick, a reload and full repaints of each page at the default and at a
// maximised size, beside the bare statements through SQLite's C API in the same run; then
// the history grid with a 300 KB text in one cell.
//   bench_window [FILE] [--runs N] [--ticks N] [--only tick|reload|paint|long] [--snapshot DIR]
// --snapshot saves what the pages show, to compare the pixels of two builds.
// FILE defaults to /tmp/tallyvane-bench.db (made when missing). Offscreen unless
// QT_QPA_PLATFORM names another platform (xvfb-run -a with QT_QPA_PLATFORM=xcb). Run by
// valgrind --tool=callgrind it counts instructions instead of timing: one dump per part,
// named after the part and its number of runs, of all threads together (the statements of
// the window's work run on the database thread); with --separate-threads=yes one per part
// and thread instead, thread 1 being the window's.
#include "A00Main.h"
#include "BenchSupport.h"
#include "DBChart.h"
#include "DBGridEh.h"
#include "FixtureDb.h"
#include "LbButton.h"
#include "RecordingPresenter.h"
#include "RzDBLabel.h"
#include "RzPageControl.h"
#include "ScopedDataModule.h"
#include "WindowWork.h"
#include "data.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QImage>
#include <QTest>
#include <QThread>
#include <cstdio>
#include <functional>
#include <memory>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define RUNNING_ON_VALGRIND 0
#define CALLGRIND_TOGGLE_COLLECT
#define CALLGRIND_DUMP_STATS_AT(name)
#endif

using namespace bench;

namespace {

// The two pieces of the window's work the benchmark drives; the only places that know how a
// tick and a search are started and when their results are in the window.
void runTickApplied(TfrmA00Main& window)
{
    window.Timer1Timer(window.Timer1);
    if (!settled(window))
        std::exit(1);
}

void runReloadApplied(TfrmA00Main& window)
{
    window.bbSearClick(window.bbSear);
    if (!settled(window))
        std::exit(1);
}

// Lets the window paint what the work left for the event loop.
void paintPending()
{
    QCoreApplication::processEvents();
}

// A measured piece of work and what is done before each run of it, untimed.
struct Work {
    std::function<void()> prepare;
    std::function<void()> run;
};

// Medians of milliseconds over `runs` runs after three warm-up runs; the two works of a
// comparison alternate, so that both see the same load on the machine. Run by callgrind
// (valgrind --tool=callgrind bench_window ...) the instructions of every thread are counted
// instead, each work of a part in a dump of its own named after it, and the medians are 0.
std::vector<double> measure(const QByteArray& part, int runs, const std::vector<Work>& works)
{
    std::vector<std::vector<double>> times(works.size());
    if (RUNNING_ON_VALGRIND) {
        for (size_t k = 0; k < works.size(); ++k) {
            for (int i = 0; i < 3; ++i) {
                works[k].prepare();
                works[k].run();
            }
            // A dump, not a zeroing: zeroing clears the calling thread's counts only, so the
            // database thread's warm-up would be counted into a run without
            // --separate-threads, which counts all threads together.
            const QByteArray warmUp = part + (k ? " C API" : "") + " warm-up (not counted)";
            CALLGRIND_DUMP_STATS_AT(warmUp.constData());
            for (int i = 0; i < runs; ++i) {
                CALLGRIND_TOGGLE_COLLECT;
                works[k].prepare();
                CALLGRIND_TOGGLE_COLLECT;
                works[k].run();
            }
            const QByteArray name = part + (k ? " C API" : "") + " x" + QByteArray::number(runs);
            CALLGRIND_DUMP_STATS_AT(name.constData());
        }
        return std::vector<double>(works.size(), 0.0);
    }
    for (int i = -3; i < runs; ++i)
        for (size_t k = 0; k < works.size(); ++k) {
            works[k].prepare();
            const double ms = timed(works[k].run);
            if (i >= 0)
                times[k].push_back(ms);
        }
    std::vector<double> medians;
    for (const auto& t : times)
        medians.push_back(median(t));
    return medians;
}

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Sleeps to just past the next whole second, when the countdown shows a new number.
void waitForNextSecond()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QThread::msleep(ulong(1000 - now % 1000 + 20));
}

// The robot's latest draw made the current one once a minute, as the robots' software does,
// so that the countdown runs through a minute's seconds instead of counting down from a draw
// long past. The write goes through a connection of its own, as the other program's would.
class CurrentDraw {
public:
    CurrentDraw(const QString& file, const QString& robot) : robot_(robot.toUtf8())
    {
        if (sqlite3_open_v2(file.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK) {
            std::fprintf(stderr, "bench_window: cannot write to %s\n", qPrintable(file));
            std::exit(1);
        }
        sqlite3_busy_timeout(db_, 5000);
    }
    ~CurrentDraw() { sqlite3_close(db_); }
    CurrentDraw(const CurrentDraw&) = delete;
    CurrentDraw& operator=(const CurrentDraw&) = delete;

    void keep()
    {
        const qint64 minute = QDateTime::currentSecsSinceEpoch() / 60;
        if (minute == minute_)
            return;
        minute_ = minute;
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db_,
                           "UPDATE a5_z0_5yc SET kjsj = strftime('%Y-%m-%d %H:%M:00', 'now', "
                           "'localtime') WHERE id = (SELECT id FROM a5_z0_5yc WHERE ainame = ?1 "
                           "ORDER BY cpqh DESC LIMIT 1)",
                           -1, &st, nullptr);
        sqlite3_bind_text(st, 1, robot_.constData(), int(robot_.size()), SQLITE_STATIC);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) {
            std::fprintf(stderr, "bench_window: %s\n", sqlite3_errmsg(db_));
            std::exit(1);
        }
    }

private:
    sqlite3* db_ = nullptr;
    QByteArray robot_;
    qint64 minute_ = -1;
};

void printRow(const char* what, double window, double direct, const char* goal)
{
    std::printf("%-46s %9.3f %9.3f %7.2f  %s\n", what, window, direct, window / direct, goal);
}

void printPaint(const char* what, double ms, double reference, const char* goal)
{
    std::printf("%-46s %9.3f %9s %7.2f  %s\n", what, ms, "", ms / reference, goal);
}

// Full repaints of a widget; `between` may change what it shows before each (untimed).
double repaints(
    const QByteArray& part, QWidget* widget, int runs, const std::function<void()>& between = [] {})
{
    return measure(part, runs,
                   {{[&] {
                         between();
                         paintPending();
                     },
                     [&] { widget->repaint(); }}})
        .front();
}

struct Options {
    QString file = QString::fromLatin1(kDefaultDatabase);
    int runs = 100;
    int ticks = 20;
    int warmTicks = 60;
    QString only;
    QString snapshot;
    bool wants(const char* part) const { return only.isEmpty() || only == QLatin1String(part); }
};

Options parse(QStringList args)
{
    Options o;
    auto take = [&](const char* name, auto apply) {
        const int at = int(args.indexOf(QLatin1String(name)));
        if (at >= 0 && at + 1 < args.size()) {
            apply(args[at + 1]);
            args.remove(at, 2);
        }
    };
    take("--runs", [&](const QString& v) { o.runs = std::max(1, v.toInt()); });
    take("--ticks", [&](const QString& v) { o.ticks = std::max(1, v.toInt()); });
    take("--warm-ticks", [&](const QString& v) { o.warmTicks = std::max(0, v.toInt()); });
    take("--only", [&](const QString& v) { o.only = v; });
    take("--snapshot", [&](const QString& v) { o.snapshot = v; });
    if (!args.isEmpty())
        o.file = args.front();
    return o;
}

const QSize kMaximised(1566, 849);

// Saves each page's widget, at the default size and maximised, scrolled to the top and down.
void saveSnapshots(TfrmA00Main& w, const QString& dir, const QString& prefix)
{
    QWidget* pages[] = {w.DBGridEh1, w.DBGridEh3, w.DBChart1};
    for (const QSize size : {w.size(), kMaximised}) {
        w.resize(size);
        for (int p = 0; p < 3; ++p) {
            w.pc1->setActivePageIndex(p);
            paintPending();
            for (int down : {0, 100}) {
                w.Qai->First();
                w.Qai->MoveBy(down);
                pages[p]->grab().save(QStringLiteral("%1/%2-page%3-%4x%5-%6.png")
                                          .arg(dir, prefix)
                                          .arg(p)
                                          .arg(size.width())
                                          .arg(size.height())
                                          .arg(down));
            }
        }
    }
    w.Qai->First();
}

// From the window's edge to the page's tab: no hand is faster.
constexpr int kHandToTheTab = 300;

// Shows the window as the program does, with ticks driven here, and loads the grids while the
// chart's page is in front, so that the history grid is first painted when the caller shows it.
std::unique_ptr<TfrmA00Main> shownWindow()
{
    auto window = std::make_unique<TfrmA00Main>();
    window->Timer1->setEnabled(false);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()) || !settled(*window))
        std::exit(1);
    window->pc1->setActivePageIndex(2);
    paintPending();
    runTickApplied(*window);
    return window;
}

// The first full repaint of the history grid after its rows were loaded and the window was
// maximised, when the operator brings its page forward: every text in view is new to it.
double firstRepaint(TfrmA00Main& w, const QSize& size)
{
    w.resize(size);
    paintPending();
    CALLGRIND_DUMP_STATS_AT("the maximise (not counted)");
    QTest::qWait(kHandToTheTab);
    CALLGRIND_DUMP_STATS_AT("the hidden grids made ready meanwhile x1");
    w.pc1->setActivePageIndex(0);
    CALLGRIND_DUMP_STATS_AT("before the history grid's first repaint (not counted)");
    const double ms = timed([&] { w.DBGridEh1->repaint(); });
    CALLGRIND_DUMP_STATS_AT("history grid, first repaint after the load x1");
    paintPending();
    return ms;
}

QByteArray sizeName(QSize size)
{
    return QByteArray::number(size.width()) + "x" + QByteArray::number(size.height());
}

void benchRealWindow(const Options& o, sqlite3* db)
{
    TDM dm(ConnectionSettings{ConnectionSettings::Kind::Sqlite, {}, 0, o.file});
    const ScopedDataModule installed(&dm);
    std::unique_ptr<TfrmA00Main> window = shownWindow();
    TfrmA00Main& w = *window;
    const QSize defaultSize = w.size();
    const QString robot = w.cbb1->currentText();
    if (w.Qai->RecordCount() != 360) {
        std::fprintf(stderr, "bench_window: the history of %s has %d rows, not 360\n",
                     qPrintable(robot), w.Qai->RecordCount());
        std::exit(1);
    }
    const double first = firstRepaint(w, kMaximised);
    w.resize(defaultSize);
    if (!o.snapshot.isEmpty()) {
        saveSnapshots(w, o.snapshot, QStringLiteral("feed"));
        return;
    }
    std::vector<QVariant> sink;
    const DirectStatement head(db, statements::header());
    DirectStatement history(db, statements::robotHistory());
    history.setFirstColumn(2); // cpqh
    const DirectStatement comparison(db, statements::robotComparison());
    auto bareHeader = [&] { head.run({robot}, sink); };
    auto bareReload = [&] {
        QString draw;
        history.run({robot}, sink, &draw);
        comparison.run({draw}, sink);
    };
    const auto nothing = [] {};

    std::printf("%s, robot %s, %s platform; medians in ms\n", qPrintable(o.file), qPrintable(robot),
                qPrintable(QGuiApplication::platformName()));
    std::printf("%-46s %9s %9s %7s\n", "", "window", "C API", "ratio");

    if (o.wants("tick")) {
        PaintCounter c1(w.RzDBLabel1), c2(w.st1), c3(w.RzDBLabel2);
        auto labelPaints = [&] { return c1.paints + c2.paints + c3.paints; };
        CurrentDraw draw(o.file, robot);
        // A window that has run a minute: the countdown has shown each of its values once, and
        // its label keeps their pictures, as it does for the rest of the day.
        for (int i = 0; i < o.warmTicks; ++i) {
            waitForNextSecond();
            draw.keep();
            paintPending();
            runTickApplied(w);
            paintPending();
        }
        const int paintsBefore = labelPaints();
        // One tick a second, as the timer runs them, so that the countdown shows a new number
        // at each; the bare statement after a pause of its own, so that both start cold.
        const std::vector<double> paced = measure("tick 1/s", o.ticks,
                                                  {{[&] {
                                                        waitForNextSecond();
                                                        draw.keep();
                                                        paintPending();
                                                    },
                                                    [&] {
                                                        runTickApplied(w);
                                                        paintPending();
                                                    }},
                                                   {[] { QThread::msleep(400); }, bareHeader}});
        const double paintsPerTick = double(labelPaints() - paintsBefore) / (o.ticks + 3);
        printRow("tick (S1, events, labels' repaint), 1/s", paced[0], paced[1], "goal <= 1.2");
        // Back to back: within a second nothing the labels show changes.
        const std::vector<double> fast = measure("tick unchanged", o.runs,
                                                 {{nothing,
                                                   [&] {
                                                       runTickApplied(w);
                                                       paintPending();
                                                   }},
                                                  {nothing, bareHeader}});
        printRow("tick, values unchanged", fast[0], fast[1], "");
        std::printf("  label paints per tick at 1/s: %.2f\n", paintsPerTick);
    }

    if (o.wants("reload")) {
        const int runs = std::max(1, o.runs / 4);
        // The work alone: with the pages hidden the event loop paints nothing meanwhile.
        w.pc1->hide();
        const std::vector<double> reload = measure(
            "reload", runs, {{paintPending, [&] { runReloadApplied(w); }}, {nothing, bareReload}});
        w.pc1->show();
        w.pc1->setActivePageIndex(0);
        printRow("reload (S2+S3, relayout, chart rebuild)", reload[0], reload[1], "goal <= 1.5");
        // As the operator has it: the history grid repaints while the work goes on.
        const std::vector<double> shown = measure("reload shown", runs,
                                                  {{paintPending,
                                                    [&] {
                                                        runReloadApplied(w);
                                                        paintPending();
                                                    }},
                                                   {nothing, bareReload}});
        printRow("  with the history grid's repaints", shown[0], shown[1], "");
    }

    if (o.wants("paint")) {
        const double s2s3 = measure("bare S2+S3", o.runs, {{nothing, bareReload}}).front();
        std::printf("%-46s %9s %9s %7s\n", "full repaint", "ms", "", "/S2+S3");
        std::printf("%-46s %9.3f %9s %7.2f\n", "history grid 1566x849, first after the load", first,
                    "", first / s2s3);
        for (const QSize size : {defaultSize, kMaximised}) {
            w.resize(size);
            paintPending();
            QWidget* pages[] = {w.DBGridEh1, w.DBGridEh3, w.DBChart1};
            const char* names[] = {"history grid", "comparison grid", "chart"};
            for (int p = 0; p < 3; ++p) {
                w.pc1->setActivePageIndex(p);
                paintPending();
                const QByteArray what = QByteArray(names[p]) + " " + sizeName(size);
                const double page = repaints(what, pages[p], o.runs);
                // A window's repaint leaves out its opaque children: render them all.
                QImage image(w.size(), QImage::Format_ARGB32_Premultiplied);
                const double whole =
                    measure("whole window, " + what, o.runs, {{nothing, [&] { w.render(&image); }}})
                        .front();
                printPaint(what.constData(), page, s2s3,
                           p == 0 && size == kMaximised ? "goal <= 4 ms" : "");
                printPaint(("  whole window, " + what).constData(), whole, s2s3, "");
            }
            // New rows come into view at every paint, as when the operator scrolls.
            w.pc1->setActivePageIndex(0);
            const QByteArray what = "history grid " + sizeName(size) + ", scrolled each time";
            const double scrolled = repaints(what, w.DBGridEh1, o.runs, [&] {
                if (w.Qai->RecNo() + 23 > w.Qai->RecordCount())
                    w.Qai->First();
                else
                    w.Qai->MoveBy(23);
            });
            printPaint(what.constData(), scrolled, s2s3, "");
            w.Qai->First();
        }
        std::printf("  (S2+S3 through the C API: %.3f ms)\n", s2s3);
    }
}

// A reasoning text of about 300 KB, as other software might leave in K05.
QString longText()
{
    const QString phrase = QStringLiteral("连续7期未出，追号12345，注5；");
    QString text;
    while (text.toUtf8().size() < 300 * 1024)
        text += phrase.repeated(256);
    return text;
}

// The history grid of a window whose robot has 360 draws, the third from the top holding
// 300 KB in its reasoning column; the database's size plays no part in painting.
void benchLongText(const Options& o)
{
    FixtureDb fixture;
    fixture.exec(QStringLiteral("BEGIN"));
    const QString text = longText();
    for (int i = 1; i <= 360; ++i) {
        FixtureDb::Result r;
        r.cpqh = QStringLiteral("20201002-%1").arg(i, 4, 10, QLatin1Char('0'));
        r.k00 = 1000 + (i * 37) % 101;
        r.k05 = i == 358 ? text : QStringLiteral("连续%1期未出，追号").arg(i % 17);
        fixture.addResult(r);
    }
    fixture.exec(QStringLiteral("COMMIT"));
    fixture.setVersion(1);
    TDM dm(ConnectionSettings{ConnectionSettings::Kind::Sqlite, {}, 0, fixture.path()});
    const ScopedDataModule installed(&dm);
    std::unique_ptr<TfrmA00Main> window = shownWindow();
    TfrmA00Main& w = *window;
    const QSize defaultSize = w.size();
    const double first = firstRepaint(w, kMaximised);
    w.resize(defaultSize);
    if (!o.snapshot.isEmpty()) {
        saveSnapshots(w, o.snapshot, QStringLiteral("long"));
        return;
    }
    std::printf("history grid, one cell of %lld bytes (%lld characters), full repaint in ms\n",
                qlonglong(text.toUtf8().size()), qlonglong(text.size()));
    std::printf("%-46s %9.3f\n", "  1566x849, first after the load", first);
    for (const QSize size : {defaultSize, kMaximised}) {
        w.resize(size);
        paintPending();
        const QByteArray what = "  " + sizeName(size);
        const double ms = repaints("long text" + what, w.DBGridEh1, std::max(5, o.runs / 4));
        std::printf("%-46s %9.3f  %s\n", what.constData(), ms,
                    size == kMaximised ? "goal <= 4 ms" : "");
    }
}

} // namespace

int main(int argc, char** argv)
{
    BenchApplication app(argc, argv);
    // The selector's blinking caret would repaint inside the measured ticks now and then.
    QApplication::setCursorFlashTime(0);
    // An error box would wait for a click no one gives: a benchmark that fails says so.
    RecordingPresenter presenter;
    presenter.onPresent = [](const MessageBoxSpec& box) {
        std::fprintf(stderr, "bench_window: %s\n", qPrintable(box.text));
        std::exit(1);
    };
    const Options o = parse(app.arguments().mid(1));
    if (RUNNING_ON_VALGRIND)
        std::printf("counting instructions: one callgrind dump per part, the times are 0\n");
    sqlite3* db = openDatabase(o.file);
    if (!db)
        return 1;
    if (o.wants("tick") || o.wants("reload") || o.wants("paint"))
        benchRealWindow(o, db);
    sqlite3_close(db);
    if (o.wants("long"))
        benchLongText(o);
    return 0;
}
