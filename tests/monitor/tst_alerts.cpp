#include "A00Main.h"
#include "AlertBook.h"
#include "AlertLog.h"
#include "AlertNotifier.h"
#include "Application.h"
#include "DBGridEh.h"
#include "DataFixture.h"
#include "FreshnessLine.h"
#include "RzPageControl.h"
#include "TestRegistry.h"
#include "WindowFixture.h"

#include <QAccessible>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>

namespace {

// "balance_floor=1000 追1/balance_floor=off": the fleet's rules and a robot's own.
AlertRules rulesFrom(const QString& text)
{
    AlertRules rules;
    for (const QString& item : text.split(u' ', Qt::SkipEmptyParts)) {
        const QString where = item.section(u'=', 0, 0);
        const QString value = item.section(u'=', 1);
        const QString robot = where.contains(u'/') ? where.section(u'/', 0, 0) : QString();
        const AlertRule rule = *alertRuleFromKey(where.section(u'/', -1));
        QString reason;
        const AlertRules::Limit limit =
            value == u"off" ? std::nullopt : alertLimitFromText(rule, value, &reason);
        if (robot.isEmpty())
            rules.fleet[int(rule)] = limit;
        else
            rules.robots[robot].insert(rule, limit);
    }
    return rules;
}

// "+追1 balance_floor, -全部 outage_seconds"
QString changesText(const AlertBook& book, const QVector<AlertChange>& changes)
{
    QStringList out;
    for (const AlertChange& c : changes) {
        const AlertEntry& e = book.entries()[c.entry];
        out << (c.kind == AlertChange::Kind::Started ? u'+' : u'-') + alertRobotText(e) + u' ' +
                   alertRuleKey(e.rule);
    }
    return out.join(QStringLiteral(", "));
}

// One draw (numbered `draw`, at minute `draw`) in which each robot of `step` writes a row:
// "追0:1200:W" is a balance and a bet won (L lost, P passed); "-追9" removes the robot.
void writeDraw(FixtureDb& db, int draw, const QString& step)
{
    for (const QString& token : step.split(u' ', Qt::SkipEmptyParts)) {
        if (token.startsWith(u'-')) {
            db.exec(QStringLiteral("DELETE FROM a5_z0_5yc WHERE ainame='%1'").arg(token.mid(1)));
            continue;
        }
        const QStringList parts = token.split(u':');
        FixtureDb::Result r;
        r.ainame = parts[0];
        r.cpqh = QStringLiteral("20201002-%1").arg(draw, 4, 10, QLatin1Char('0'));
        r.kjsj = QDateTime(QDate(2020, 10, 2), QTime(13, 0))
                     .addSecs(60 * draw)
                     .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        r.k00 = parts[1].toInt();
        r.k02 = parts[2] == u"P" ? 0 : 1;
        r.k03 = parts[2] == u"L" ? -5 : parts[2] == u"W" ? 5 : 0;
        db.addResult(r);
    }
}

QVector<FleetRobot> fleetOf(DataFixture& f, const AlertRules& rules)
{
    auto q = f.query(statements::fleetState(rules.longestStreak()));
    q->open();
    return readFleetRobots(*q);
}

// A notification as a server received it: "summary|body|urgency".
QString receivedText(const QString& summary, const QString& body, int urgency)
{
    return QStringLiteral("%1|%2|%3").arg(summary, body).arg(urgency);
}

const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

// A session bus of the test's own with nothing to start on it: what a package installed for
// the desktop's session (a notification daemon) stays off, so the bus holds only what the
// test puts there. Its policy is the standard session bus's.
struct PrivateBus {
    QTemporaryDir dir;
    QProcess daemon;
    QString address;
    QString problem;
    PrivateBus()
    {
        QFile config(dir.filePath(QStringLiteral("bus.conf")));
        if (!dir.isValid() || !config.open(QIODevice::WriteOnly)) {
            problem = QStringLiteral("no room for the bus's configuration");
            return;
        }
        config.write(
            QStringLiteral(
                "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                "<auth>EXTERNAL</auth><policy context=\"default\">"
                "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                "<allow own=\"*\"/></policy></busconfig>")
                .arg(dir.path())
                .toUtf8());
        config.close();
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--config-file=") + config.fileName(),
                      QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(10000)) {
            problem = QStringLiteral("dbus-daemon did not start: ") + daemon.errorString() + u' ' +
                      QString::fromLocal8Bit(daemon.readAllStandardError()).trimmed();
            return;
        }
        address = QString::fromUtf8(daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        daemon.terminate();
        daemon.waitForFinished(5000);
    }
};

// A notification server on the private bus, and what it received so far, oldest first.
class NotificationServer {
public:
    virtual ~NotificationServer() = default;
    virtual QStringList received() = 0;
};

// The test's own server where no real one can run: it keeps the freedesktop calls it gets.
class NotificationRecorder : public NotificationServer, public QDBusVirtualObject {
public:
    explicit NotificationRecorder(QDBusConnection bus) : bus_(bus) {}
    bool start()
    {
        return bus_.registerVirtualObject(kNotificationsPath, this) &&
               bus_.registerService(AlertNotifier::kService);
    }
    QStringList received() override { return received_; }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const QList<QVariant> args = message.arguments();
        QVariant answer;
        if (message.member() == u"Notify" && args.size() == 8) {
            const QVariantMap hints = qdbus_cast<QVariantMap>(args[6]);
            received_.append(receivedText(args[3].toString(), args[4].toString(),
                                          hints.value(QStringLiteral("urgency")).toInt()));
            answer = uint(received_.size());
        } else if (message.member() == u"GetCapabilities") {
            answer = QStringList{QStringLiteral("body")};
        } else {
            return false;
        }
        return connection.send(message.createReply(answer));
    }

private:
    QDBusConnection bus_;
    QStringList received_;
};

