// tallyvane-feed: writes demo and test data into an embedded Tallyvane database while the
// client watches it.
#include "DrawTime.h"
#include "Feed.h"
#include "FeedSchedule.h"
#include "StopSignals.h"
#include "TerminalText.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

struct Options {
    QString file;
    int interval = 60;
    int history = 400;
    QStringList losing;
    QStringList quiet;
};

constexpr int kBadCommandLine = 2;

void say(const QString& line)
{
    std::fprintf(stdout, "%s\n", terminaltext::escaped(line).toLocal8Bit().constData());
    std::fflush(stdout); // the test and run-demo follow the output line by line
}

void sayError(const QString& line)
{
    std::fprintf(stderr, "tallyvane-feed: %s\n",
                 terminaltext::escaped(line).toLocal8Bit().constData());
}

[[noreturn]] void usageError(const QString& message)
{
    sayError(message);
    std::exit(kBadCommandLine);
}

Options parseOptions(const QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes robot results into an embedded Tallyvane database, creating it when missing.\n"
        "A new database gets the demo operator (demo / demo), eleven robots and the past draws;\n"
        "an existing one continues after its own last draw (the time it was stopped stays\n"
        "empty). Then one draw per interval, each raising the version counter. Stop with Ctrl+C\n"
        "or SIGTERM. Rows of other programs are never changed.\n"
        "A draw is never later than the clock: its own draws later than it (from an older feed)\n"
        "are removed at the start. The issue number is the date, \"-\" and the minute of the day\n"
        "from 0001 (00:00) to 1440 (23:59), e.g. 20201002-0792 for 13:11; a draw at a second\n"
        "other than 0 adds the second as one character, 1-9, A-Z for 10-35, a-x for 36-59,\n"
        "e.g. 20201002-0792F for 13:11:15."));
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
    const QCommandLineOption losing(
        QStringLiteral("losing-robot"),
        QStringLiteral("From the first new draw on, this robot loses every bet (repeatable; "
                       "a demo of the client's alerts)."),
        QStringLiteral("NAME"));
    const QCommandLineOption quiet(
        QStringLiteral("quiet-robot"),
        QStringLiteral("From the first new draw on, this robot writes no rows (repeatable)."),
        QStringLiteral("NAME"));
    parser.addOption(interval);
    parser.addOption(history);
    parser.addOption(losing);
    parser.addOption(quiet);
    // As the client takes its command line: every mistake is one line and exit code 2.
    if (!parser.parse(app.arguments()))
        usageError(terminaltext::commandLineError(parser));
    if (parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(0); // Qt's options are none of the feed's: the same text
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    for (const QCommandLineOption* option : {&interval, &history})
        if (parser.values(*option).size() > 1)
            usageError(
                QStringLiteral("--%1 was given more than once").arg(option->names().front()));

    Options o;
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1)
        usageError(QStringLiteral("expected one database FILE (see --help)"));
    o.file = args.front();
    if (o.file.trimmed().isEmpty())
        usageError(QStringLiteral("the database FILE name is empty"));
    bool ok = false;
    o.interval = parser.value(interval).toInt(&ok);
    if (!ok || o.interval < 1 || o.interval > 86400)
        usageError(QStringLiteral("--interval must be a whole number of seconds from 1 to 86400"));
    o.history = parser.value(history).toInt(&ok);
    if (!ok || o.history < 0 || o.history > 10000000)
        usageError(QStringLiteral("--history must be a whole number from 0 to 10000000"));
    o.losing = parser.values(losing);
    o.quiet = parser.values(quiet);
    for (const QString& name : o.losing + o.quiet)
        if (name.trimmed().isEmpty())
            usageError(QStringLiteral("a robot NAME is empty"));
    return o;
}

// What the start found that the operator should know, each part after "; ".
QString startNotes(const Feed& feed, const QDateTime& now)
{
    const Feed::Start& start = feed.start();
    QString notes;
    const auto note = [&](int count, const QString& text) {
        if (count > 0)
            notes += QStringLiteral("; ") + text.arg(count);
    };
    note(start.removedDraws, QStringLiteral("removed %1 of its draws later than the clock"));
    note(start.unreadableRows,
         QStringLiteral("left %1 rows after the clock whose draw time is not a time"));
    note(start.foreignRows, QStringLiteral("left %1 rows after the clock that it did not write"));
    note(start.foreignNewer,
         QStringLiteral("left %1 draws numbered after its last one that it did not write"));
    // Two minutes: a quick restart misses a draw or two, which is no gap worth a word.
    if (feed.lastDraw() && feed.lastDraw()->secsTo(now) >= 120)
        notes += QStringLiteral("; its last draw is %1 old, the time since stays empty")
                     .arg(drawtime::spanText(feed.lastDraw()->secsTo(now)));
    return notes;
}

int run(const Options& options, StopSignals& stop)
{
    FeedDatabase db(options.file);
    Feed feed(db);
    const QDateTime startedAt = QDateTime::currentDateTime();
    feed.prepare(startedAt);
    const FeedSchedule schedule(options.interval);

    if (feed.isEmpty() && options.history > 0) {
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
                .arg(startNotes(feed, QDateTime::currentDateTime())));
        if (stop.pending())
            return 0;
    } else if (feed.hasDraws()) {
        say(QStringLiteral("continuing %1 after %2, counter %3%4")
                .arg(options.file, feed.lastIssue())
                .arg(feed.counter())
                .arg(startNotes(feed, startedAt)));
    } else if (feed.isEmpty()) {
        say(QStringLiteral("prepared %1 without past draws").arg(options.file));
    } else {
        say(QStringLiteral("continuing %1 without a draw of its own, counter %2%3")
                .arg(options.file)
                .arg(feed.counter())
                .arg(startNotes(feed, startedAt)));
    }

    feed.setMisbehaving(options.losing, options.quiet);
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
        sayError(error.message());
        return 1;
    } catch (const Exception& error) {
        // SQLite's own text ("database is locked", "file is not a database") names no file.
        sayError(options.file + QStringLiteral(": ") + error.message());
        return 1;
    }
}
