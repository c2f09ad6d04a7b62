#include "ADODataSet.h"
#include "Connection.h"
#include "DBErrors.h"
#include "GBText.h"
#include "SqliteDatabase.h"
#include "Statements.h"
#include "TestRegistry.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/stat.h>

namespace {

const QString kFeed = QStringLiteral(TALLYVANE_BINARY_DIR "/tools/feed/tallyvane-feed");

// The built feed, run as the operator would run it, followed through its output lines.
class FeedProcess {
public:
    explicit FeedProcess(const QStringList& args)
    {
        process_.setProgram(kFeed);
        process_.setArguments(args);
        process_.start();
    }
    ~FeedProcess()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    // The next output line starting with `prefix`; empty when none came in time.
    QString waitForLine(const QString& prefix, int ms = 20000)
    {
        const QDeadlineTimer deadline(ms);
        for (;;) {
            while (process_.canReadLine()) {
                const QString line = QString::fromLocal8Bit(process_.readLine()).trimmed();
                if (line.startsWith(prefix))
                    return line;
            }
            if (deadline.hasExpired() || !process_.waitForReadyRead(int(deadline.remainingTime())))
                return {};
        }
    }
    // Sends the signal; returns the exit code, -1 for a crash or a feed that does not stop.
    int stop(int signal)
    {
        ::kill(pid_t(process_.processId()), signal);
        if (!process_.waitForFinished(10000) || process_.exitStatus() != QProcess::NormalExit)
            return -1;
        return process_.exitCode();
    }
    int finish()
    {
        if (!process_.waitForFinished(10000))
            return -1;
        return process_.exitCode();
    }
    QString errors() { return QString::fromLocal8Bit(process_.readAllStandardError()); }

private:
    QProcess process_;
};

QVariant scalar(const QString& file, const char* sql)
{
    try {
        SqliteDatabase db(file, SqliteDatabase::OpenMode::ReadOnly);
        SqliteStatement st(db, QString::fromUtf8(sql));
        if (!st.step())
            return {};
        return st.columnType(0) == SqliteStatement::ColumnType::Integer
                   ? QVariant(qlonglong(st.columnInt64(0)))
                   : QVariant(st.columnText(0));
    } catch (const EDatabaseError&) {
        return {};
    }
}

// Every row of every table, as text, by table; the tables' names under "".
QMap<QString, QStringList> dump(const QString& file)
{
    QMap<QString, QStringList> rows;
    SqliteDatabase db(file, SqliteDatabase::OpenMode::ReadOnly);
    SqliteStatement tables(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = "
                                              "'table' ORDER BY name"));
    while (tables.step())
        rows[QString()] << tables.columnText(0);
    for (const QString& table : rows.value(QString())) {
        SqliteStatement all(db, QStringLiteral("SELECT * FROM \"%1\"").arg(table));
        while (all.step()) {
            QStringList values;
            for (int c = 0; c < all.columnCount(); ++c)
                values << (all.isNull(c) ? QStringLiteral("NULL") : all.columnText(c));
            rows[table] << values.join(u'|');
        }
    }
    return rows;
}

QStringList robotNames()
{
    QStringList names;
    for (int k = 0; k < 10; ++k)
        names << QStringLiteral("追%1").arg(k);
    return names << QStringLiteral("全局最热");
}

QDateTime minuteOf(const QDateTime& t)
{
    return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute()));
}

// The feed's issue number: a draw at a second other than 0 adds that second as one character
// (1-9, A-Z, a-x), so that it fits the history grid's column.
QString issueOf(const QDateTime& t)
{
    const QTime time = t.time();
    const char* seconds = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwx";
    return t.toString(QStringLiteral("yyyyMMdd")) +
           QStringLiteral("-%1").arg(time.hour() * 60 + time.minute() + 1, 4, 10,
                                     QLatin1Char('0')) +
           (time.second() ? QString(QLatin1Char(seconds[time.second()])) : QString());
}