// dunst, a notification daemon, on a virtual screen of its own. It keeps a notification in
// its history once it is closed; the history has no urgency, so its configuration shows the
// urgency as the notification's text, which the history does hold.
class Dunst : public NotificationServer {
public:
    QString problem;

    Dunst(const QString& busAddress, QDBusConnection bus) : bus_(bus)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dunst")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
            problem = QStringLiteral("dunst or Xvfb is not installed");
            return;
        }
        // The server names the free display it took once it is ready.
        screen_.start(QStringLiteral("Xvfb"),
                      {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                       QStringLiteral("0"), QStringLiteral("640x480x24"),
                       QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!screen_.waitForReadyRead(10000)) {
            problem = QStringLiteral("Xvfb did not start: ") +
                      QString::fromLocal8Bit(screen_.readAllStandardError()).trimmed();
            return;
        }
        const QString display = u':' + QString::fromLatin1(screen_.readLine()).trimmed();
        QFile config(dir_.filePath(QStringLiteral("dunstrc")));
        if (!config.open(QIODevice::WriteOnly)) {
            problem = QStringLiteral("no room for dunst's configuration");
            return;
        }
        // Every notification apart (no stacking of equal ones), none held back, none expiring.
        config.write("[global]\nstack_duplicates = false\nnotification_limit = 0\n"
                     "history_length = 100\nmarkup = no\nicon_position = off\n"
                     "show_age_threshold = -1\n"
                     "[urgency_low]\ntimeout = 0\n[urgency_normal]\ntimeout = 0\n"
                     "[urgency_critical]\ntimeout = 0\n"
                     "[low]\nmsg_urgency = low\nformat = \"0\"\n"
                     "[normal]\nmsg_urgency = normal\nformat = \"1\"\n"
                     "[critical]\nmsg_urgency = critical\nformat = \"2\"\n");
        config.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.path());
        daemon_.setProcessEnvironment(env);
        daemon_.start(QStringLiteral("dunst"), {QStringLiteral("-config"), config.fileName()});
        const bool registered = QTest::qWaitFor(
            [this] {
                return bus_.interface()->isServiceRegistered(AlertNotifier::kService).value() ||
                       daemon_.state() == QProcess::NotRunning;
            },
            10000);
        if (!registered || daemon_.state() == QProcess::NotRunning)
            problem = QStringLiteral("dunst did not start: ") +
                      QString::fromLocal8Bit(daemon_.readAllStandardError()).trimmed();
    }
    ~Dunst() override
    {
        for (QProcess* p : {&daemon_, &screen_}) {
            p->terminate();
            p->waitForFinished(5000);
        }
    }

    QStringList received() override
    {
        // Everything it was sent is shown or waits to be: closed, it all goes to the history.
        const bool closed = QTest::qWaitFor(
            [this] {
                call(QStringLiteral("NotificationCloseAll"));
                return length(QStringLiteral("displayedLength")) == 0 &&
                       length(QStringLiteral("waitingLength")) == 0;
            },
            5000);
        if (!closed)
            return {QStringLiteral("dunst did not close its notifications")};
        const QDBusMessage reply = call(QStringLiteral("NotificationListHistory"));
        auto history = qdbus_cast<QList<QVariantMap>>(reply.arguments().value(0));
        std::sort(history.begin(), history.end(), [](const QVariantMap& a, const QVariantMap& b) {
            return a[QStringLiteral("id")].toInt() < b[QStringLiteral("id")].toInt();
        });
        QStringList texts;
        for (const QVariantMap& n : history)
            texts << receivedText(n[QStringLiteral("summary")].toString(),
                                  n[QStringLiteral("body")].toString(),
                                  n[QStringLiteral("message")].toInt());
        return texts;
    }

