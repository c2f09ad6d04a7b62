#include "LinkMachine.h"
#include "ScopeGuard.h"
#include "TestRegistry.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTest>

namespace {

// Plays a script on the machine. Each step is "TIME EVENT [ARGS] => ACTIONS ; STATE", the
// actions as they came, comma-separated: "connect N", "run N", "interrupt N", "close N",
// "deliver T ok|fail|lost" (T numbers the statements in the order submitted). Events: adopt,
// submit [SQL] (default "S1"), disconnect, tick, connected N, refused N, answered N
// ok|fail|lost, ended N, stop.
class Player {
public:
    Player() : machine_({1000, 1000, 2000, 1000}, 30000) {}

    QString step(const QString& line)
    {
        const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
        const qint64 now = words.value(0).toLongLong();
        const QString event = words.value(1);
        const SessionId session = words.value(2).toULongLong();
        LinkActions actions;
        if (event == u"adopt") {
            actions = machine_.adopt(now);
        } else if (event == u"submit") {
            actions = machine_.submit(
                {LinkJob::Kind::Statement, ++tickets_, words.value(2, QStringLiteral("S1")), {}},
                now);
        } else if (event == u"disconnect") {
            actions = machine_.submit({LinkJob::Kind::Disconnect, 0, {}, {}}, now);
        } else if (event == u"tick") {
            actions = machine_.timePassed(now);
        } else if (event == u"connected") {
            actions = machine_.connected(session, now);
        } else if (event == u"refused") {
            actions = machine_.connectFailed(session, QStringLiteral("refused"), now);
        } else if (event == u"answered") {
            StatementOutcome o;
            o.failed = words.value(3) != u"ok";
            o.linkLost = words.value(3) == u"lost";
            o.error = words.value(3);
            actions = machine_.answered(session, o, now);
        } else if (event == u"ended") {
            actions = machine_.ended(session, now);
        } else if (event == u"stop") {
            actions = machine_.stop();
        }
        QStringList out;
        for (const LinkAction& a : actions)
            out << describe(a);
        return out.join(QStringLiteral(", ")) + QStringLiteral(" ; ") + stateName();
    }

private:
    static QString describe(const LinkAction& a)
    {
        static const char* const kinds[] = {"connect", "run", "interrupt", "close", "deliver"};
        const QString kind = QString::fromLatin1(kinds[int(a.kind)]);
        if (a.kind != LinkAction::Kind::Deliver)
            return kind + u' ' + QString::number(a.session);
        const QString verdict = !a.outcome.failed    ? QStringLiteral("ok")
                                : a.outcome.linkLost ? QStringLiteral("lost")
                                                     : QStringLiteral("fail");
        return kind + u' ' + QString::number(a.job.ticket) + u' ' + verdict;
    }
    QString stateName() const
    {
        return QString::fromLatin1(LinkMachine::stateName(machine_.state()));
    }

    LinkMachine machine_;
    LinkTicket tickets_ = 0;
};

} // namespace

Q_DECLARE_METATYPE(QList<QStringList>)