QDateTime stored(const QString& text)
{
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// What the client sees of a feed-made database, read through its own statements.
class ClientView {
public:
    explicit ClientView(const QString& file)
        : connection_(ConnectionSettings{ConnectionSettings::Kind::Sqlite, QString(), 0, file})
    {
    }
    std::unique_ptr<TADOQuery> open(const StatementDef& statement, const QString& param = QString())
    {
        auto q = std::make_unique<TADOQuery>(statement.queryName, &connection_);
        q->setStatement(statement);
        if (!statement.params.isEmpty())
            q->setParamValue(statement.params.front().name, param);
        q->open();
        return q;
    }

private:
    DirectConnection connection_;
};

} // namespace

class TestFeed : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString file_;

    // Every draw: eleven robots in id order, its issue number from its time, after the previous
    // draw and not later than the clock; every robot's balance walks by its win or loss;
    // plausible values.
    // The counter rises with every draw written, and once more when draws were removed.
    void checkDraws(int draws, int counter = -1)
    {
        QCOMPARE(scalar(file_, "SELECT count(DISTINCT cpqh) FROM a5_z0_5yc").toInt(), draws);
        QCOMPARE(scalar(file_, "SELECT count(*) FROM a5_z0_5yc").toInt(), draws * 11);
        QCOMPARE(scalar(file_, "SELECT ver FROM a5_z0_00VER WHERE tablename='a5_z0_1his'").toInt(),
                 counter < 0 ? draws : counter);
        // Ids ascend by draw: no row of a later draw has a smaller id.
        QCOMPARE(scalar(file_, "SELECT count(*) FROM a5_z0_5yc a JOIN a5_z0_5yc b ON a.id < b.id "
                               "AND a.cpqh > b.cpqh")
                     .toInt(),
                 0);

        const QDateTime now = QDateTime::currentDateTime();
        ClientView view(file_);
        QStringList issues;
        for (const QString& robot : robotNames()) {
            auto q = view.open(statements::robotHistory(), robot);
            QCOMPARE(q->RecordCount(), draws);
            QStringList mine;
            q->Last(); // oldest first
            qint64 balance =
                q->fieldByName("K00")->asLargeInt() - q->fieldByName("K03")->asLargeInt();
            QDateTime previous;
            for (int i = 0; i < draws; ++i, q->MoveBy(-1)) {
                const QDateTime kjsj = stored(q->fieldByName("kjsj")->asString());
                const QString cpqh = q->fieldByName("cpqh")->asString();
                QCOMPARE(cpqh, issueOf(kjsj));
                QVERIFY2(!previous.isValid() || previous < kjsj, qPrintable(cpqh));
                QVERIFY2(kjsj <= now, qPrintable(cpqh));
                previous = kjsj;
                mine << cpqh;

                const int action = q->fieldByName("K02")->asInteger();
                const int stake = q->fieldByName("K01")->asInteger();
                const qint64 result = q->fieldByName("K03")->asLargeInt();
                QVERIFY(action == 0 || action == 1);
                QVERIFY(action == 1 ? stake > 0 : stake == 0 && result == 0);
                balance += result;
                QCOMPARE(q->fieldByName("K00")->asLargeInt(), balance);
                QVERIFY(QRegularExpression(QStringLiteral("^\\d{5}$"))
                            .match(q->fieldByName("zjhm")->asString())
                            .hasMatch());
                QVERIFY(QRegularExpression(QStringLiteral("^\\d{5}$"))
                            .match(q->fieldByName("K04")->asString())
                            .hasMatch());
                const QString reason = q->fieldByName("K05")->asString();
                QVERIFY(!reason.isEmpty());
                QVERIFY2(gb::byteLength(reason) <= 128, qPrintable(reason));
            }
            if (issues.isEmpty())
                issues = mine;
            QCOMPARE(mine, issues); // every robot has a row in every draw
        }
        for (const QString& issue : issues) {
            QStringList names;
            auto list = view.open(statements::robotList(issue));
            for (list->First(); !list->eof(); list->Next())
                names << list->fieldByName("ainame")->asString();
            QCOMPARE(names, robotNames());
        }
    }

    QString lastKjsj() { return scalar(file_, "SELECT max(kjsj) FROM a5_z0_5yc").toString(); }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(kFeed).isExecutable(),
                 qPrintable(kFeed + QStringLiteral(" is missing: build tallyvane-feed")));
    }

    void init()
    {
        const QString tag = QString::fromUtf8(QTest::currentDataTag()).replace(u' ', u'_');
        file_ = dir_.filePath(
            QStringLiteral("%1-%2.db").arg(QString::fromUtf8(QTest::currentTestFunction()), tag));
    }

    void createsTheDemoDatabase()
    {
        const QDateTime before = minuteOf(QDateTime::currentDateTime());
        FeedProcess feed({file_, QStringLiteral("--history"), QStringLiteral("7"),
                          QStringLiteral("--interval"), QStringLiteral("3600")});
        QVERIFY(!feed.waitForLine(QStringLiteral("created")).isEmpty());
        const QDateTime after = minuteOf(QDateTime::currentDateTime());
        QCOMPARE(feed.stop(SIGTERM), 0);

        checkDraws(7);
        const QDateTime last = stored(lastKjsj());
        QVERIFY2(last >= before && last <= after, qPrintable(lastKjsj())); // the draws end now
        QCOMPARE(scalar(file_, "SELECT count(*) FROM a5_z0_5yc WHERE kjsj NOT LIKE '%:00'"), 0);
        QCOMPARE(scalar(file_, "PRAGMA journal_mode").toString(), QStringLiteral("wal"));

        ClientView view(file_);
        auto login = view.open(statements::operatorLookup(), QStringLiteral("demo"));
        QCOMPARE(login->RecordCount(), 1);
        QCOMPARE(login->fieldByName("F01用户ID")->asInteger(), 1);
        QCOMPARE(login->fieldByName("F05姓名")->asString(), QStringLiteral("演示操作员"));
        QCOMPARE(login->fieldByName("F07口令")->asString(), QStringLiteral("demo"));
        auto header = view.open(statements::header(), QStringLiteral("全局最热"));
        QCOMPARE(header->fieldByName("cpqh")->asString(), issueOf(last));
        QCOMPARE(header->fieldByName("ver")->asInteger(), 7);
    }

    void continuesAnExistingDatabase()
    {
        {
            FeedProcess first({file_, QStringLiteral("--history"), QStringLiteral("4"),
                               QStringLiteral("--interval"), QStringLiteral("3600")});
            QVERIFY(!first.waitForLine(QStringLiteral("created")).isEmpty());
            QCOMPARE(first.stop(SIGTERM), 0);
        }
        const QDateTime last = stored(lastKjsj());
        FeedProcess second({file_, QStringLiteral("--history"), QStringLiteral("50"),
                            QStringLiteral("--interval"), QStringLiteral("1")});
        QVERIFY(second.waitForLine(QStringLiteral("continuing")).contains(issueOf(last)));
        QVERIFY(second.waitForLine(QStringLiteral("draw")).endsWith(QStringLiteral("counter 5")));
        {
            // The client reads while the feed writes.
            ClientView view(file_);
            auto header = view.open(statements::header(), QStringLiteral("追0"));
            QVERIFY(header->fieldByName("ver")->asInteger() >= 5);
            QVERIFY(header->fieldByName("cpqh")->asString() > issueOf(last));
        }
        QVERIFY(second.waitForLine(QStringLiteral("draw")).endsWith(QStringLiteral("counter 6")));
        QCOMPARE(second.stop(SIGTERM), 0);

        // No second history; the fast draws keep to the clock.
        checkDraws(6);
        QCOMPARE(scalar(file_, "SELECT count(*) FROM \"TA71操作用户\"").toInt(), 1);
    }

    // What another program wrote stays as it was: the feed's own new draws and its counter are
    // the only change, or nothing changes when it refuses to start.
    void leavesOtherProgramsRowsAlone_data()
    {
        QTest::addColumn<QString>("base"); // "feed": 5 draws of the feed; else the schema to make
        QTest::addColumn<QString>("sql");  // then what another program wrote
        QTest::addColumn<int>("exitCode"); // 0: writes draws until stopped; 1: refuses
        QTest::addColumn<QString>("says"); // in the start line, or on standard error
        QFile schemaFile(QStringLiteral(TALLYVANE_SOURCE_DIR "/db/sqlite/create.sql"));
        QVERIFY(schemaFile.open(QIODevice::ReadOnly));
        const QString schema = QString::fromUtf8(schemaFile.readAll());
        const QString rows17 = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                               "WHERE i < 17) INSERT INTO a5_z0_5yc (cpqh, kjsj, ainame) ";
        const QString later = "datetime('now', 'localtime', '+1 hour')";
        QTest::newRow("draw times that are no time")
            << "feed"
            << rows17 + "SELECT printf('20200101-%04d', i), CASE i % 2 WHEN 0 THEN 'garbage' "
                        "ELSE '9999-99-99 99:99:99' END, '追0' FROM n"
            << 0 << "left 17 rows after the clock whose draw time is not a time";
        QTest::newRow("rows after the clock numbered otherwise")
            << "feed"
            << "INSERT INTO a5_z0_5yc (cpqh, kjsj) VALUES ('20200101-0001', " + later +
                   "), ('x', " + later + ")"
            << 0 << "left 2 rows after the clock that it did not write";
        QTest::newRow("a newest number it did not write")
            << "feed"
            << "INSERT INTO a5_z0_5yc (cpqh, kjsj) VALUES ('zzz', '2020-01-01 00:00:00')" << 0
            << "left 1 draws numbered after its last one that it did not write";
        QTest::newRow("a stop of three days")
            << "feed"
            << "UPDATE a5_z0_5yc SET kjsj = datetime(kjsj, '-3 days'); UPDATE a5_z0_5yc SET cpqh = "
               "strftime('%Y%m%d-', kjsj) || printf('%04d', strftime('%H', kjsj) * 60 + "
               "strftime('%M', kjsj) + 1)"
            << 0 << "its last draw is 3 d 0 h old, the time since stays empty";
        QTest::newRow("someone else's operator")
            << schema << "INSERT INTO \"TA71操作用户\" VALUES (7, 'alice', 'Alice', 'pw')" << 0
            << "filled";
        QTest::newRow("no operator table")
            << "CREATE TABLE a5_z0_5yc (id INTEGER PRIMARY KEY, kind INTEGER, cpqh TEXT, zjhm "
               "TEXT, tsbh INTEGER, kjsj TEXT, opdatetimeT TEXT, ainame TEXT, K00 INTEGER, K01 "
               "INTEGER, K02 INTEGER, K03 INTEGER, K04 TEXT, K05 TEXT, CreateDT TEXT); CREATE "
               "TABLE a5_z0_00VER (tablename TEXT PRIMARY KEY, ver INTEGER)"
            << "" << 0 << "filled";
        QTest::newRow("another program's database")
            << "CREATE TABLE notes (x TEXT)"
            << "INSERT INTO notes VALUES ('keep')" << 1
            << "is a database without the table a5_z0_5yc, not one of Tallyvane's";
    }
    void leavesOtherProgramsRowsAlone()
    {
        QFETCH(QString, base);
        QFETCH(QString, sql);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        if (base == QStringLiteral("feed")) {
            FeedProcess first({file_, QStringLiteral("--history"), QStringLiteral("5"),
                               QStringLiteral("--interval"), QStringLiteral("3600")});
            QVERIFY(!first.waitForLine(QStringLiteral("created")).isEmpty());
            QCOMPARE(first.stop(SIGTERM), 0);
            base.clear();
        }
        {
            SqliteDatabase db(file_, SqliteDatabase::OpenMode::Create);
            for (const QString& text : {base, sql})
                if (!text.isEmpty())
                    db.exec(text);
        }
        const QMap<QString, QStringList> before = dump(file_);
        qint64 newestBefore = 0;
        for (const QString& row : before.value(QStringLiteral("a5_z0_5yc")))
            newestBefore = std::max(newestBefore, row.section(u'|', 0, 0).toLongLong());

        FeedProcess feed({file_, QStringLiteral("--history"), QStringLiteral("3"),
                          QStringLiteral("--interval"), QStringLiteral("1")});
        if (exitCode == 0) {
            const QString start = feed.waitForLine(QString());
            QVERIFY2(start.contains(says), qPrintable(start));
            for (int i = 0; i < 2; ++i) // it does not stop on what it found
                QVERIFY(!feed.waitForLine(QStringLiteral("draw")).isEmpty());
            QCOMPARE(feed.stop(SIGTERM), 0);
        } else {
            QCOMPARE(feed.finish(), exitCode);
            const QString errors = feed.errors();
            QVERIFY2(errors.contains(says), qPrintable(errors));
            QCOMPARE(dump(file_), before);
            return;
        }

        QMap<QString, QStringList> after = dump(file_);
        QCOMPARE(after.value(QString()), before.value(QString())); // no table added
        for (auto t = before.begin(); t != before.end(); ++t) {
            QStringList added = after.value(t.key());
            for (const QString& row : t.value()) {
                if (t.key() == QStringLiteral("a5_z0_00VER") &&
                    row.startsWith(QStringLiteral("a5_z0_1his|")))
                    continue; // the feed's counter
                QVERIFY2(added.removeOne(row), qPrintable(t.key() + u' ' + row));
            }
            for (const QString& row : added) {
                if (t.key() == QStringLiteral("a5_z0_00VER"))
                    QVERIFY2(row.startsWith(QStringLiteral("a5_z0_1his|")), qPrintable(row));
                else {
                    // A new row is a draw the feed wrote now.
                    QCOMPARE(t.key(), QStringLiteral("a5_z0_5yc"));
                    const QStringList values = row.split(u'|');
                    QVERIFY2(values[0].toLongLong() > newestBefore, qPrintable(row));
                    QCOMPARE(values[2], issueOf(stored(values[5])));
                }
            }
        }
    }

    // Rows added while it runs are another writer's: it stops rather than interleave.
    void stopsWhenAnotherProgramWrites()
    {
        FeedProcess feed({file_, QStringLiteral("--history"), QStringLiteral("2"),
                          QStringLiteral("--interval"), QStringLiteral("1")});
        QVERIFY(!feed.waitForLine(QStringLiteral("draw")).isEmpty());
        {
            SqliteDatabase db(file_, SqliteDatabase::OpenMode::ReadWrite);
            db.setBusyTimeout(5000);
            db.exec(QStringLiteral("INSERT INTO a5_z0_5yc (cpqh) VALUES ('x\x1b[2J')"));
        }
        QCOMPARE(feed.finish(), 1);
        QCOMPARE(feed.errors(), QStringLiteral("tallyvane-feed: another program wrote draw "
                                               "x\\e[2J meanwhile; stopping\n"));
    }

    // A fast demo writes several draws a minute, each at the time it is written, so the
    // client's countdown counts down to second 55 of the minute as in a normal run.
    void fastDemoKeepsToTheClock()
    {
        FeedProcess feed({file_, QStringLiteral("--history"), QStringLiteral("3"),
                          QStringLiteral("--interval"), QStringLiteral("1")});
        for (int i = 0; i < 3; ++i)
            QVERIFY(!feed.waitForLine(QStringLiteral("draw")).isEmpty());
        ClientView view(file_);
        auto header = view.open(statements::header(), QStringLiteral("追0"));
        const QDateTime now = QDateTime::currentDateTime();
        const QDateTime draw = stored(lastKjsj());
        QVERIFY2(draw <= now && draw.secsTo(now) <= 2, qPrintable(lastKjsj()));
        const int countdown = header->fieldByName("xqkj")->asInteger();
        QVERIFY2(countdown <= 55, qPrintable(QString::number(countdown)));
        QCOMPARE(feed.stop(SIGTERM), 0);
        checkDraws(scalar(file_, "SELECT count(DISTINCT cpqh) FROM a5_z0_5yc").toInt());
    }

    // From the first new draw on, a losing robot loses every bet and a quiet one writes nothing.
    void misbehavingRobots()
    {
        FeedProcess feed({file_, QStringLiteral("--history"), QStringLiteral("3"),
                          QStringLiteral("--interval"), QStringLiteral("1"),
                          QStringLiteral("--losing-robot"), QStringLiteral("追3"),
                          QStringLiteral("--quiet-robot"), QStringLiteral("追7")});
        for (int i = 0; i < 3; ++i)
            QVERIFY(!feed.waitForLine(QStringLiteral("draw")).isEmpty());
        QCOMPARE(feed.stop(SIGTERM), 0);
        const char* afterQuiet =
            " FROM a5_z0_5yc WHERE cpqh > (SELECT max(cpqh) FROM a5_z0_5yc WHERE ainame='追7')";
        QVERIFY(scalar(file_, "SELECT count(*) FROM a5_z0_5yc WHERE ainame='追7'").toInt() >= 3);
        QCOMPARE(scalar(file_, (QByteArray("SELECT count(DISTINCT cpqh)") + afterQuiet).constData())
                     .toInt(),
                 3);
        QCOMPARE(scalar(file_, (QByteArray("SELECT count(*)") + afterQuiet).constData()).toInt(),
                 30);
        QCOMPARE(scalar(file_, (QByteArray("SELECT count(*)") + afterQuiet +
                                " AND ainame='追3' AND K02=1 AND K03>=0")
                                   .constData())
                     .toInt(),
                 0);
    }

    // Draws later than the clock (an older feed fast-forwarded ahead) go; the feed goes on
    // from the clock.
    void resumingAFileAheadCatchesUp()
    {
        {
            FeedProcess first({file_, QStringLiteral("--history"), QStringLiteral("30"),
                               QStringLiteral("--interval"), QStringLiteral("3600")});
            QVERIFY(!first.waitForLine(QStringLiteral("created")).isEmpty());
            QCOMPARE(first.stop(SIGTERM), 0);
        }
        {
            SqliteDatabase db(file_, SqliteDatabase::OpenMode::ReadWrite);
            db.exec(QStringLiteral(
                "UPDATE a5_z0_5yc SET kjsj = datetime(kjsj, '+10 minutes'); "
                "UPDATE a5_z0_5yc SET cpqh = strftime('%Y%m%d-', kjsj) || printf('%04d', "
                "strftime('%H', kjsj) * 60 + strftime('%M', kjsj) + 1)"));
        }
        FeedProcess feed({file_, QStringLiteral("--interval"), QStringLiteral("1")});
        const QString line = feed.waitForLine(QStringLiteral("continuing"));
        const QRegularExpressionMatch removed =
            QRegularExpression(QStringLiteral("removed (\\d+) of its draws later than the clock$"))
                .match(line);
        QVERIFY2(removed.hasMatch(), qPrintable(line));
        // Ten minutes ahead: ten draws, or nine when a minute has passed since.
        const int gone = removed.captured(1).toInt();
        QVERIFY2(gone == 9 || gone == 10, qPrintable(line));
        QVERIFY(!feed.waitForLine(QStringLiteral("draw")).isEmpty());
        QCOMPARE(feed.stop(SIGTERM), 0);
        const int draws = scalar(file_, "SELECT count(DISTINCT cpqh) FROM a5_z0_5yc").toInt();
        checkDraws(draws, 30 + 1 + draws - (30 - gone));
    }

    void stopsCleanlyOnSignals_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void stopsCleanlyOnSignals()
    {
        QFETCH(int, signal);
        FeedProcess feed({file_, QStringLiteral("--history"), QStringLiteral("2"),
                          QStringLiteral("--interval"), QStringLiteral("1")});
        QVERIFY(!feed.waitForLine(QStringLiteral("draw")).isEmpty());
        QCOMPARE(feed.stop(signal), 0);
        // Whatever was written is whole: every draw complete and counted.
        const int draws = scalar(file_, "SELECT count(DISTINCT cpqh) FROM a5_z0_5yc").toInt();
        QVERIFY(draws >= 3);
        checkDraws(draws);
    }

    void refusesBadArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no file") << QStringList{};
        QTest::newRow("interval 0") << QStringList{"FILE", "--interval", "0"};
        QTest::newRow("interval text") << QStringList{"FILE", "--interval", "soon"};
        QTest::newRow("negative history") << QStringList{"FILE", "--history", "-1"};
        QTest::newRow("two files") << QStringList{"FILE", "FILE2"};
        QTest::newRow("empty file name") << QStringList{""};
        QTest::newRow("option twice") << QStringList{"FILE", "--interval", "5", "--interval", "5"};
        QTest::newRow("unknown option") << QStringList{"FILE", "--intervall", "5"};
        QTest::newRow("empty robot name") << QStringList{"FILE", "--quiet-robot", " "};
        QTest::newRow("escape in an option") << QStringList{"--\x1b[2J\r", "FILE"};
        QTest::newRow("huge option") << QStringList{"--" + QString(100000, u'k'), "FILE"};
    }
    // One line without control characters and not much longer than a terminal, exit code 2.
    void refusesBadArguments()
    {
        QFETCH(QStringList, args);
        args.replaceInStrings(QStringLiteral("FILE"), file_);
        FeedProcess feed(args);
        QCOMPARE(feed.finish(), 2);
        const QString errors = feed.errors();
        QVERIFY(errors.startsWith(QStringLiteral("tallyvane-feed: ")));
        QCOMPARE(errors.count(u'\n'), 1);
        QVERIFY(errors.endsWith(u'\n'));
        QVERIFY2(errors.size() < 200, qPrintable(errors.left(200)));
        for (const QChar c : errors.chopped(1))
            QVERIFY2(c.category() != QChar::Other_Control, qPrintable(errors));
        QVERIFY(!QFileInfo::exists(file_));
    }

    void refusesAForeignFileNamingIt()
    {
        {
            QFile text(file_);
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write(QByteArray(4096, 'x'));
        }
        FeedProcess feed({file_});
        QCOMPARE(feed.finish(), 1);
        QCOMPARE(feed.errors(),
                 QStringLiteral("tallyvane-feed: %1: file is not a database\n").arg(file_));
        QCOMPARE(QFileInfo(file_).size(), 4096);
    }

    // Files that are no regular file are refused at once, a pipe without a writer included.
    void refusesFilesThatAreNoRegularFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("named pipe") << "a named pipe";
        QTest::newRow("directory") << "a directory";
        QTest::newRow("/dev/zero") << "a character device";
    }
    void refusesFilesThatAreNoRegularFile()
    {
        QFETCH(QString, kind);
        QString path = file_;
        if (kind == QStringLiteral("a named pipe"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == QStringLiteral("a directory"))
            QVERIFY(QDir().mkdir(path));
        else
            path = QStringLiteral("/dev/zero");
        FeedProcess feed({path});
        QCOMPARE(feed.finish(), 1);
        QCOMPARE(feed.errors(),
                 QStringLiteral("tallyvane-feed: cannot use %1: it is %2, not a regular file\n")
                     .arg(path, kind));
    }

    void refusesASecondFeed()
    {
        FeedProcess first({file_, QStringLiteral("--history"), QStringLiteral("2"),
                           QStringLiteral("--interval"), QStringLiteral("1")});
        QVERIFY(!first.waitForLine(QStringLiteral("created")).isEmpty());
        FeedProcess second({file_, QStringLiteral("--interval"), QStringLiteral("1")});
        QCOMPARE(second.finish(), 1);
        QCOMPARE(second.errors(),
                 QStringLiteral("tallyvane-feed: another tallyvane-feed is already writing %1; "
                                "stop it first (one feed per database)\n")
                     .arg(file_));
        // The first one goes on; once it has stopped, a new feed may take over.
        QVERIFY(!first.waitForLine(QStringLiteral("draw")).isEmpty());
        QCOMPARE(first.stop(SIGTERM), 0);
        FeedProcess third({file_, QStringLiteral("--interval"), QStringLiteral("1")});
        QVERIFY(!third.waitForLine(QStringLiteral("draw")).isEmpty());
        QCOMPARE(third.stop(SIGTERM), 0);
        checkDraws(scalar(file_, "SELECT count(DISTINCT cpqh) FROM a5_z0_5yc").toInt());
    }
};

TV_REGISTER_TEST(TestFeed);

#include "tst_feed.moc"