private:
    static constexpr const char* kControl = "org.dunstproject.cmd0";
    QDBusMessage call(const QString& method)
    {
        return bus_.call(QDBusMessage::createMethodCall(AlertNotifier::kService, kNotificationsPath,
                                                        QLatin1String(kControl), method));
    }
    int length(const QString& property)
    {
        QDBusMessage get = QDBusMessage::createMethodCall(
            AlertNotifier::kService, kNotificationsPath,
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QLatin1String(kControl) << property;
        const QDBusMessage reply = bus_.call(get);
        return reply.arguments().isEmpty()
                   ? -1
                   : qdbus_cast<QDBusVariant>(reply.arguments().first()).variant().toInt();
    }

    QDBusConnection bus_;
    QTemporaryDir dir_;
    QProcess screen_, daemon_;
};

// dunst where it can run, the recorder where it cannot.
std::unique_ptr<NotificationServer> startNotificationServer(const PrivateBus& bus,
                                                            QDBusConnection server)
{
    auto dunst = std::make_unique<Dunst>(bus.address, server);
    if (dunst->problem.isEmpty())
        return dunst;
    qWarning("%s: the test's own recorder receives the notifications", qPrintable(dunst->problem));
    dunst.reset();
    auto recorder = std::make_unique<NotificationRecorder>(server);
    return recorder->start() ? std::move(recorder) : nullptr;
}

// Once a call made after them is answered, the server has all the notifications the
// connection sent before: a bus delivers one sender's messages in order.
bool delivered(const QDBusConnection& client)
{
    const QDBusPendingCall ping = client.asyncCall(
        QDBusMessage::createMethodCall(AlertNotifier::kService, kNotificationsPath,
                                       AlertNotifier::kService, QStringLiteral("GetCapabilities")));
    return QTest::qWaitFor([&] { return ping.isFinished(); }, 5000) && !ping.isError();
}

} // namespace