// The link's decisions, event by event, without threads.
class TestLinkMachine : public QObject {
    Q_OBJECT
private slots:
    void scripts_data()
    {
        // Each step: the event, and what it must lead to.
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("answers in order, one statement at the server") << QStringList{
            "0 adopt => ; Up", "0 submit => run 1 ; Up", "0 submit =>  ; Up",
            "5 answered 1 ok => deliver 1 ok, run 1 ; Up", "9 answered 1 ok => deliver 2 ok ; Up"};
        QTest::newRow("slow server: one probe, then the statements are waited for") << QStringList{
            "0 adopt => ; Up", "0 submit => run 1 ; Up", "1000 tick => connect 2 ; Suspect",
            "1005 connected 2 => ; Slow", "5000 tick => ; Slow",
            "10000 answered 1 ok => deliver 1 ok ; Slow", "10000 submit S2 => run 1 ; Slow",
            "15000 tick => ; Slow", "20000 answered 1 ok => deliver 2 ok ; Slow",
            "20000 submit => run 1 ; Slow",
            // Back at its usual pace: the reserve connection goes.
            "20010 answered 1 ok => close 2, deliver 3 ok ; Up"};
        QTest::newRow("a statement's own slow answers raise its probe delay")
            << QStringList{"0 adopt => ; Up",
                           "0 submit S2 => run 1 ; Up",
                           "900 answered 1 ok => deliver 1 ok ; Up",
                           "900 submit S2 => run 1 ; Up",
                           "1900 tick => ; Up",
                           "2700 tick => connect 2 ; Suspect"};
        QTest::newRow("refused probe: dead, the copy on the first fresh connection wins")
            << QStringList{"0 adopt => ; Up", "0 submit => run 1 ; Up",
                           "1000 tick => connect 2 ; Suspect", "1010 refused 2 => ; Down",
                           "1500 tick => ; Down", "2000 tick => connect 3 ; Down",
                           "2010 connected 3 => run 3 ; Up",
                           "2020 answered 3 ok => interrupt 1, close 1, deliver 1 ok ; Up",
                           // The given-up call does not hold the next statement back.
                           "2030 submit => run 3 ; Up"};
        QTest::newRow("silent probe: dead after its verdict time; the original answers first")
            << QStringList{"0 adopt => ; Up",
                           "0 submit => run 1 ; Up",
                           "1000 tick => connect 2 ; Suspect",
                           "3000 tick => ; Down",
                           "5000 connected 2 => run 2 ; Up",
                           "5001 answered 1 ok => interrupt 2, close 2, deliver 1 ok ; Up",
                           "5002 answered 2 ok =>  ; Up"};
        QTest::newRow("a failed attempt never takes down a link that is up")
            << QStringList{"0 adopt => ; Up",
                           "0 submit => run 1 ; Up",
                           "1000 tick => connect 2 ; Suspect",
                           "3000 tick => ; Down",
                           "3500 answered 1 ok => deliver 1 ok ; Up",
                           "16000 refused 2 => ; Up",
                           "16000 submit => run 1 ; Up"};
        QTest::newRow("a working connection is never replaced") << QStringList{
            "0 adopt => ; Up", "0 submit => run 1 ; Up", "1000 tick => connect 2 ; Suspect",
            "1500 answered 1 ok => deliver 1 ok ; Up", "1600 connected 2 => close 2 ; Up"};
        QTest::newRow("deadline on a slow server: the reserve serves after the given-up call")
            << QStringList{"0 adopt => ; Up",
                           "0 submit => run 1 ; Up",
                           "1000 tick => connect 2 ; Suspect",
                           "1010 connected 2 => ; Slow",
                           "31000 tick => interrupt 1, close 1, deliver 1 lost ; Slow",
                           "31500 submit =>  ; Slow",
                           "60000 answered 1 lost => run 2 ; Slow"};
        QTest::newRow("deadline on a dead link: one given-up call beside the next, not two")
            << QStringList{"0 adopt => ; Up",
                           "0 submit => run 1 ; Up",
                           "1000 tick => connect 2 ; Suspect",
                           "1010 refused 2 => ; Down",
                           "2000 tick => connect 3 ; Down",
                           "2010 refused 3 => ; Down",
                           "31000 tick => interrupt 1, close 1, deliver 1 lost, connect 4 ; Down",
                           "31001 submit S3 =>  ; Down",
                           "31010 connected 4 => run 4 ; Up",
                           "32010 tick => connect 5 ; Suspect",
                           "32020 refused 5 => ; Down",
                           "62010 tick => interrupt 4, close 4, deliver 2 lost, connect 6 ; Down",
                           "62011 submit =>  ; Down",
                           "62020 connected 6 =>  ; Up",
                           "62030 answered 1 lost => run 6 ; Up"};
        QTest::newRow("deadline while a fresh connection's copy runs: alive, so held")
            << QStringList{"0 adopt => ; Up",
                           "0 submit => run 1 ; Up",
                           "1000 tick => connect 2 ; Suspect",
                           "1010 refused 2 => ; Down",
                           "2000 tick => connect 3 ; Down",
                           "2010 connected 3 => run 3 ; Up",
                           "31000 tick => interrupt 1, close 1, interrupt 3, close 3, "
                           "deliver 1 lost ; Slow",
                           "31001 submit => connect 4 ; Slow",
                           "31002 connected 4 =>  ; Slow",
                           "40000 answered 1 lost =>  ; Slow",
                           "41000 answered 3 lost => run 4 ; Slow"};
        QTest::newRow("deadline while the probe has not logged in: dead, not slow") << QStringList{
            "0 adopt => ; Up", "0 submit => run 1 ; Up", "1000 tick => connect 2 ; Suspect",
            "31000 tick => interrupt 1, close 1, deliver 1 lost ; Down", "31001 submit =>  ; Down"};
        QTest::newRow("waiting for a connection: fails with the first refusal, then spaced")
            << QStringList{"0 submit => connect 1 ; Closed",
                           "10 refused 1 => deliver 1 lost ; Down",
                           "500 tick => ; Down",
                           "1000 tick => connect 2 ; Down",
                           "1001 submit =>  ; Down",
                           "1010 refused 2 => deliver 2 lost ; Down",
                           "2000 tick => connect 3 ; Down",
                           "2010 connected 3 => ; Up",
                           "2020 submit => run 3 ; Up"};
        QTest::newRow("a lost link: delivered as lost, reconnected at once")
            << QStringList{"0 adopt => ; Up", "0 submit => run 1 ; Up",
                           "10 answered 1 lost => close 1, deliver 1 lost ; Down",
                           "10 tick => connect 2 ; Down", "20 connected 2 => ; Up"};
        QTest::newRow("no query open: the connection closes, the next statement connects")
            << QStringList{"0 adopt => ; Up",
                           "0 submit => run 1 ; Up",
                           "0 disconnect =>  ; Up",
                           "5 answered 1 ok => deliver 1 ok, close 1 ; Closed",
                           "6 ended 1 =>  ; Closed",
                           "900 submit => connect 2 ; Closed",
                           "910 connected 2 => run 2 ; Up"};
        QTest::newRow("stop: cancels and closes, delivers nothing more")
            << QStringList{"0 adopt => ; Up",
                           "0 submit => run 1 ; Up",
                           "1000 tick => connect 2 ; Suspect",
                           "1001 stop => interrupt 1, close 1, close 2 ; Stopped",
                           "1002 answered 1 ok =>  ; Stopped",
                           "1003 connected 2 =>  ; Stopped",
                           "1004 submit =>  ; Stopped"};
        QTest::newRow("a lost copy leaves the original to answer")
            << QStringList{"0 adopt => ; Up",
                           "0 submit => run 1 ; Up",
                           "1000 tick => connect 2 ; Suspect",
                           "1010 refused 2 => ; Down",
                           "2000 tick => connect 3 ; Down",
                           "2010 connected 3 => run 3 ; Up",
                           "2020 answered 3 lost => close 3 ; Down",
                           "2020 tick => connect 4 ; Down",
                           "2500 answered 1 ok => deliver 1 ok ; Up",
                           "2600 connected 4 => close 4 ; Up"};
    }
    void scripts()
    {
        QFETCH(QStringList, steps);
        // The outages' lines have a test of their own.
        QLoggingCategory::setFilterRules(QStringLiteral("tallyvane.link.warning=false"));
        const ScopeGuard rules([] { QLoggingCategory::setFilterRules(QString()); });
        Player player;
        for (const QString& step : steps) {
            const QStringList parts = step.split(QStringLiteral(" => "));
            QCOMPARE(player.step(parts[0]).simplified(), parts[1].simplified());
        }
    }

