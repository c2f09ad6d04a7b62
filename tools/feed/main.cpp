// tallyvane-feed: writes demo and test data into an embedded Tallyvane database while the
// client watches it.
#include "DrawTime.h"
#include "Feed.h"
#include "FeedSchedule.h"
#include "StopSignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

struct Options {
    QString file;
    int interval = 60;
    int history = 400;
};

void say(const QString& line)
{
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout); // the test and run-demo follow the output line by line
}

[[noreturn]] void usageError(const QString& message)
{
    std::fprintf(stderr, "tallyvane-feed: %s\n", message.toLocal8Bit().constData());
    std::exit(2);
}

Options parseOptions(const QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes robot results into an embedded Tallyvane database, creating it when missing.\n"
        "A new database gets the demo operator (demo / demo), eleven robots and the past draws;\n"
        "an existing one continues from its last draw. Then one draw per interval, each raising\n"
        "the version counter. Stop with Ctrl+C or SIGTERM.\n"
        "A draw is never later than the clock: draws later than it (from an older feed) are\n"
        "removed at the start. The issue number is the date, \"-\" and the minute of the day\n"
        "from 0001 (00:00) to 1440 (23:59), e.g. 20201002-0792 for 13:11; a draw at a second\n"
        "other than 0 adds \".\" and the second, e.g. 20201002-0792.05."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The database file."));
    const QCommandLineOption interval(
        QStringLiteral("interval"),
        QStringLiteral("Seconds between draws (default 60: at second 0 of every minute; "
                       "a shorter interval is a fast demo, several draws a minute)."),
        QStringLiteral("SECONDS"), QStringLiteral("60"));
    const QCommandLineOption history(QStringLiteral("history"),
                                     QStringLiteral("Past draws for a new database (default 400)."),
                                     QStringLiteral("N"), QStringLiteral("400"));
    parser.addOption(interval);
    parser.addOption(history);
    parser.process(app);

    Options o;
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1)
        usageError(QStringLiteral("expected one database FILE (see --help)"));
    o.file = args.front();
    bool ok = false;
    o.interval = parser.value(interval).toInt(&ok);
    if (!ok || o.interval < 1 || o.interval > 86400)
        usageError(QStringLiteral("--interval must be a whole number of seconds from 1 to 86400"));
    o.history = parser.value(history).toInt(&ok);
    if (!ok || o.history < 0 || o.history > 10000000)
        usageError(QStringLiteral("--history must be a whole number from 0 to 10000000"));
    return o;
}

QString dropped(const Feed& feed)
{
    return feed.droppedDraws() == 0
               ? QString()
               : QStringLiteral("; removed %1 draws later than the clock").arg(feed.droppedDraws());
}

int run(const Options& options, StopSignals& stop)
{
    FeedDatabase db(options.file);
    Feed feed(db);
    feed.prepare(QDateTime::currentDateTime());
    const FeedSchedule schedule(options.interval);

    if (!feed.hasDraws() && options.history > 0) {
        const auto stopped = [&] { return stop.pending(); };
        int written = feed.writeHistory(options.history, QDateTime::currentDateTime(), stopped);
        if (written == options.history)
            written += feed.catchUp(QDateTime::currentDateTime(), stopped);
        say(QStringLiteral("%1 %2: %3 past draws up to %4, counter %5%6")
                .arg(db.createdFile() ? QStringLiteral("created") : QStringLiteral("filled"),
                     options.file)
                .arg(written)
                .arg(feed.lastIssue())
                .arg(feed.counter())
                .arg(dropped(feed)));
        if (stop.pending())
            return 0;
    } else if (feed.hasDraws()) {
        say(QStringLiteral("continuing %1 after %2, counter %3%4")
                .arg(options.file, feed.lastIssue())
                .arg(feed.counter())
                .arg(dropped(feed)));
    } else {
        say(QStringLiteral("prepared %1 without past draws").arg(options.file));
    }

    std::optional<QDateTime> previousTick;
    for (;;) {
        const QDateTime tick = schedule.nextTick(QDateTime::currentDateTime(), previousTick);
        for (qint64 ms; (ms = QDateTime::currentDateTime().msecsTo(tick)) > 0;)
            if (stop.wait(ms))
                return 0;
        if (stop.pending())
            return 0;
        previousTick = tick;
        const std::optional<QDateTime> drawTime = FeedSchedule::drawTimeAt(tick, feed.lastDraw());
        if (!drawTime)
            continue;
        const qint64 ver = feed.appendDraw(*drawTime);
        say(QStringLiteral("draw %1 at %2, counter %3")
                .arg(feed.lastIssue(), drawtime::text(*feed.lastDraw()))
                .arg(ver));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    StopSignals stop;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallyvane-feed"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TALLYVANE_VERSION));
    const Options options = parseOptions(app);
    try {
        return run(options, stop);
    } catch (const FeedError& error) {
        std::fprintf(stderr, "tallyvane-feed: %s\n", error.what());
        return 1;
    } catch (const Exception& error) {
        // SQLite's own text ("database is locked", "file is not a database") names no file.
        std::fprintf(stderr, "tallyvane-feed: %s: %s\n", options.file.toLocal8Bit().constData(),
                     error.what());
        return 1;
    }
}