class TestAlertRules : public QObject {
    Q_OBJECT
private slots:
    void fleetRules_data()
    {
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QStringList>("draws");
        QTest::addColumn<QStringList>("changes"); // after each draw
        QTest::newRow("floor: starts, holds without repeat, recovers, starts again")
            << "balance_floor=1000"
            << QStringList{"追0:1200:W 追1:900:W", "追0:1100:W 追1:800:W", "追0:1100:W 追1:1000:W",
                           "追0:1100:W 追1:999:W"}
            << QStringList{"+追1 balance_floor", "", "-追1 balance_floor", "+追1 balance_floor"};
        QTest::newRow("a robot's own floor replaces the fleet's")
            << "balance_floor=1000 追1/balance_floor=off 追2/balance_floor=2000"
            << QStringList{"追0:900:W 追1:900:W 追2:1500:W"}
            << QStringList{"+追0 balance_floor, +追2 balance_floor"};
        QTest::newRow("streak: bets count, passes do not")
            << "losing_streak=3" << QStringList{"追0:1:L", "追0:1:P", "追0:1:L", "追0:1:L",
                                                "追0:1:P", "追0:1:W", "追0:1:L"}
            << QStringList{"", "", "", "+追0 losing_streak", "", "-追0 losing_streak", ""};
        QTest::newRow("streak shorter for one robot")
            << "losing_streak=3 追1/losing_streak=1" << QStringList{"追0:1:L 追1:1:L"}
            << QStringList{"+追1 losing_streak"};
        QTest::newRow("quiet: more than M minutes behind the newest")
            << "robot_quiet_minutes=2"
            << QStringList{"追0:1:W 追1:1:W", "追0:1:W", "追0:1:W",
                           "追0:1:W",         "追0:1:W", "追0:1:W 追1:1:W"}
            << QStringList{"", "", "", "+追1 robot_quiet_minutes", "", "-追1 robot_quiet_minutes"};
        QTest::newRow("a robot appears below the floor and disappears")
            << "balance_floor=1000"
            << QStringList{"追0:1200:W", "追0:1200:W 追9:500:W", "追0:1200:W -追9"}
            << QStringList{"", "+追9 balance_floor", "-追9 balance_floor"};
    }
    void fleetRules()
    {
        QFETCH(QString, rules);
        QFETCH(QStringList, draws);
        QFETCH(QStringList, changes);
        DataFixture f;
        AlertBook book(rulesFrom(rules));
        const QDateTime now = QDateTime::currentDateTime();
        for (int i = 0; i < draws.size(); ++i) {
            writeDraw(f.db, i + 1, draws[i]);
            const auto seen = book.fleetRead(fleetOf(f, book.rules()), now.addSecs(i));
            QVERIFY2(
                changesText(book, seen) == changes[i],
                qPrintable(QStringLiteral("draw %1: %2").arg(i + 1).arg(changesText(book, seen))));
            // Looked at again without a new draw: nothing.
            QCOMPARE(changesText(book, book.fleetRead(fleetOf(f, book.rules()), now)), QString());
        }
    }

    // "t:ver" a header read at second t; "t:out@s" a tick in an outage since second s;
    // "t:ok" a tick without one.
    void clockRules_data()
    {
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("changes");
        QTest::newRow("writer quiet for more than a minute")
            << "writer_quiet_minutes=1"
            << QStringList{"0:5", "30:5", "61:5", "62:5", "63:6", "200:6"}
            << QStringList{"",
                           "",
                           "+全部 writer_quiet_minutes",
                           "",
                           "-全部 writer_quiet_minutes",
                           "+全部 writer_quiet_minutes"};
        QTest::newRow("a counter falling back is the writer at work")
            << "writer_quiet_minutes=1" << QStringList{"0:9", "50:2", "100:2", "111:2"}
            << QStringList{"", "", "", "+全部 writer_quiet_minutes"};
        QTest::newRow("outage longer than S seconds")
            << "outage_seconds=30"
            << QStringList{"0:ok", "10:out@0", "31:out@0", "40:out@0", "41:ok"}
            << QStringList{"", "", "+全部 outage_seconds", "", "-全部 outage_seconds"};
        QTest::newRow("rules off say nothing")
            << "" << QStringList{"0:1", "999:1", "999:out@0"} << QStringList{"", "", ""};
    }
    void clockRules()
    {
        QFETCH(QString, rules);
        QFETCH(QStringList, events);
        QFETCH(QStringList, changes);
        AlertBook book(rulesFrom(rules));
        const QDateTime start(QDate(2020, 10, 2), QTime(13, 0));
        for (int i = 0; i < events.size(); ++i) {
            const QDateTime at = start.addSecs(events[i].section(u':', 0, 0).toInt());
            const QString what = events[i].section(u':', 1);
            const auto seen = what == u"ok" ? book.outageSeen({}, at)
                              : what.startsWith(u"out@")
                                  ? book.outageSeen(start.addSecs(what.mid(4).toInt()), at)
                                  : book.counterRead(what.toLongLong(), at);
            QCOMPARE(changesText(book, seen), changes[i]);
        }
    }