    // Each outage leaves one line as it begins, with its cause, and one as it ends, with its
    // length; nothing else is said unless asked for.
    void outageToldAtItsStartAndEnd_data()
    {
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("lines");
        const QString lost = QStringLiteral("the connection to the server is lost: ");
        const QString back = QStringLiteral("the connection to the server is back after ");
        QTest::newRow("first connect refused, then back")
            << QStringList{"0 submit", "10 refused 1", "1000 tick", "1500 connected 2"}
            << QStringList{lost + "refused", back + "1.5 s"};
        QTest::newRow("the statement's link lost")
            << QStringList{"0 adopt", "0 submit", "200 answered 1 lost", "1200 tick",
                           "1300 connected 2"}
            << QStringList{lost + "lost", back + "1.1 s"};
        QTest::newRow("unanswered, and the probe refused")
            << QStringList{"0 adopt",        "0 submit",  "1000 tick",
                           "1010 refused 2", "2000 tick", "2010 connected 3"}
            << QStringList{lost + "a statement went unanswered, and a fresh login failed: refused",
                           back + "1.0 s"};
        QTest::newRow("unanswered, and the probe silent")
            << QStringList{"0 adopt", "0 submit", "1000 tick", "3000 tick"}
            << QStringList{lost + "a statement unanswered for 3.0 s, and no fresh login in 2.0 s"};
        QTest::newRow("stopped while down: no end")
            << QStringList{"0 submit", "10 refused 1", "20 stop"} << QStringList{lost + "refused"};
        QTest::newRow("slow, never down") << QStringList{"0 adopt", "0 submit", "1000 tick",
                                                         "1005 connected 2", "9000 answered 1 ok"}
                                          << QStringList{};
    }
    void outageToldAtItsStartAndEnd()
    {
        QFETCH(QStringList, events);
        QFETCH(QStringList, lines);
        for (const QString& line : lines)
            QTest::ignoreMessage(QtWarningMsg, qPrintable(line));
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        Player player;
        for (const QString& event : events)
            player.step(event);
    }

    void latencyMemoryKeepsTheSlowestOfTheLastAnswers()
    {
        LatencyMemory memory;
        QCOMPARE(memory.slowest(QStringLiteral("S1")), 0);
        memory.record(QStringLiteral("S1"), 3000);
        for (int i = 0; i < 7; ++i)
            memory.record(QStringLiteral("S1"), 10);
        QCOMPARE(memory.slowest(QStringLiteral("S1")), 3000);
        memory.record(QStringLiteral("S1"), 10);
        QCOMPARE(memory.slowest(QStringLiteral("S1")), 10);
        for (int i = 0; i < 40; ++i)
            memory.record(QString::number(i), 1);
        QCOMPARE(memory.slowest(QStringLiteral("S1")), 0); // forgotten: the oldest statement
        QCOMPARE(memory.slowest(QStringLiteral("39")), 1);
    }
};
TV_REGISTER_TEST(TestLinkMachine);

#include "tst_linkmachine.moc"