    // At a million rows a scan would read them all: every table access is a search, and the
    // streak's walk reads the index alone, or a row per entry on a database whose index was made
    // before K02 and K03 joined it.
    void fleetStatementIsIndexDriven_data()
    {
        QTest::addColumn<int>("streak");
        QTest::addColumn<bool>("indexMadeBefore");
        QTest::newRow("without the streak") << 0 << false;
        QTest::newRow("with it") << 10 << false;
        QTest::newRow("with it, index made before") << 10 << true;
    }
    void fleetStatementIsIndexDriven()
    {
        QFETCH(int, streak);
        QFETCH(bool, indexMadeBefore);
        DataFixture f;
        if (indexMadeBefore)
            f.db.exec(QStringLiteral("DROP INDEX ix_5yc_ainame_cpqh; CREATE INDEX "
                                     "ix_5yc_ainame_cpqh ON a5_z0_5yc (ainame, cpqh)"));
        const DriverResult plan = f.connection->runQuery(
            QStringLiteral("EXPLAIN QUERY PLAN ") + statements::fleetState(streak).sqlite, {});
        QStringList details;
        for (const auto& row : plan.rows)
            details << row.last().toString();
        const QString all = details.join(u'\n');
        QVERIFY2(!all.contains(QStringLiteral("SCAN a5_z0_5yc")), qPrintable(all));
        QVERIFY2(!all.contains(QStringLiteral("SCAN b")), qPrintable(all));
        QVERIFY2(!all.contains(QStringLiteral("SCAN x")), qPrintable(all));
        QVERIFY2(!all.contains(QStringLiteral("TEMP B-TREE")), qPrintable(all));
        QVERIFY2(all.contains(QStringLiteral("ix_5yc_ainame")), qPrintable(all));
        if (streak > 0)
            QVERIFY2(
                details.contains(
                    indexMadeBefore
                        ? "SEARCH a5_z0_5yc USING INDEX ix_5yc_ainame_cpqh (ainame=?)"
                        : "SEARCH a5_z0_5yc USING COVERING INDEX ix_5yc_ainame_cpqh (ainame=?)"),
                qPrintable(all));
    }
};

// The window with rules: the fleet is read with the reloads, the page lists what fired.
class TestAlertsPage : public QObject {
    Q_OBJECT
private slots:
    void init() { application->initialize(); }

    void pageListsAlertsNewestFirst()
    {
        WindowFixture f(WindowFixture::Rows::Own);
        writeDraw(f.db, 1, QStringLiteral("追0:1200:W 追1:900:W"));
        f.db.setVersion(1);
        TfrmA00Main& w = f.make();
        w.setAlertRules(rulesFrom(QStringLiteral("balance_floor=1000")),
                        QDBusConnection(QStringLiteral("no bus")));
        f.show();
        QCOMPARE(w.pc1->pageCount(), 5);
        QCOMPARE(w.pc1->page(3)->Caption(), QStringLiteral("报警记录"));
        QVERIFY(f.tick());
        QCOMPARE(w.alertBook().holdingCount(), 1);
        QVERIFY(w.statusLine->text().contains(QStringLiteral("报警 1 条")));

        // A change without a counter rise is not read: the statement goes with the reloads.
        writeDraw(f.db, 2, QStringLiteral("追0:800:W 追1:1200:W"));
        QVERIFY(f.tick());
        QVERIFY(f.tick());
        QCOMPARE(w.alertBook().entries().size(), 1);
        f.db.setVersion(2);
        QVERIFY(f.tick()); // even: waits
        QVERIFY(f.tick());

        TADOQuery& log = *w.alertLog().query();
        QCOMPARE(log.RecordCount(), 2);
        const QStringList fields{"robot", "rule", "value"};
        const auto row = [&](int recNo) {
            log.setRecNo(recNo);
            QStringList texts;
            for (const QString& name : fields)
                texts << log.fieldByName(name)->displayText();
            texts << (log.fieldByName(QStringLiteral("endedAt"))->isNull() ? "holding" : "ended");
            return texts.join(u'|');
        };
        QCOMPARE(row(1), QStringLiteral("追0|余额低于下限|余额 800，下限 1000|holding"));
        QCOMPARE(row(2), QStringLiteral("追1|余额低于下限|余额 900，下限 1000|ended"));
        QVERIFY(w.statusLine->text().contains(QStringLiteral("报警 1 条")));

        // A screen reader reads the page's table as the others.
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(w.alertsGrid);
        QCOMPARE(grid->role(), QAccessible::Table);
        QCOMPARE(grid->text(QAccessible::Name), QStringLiteral("报警记录"));
        QAccessibleTableInterface* table = grid->tableInterface();
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->cellAt(0, 1)->text(QAccessible::Name), QStringLiteral("追0"));
        QCOMPARE(table->cellAt(1, 2)->text(QAccessible::Name), QStringLiteral("余额低于下限"));
    }
};

// The notifications as a notification server on a private session bus receives them.
class TestAlertNotifications : public QObject {
    Q_OBJECT
private slots:
    void init() { application->initialize(); }

    // Against dunst: it receives the client's calls as a desktop does (it ignores an
    // urgency of a wrong D-Bus type and could stack equal notifications).
    void oneWhenARuleStartsAndOneWhenItStops()
    {
        PrivateBus bus;
        if (!bus.problem.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no D-Bus here: ") + bus.problem));
        QDBusConnection serverBus =
            QDBusConnection::connectToBus(bus.address, QStringLiteral("server"));
        const std::unique_ptr<NotificationServer> server = startNotificationServer(bus, serverBus);
        QVERIFY(server);
        QDBusConnection client =
            QDBusConnection::connectToBus(bus.address, QStringLiteral("client"));
        QVERIFY(AlertNotifier(client).available());

        WindowFixture f(WindowFixture::Rows::Own);
        writeDraw(f.db, 1, QStringLiteral("追0:900:L 追1:1200:L"));
        f.db.setVersion(1);
        TfrmA00Main& w = f.make();
        w.setAlertRules(rulesFrom(QStringLiteral("balance_floor=1000 losing_streak=1")), client);
        f.show();
        QVERIFY(f.tick());
        QVERIFY(delivered(client));
        const QStringList started{"报警：追0 余额低于下限|余额 900，下限 1000|2",
                                  "报警：追0 连续输|最近 1 注全输|1",
                                  "报警：追1 连续输|最近 1 注全输|1"};
        QCOMPARE(server->received(), started);
        // The same state at every tick, reloaded or not: nothing new.
        for (int v = 2; v <= 5; ++v) {
            f.db.setVersion(v);
            QVERIFY(f.tick());
        }
        QVERIFY(delivered(client));
        QCOMPARE(server->received(), started);
        writeDraw(f.db, 2, QStringLiteral("追0:1000:W 追1:1200:L"));
        f.db.setVersion(9);
        QVERIFY(f.tick());
        QVERIFY(f.tick());
        QVERIFY(delivered(client));
        const QStringList ended{"恢复：追0 余额低于下限|已恢复：余额 1000，下限 1000|2",
                                "恢复：追0 连续输|已恢复：最近 1 注未全输|1"};
        QCOMPARE(server->received(), started + ended);
    }

    void withoutAServiceNothingIsSent()
    {
        PrivateBus bus;
        if (!bus.problem.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no D-Bus here: ") + bus.problem));
        QDBusConnection client = QDBusConnection::connectToBus(bus.address, QStringLiteral("c2"));
        QVERIFY(client.isConnected());
        QVERIFY(!AlertNotifier(client).available());
        QVERIFY(!AlertNotifier(QDBusConnection(QStringLiteral("no bus"))).available());
    }
};

TV_REGISTER_TEST(TestAlertRules);
TV_REGISTER_TEST(TestAlertsPage);
TV_REGISTER_TEST(TestAlertNotifications);

#include "tst_alerts.moc"
