#include "Application.h"
#include "LbButton.h"
#include "RecordingPresenter.h"
#include "RzDBLabel.h"
#include "TdsTestServer.h"
#include "TestRegistry.h"
#include "ThreadCount.h"
#include "WindowFixture.h"

#include <QElapsedTimer>
#include <QTest>
#include <cstdio>

// The monitor window on the SQL Server path, through outages of the link.
class TestTdsMonitor : public QObject {
    Q_OBJECT

    SharedTdsServer server_;
    std::unique_ptr<WindowFixture> f_;

    // The data module on the test server and the window shown, its ticks driven by hand.
    bool showWindow(const OdbcTimeouts& timeouts = {5, 2})
    {
        f_->connect(server_->drivers(timeouts));
        return !f_->show().workInFlight();
    }
    QString winningNumber() const { return f_->window->RzDBLabel2->Caption(); }

private slots:
    void initTestCase() { QVERIFY(server_.start()); }
    void cleanupTestCase() { server_.stop(); }

    void init()
    {
        application->initialize();
        f_ = std::make_unique<WindowFixture>(WindowFixture::Rows::Own);
        FixtureDb::Result r;
        for (const char* robot : {"追0", "追1"}) {
            r.ainame = QString::fromUtf8(robot);
            f_->db.addResult(r);
        }
        f_->db.setVersion(1);
        QVERIFY(server_.switchTo(f_->db.path()));
    }
    void cleanup()
    {
        server_.logIfFailed();
        f_.reset();
    }

    void refusedLoginAtStartUpIsTheConnectionFailureBox()
    {
        QVERIFY(server_->setFault(QStringLiteral("refuse")));
        RecordingPresenter presenter;
        f_->connect(server_->drivers({5, 2}));
        QCOMPARE(presenter.boxes.size(), 1);
        QCOMPARE(presenter.boxes[0].caption, QStringLiteral("信息"));
        QVERIFY(application->terminated());
    }

    void lostLinkShowsOneBoxAndTheNextTickRecovers()
    {
        QVERIFY(showWindow());
        RecordingPresenter presenter;
        QVERIFY(f_->timerTick());
        QCOMPARE(winningNumber(), QStringLiteral("12345"));
        QVERIFY(f_->window->Qai->Active());
        const int connects = DM->ConSG->connectCount();

        QVERIFY(server_->setFault(QStringLiteral("close")));
        QVERIFY(f_->timerTick());
        QVERIFY(f_->timerTick());
        QCOMPARE(presenter.boxes.size(), 1);
        QVERIFY(server_->setFault(QStringLiteral("none")));
        QVERIFY(f_->timerTick());
        // Reconnected in the background (when is the link's own business).
        QVERIFY(DM->ConSG->connectCount() > connects);
        QCOMPARE(winningNumber(), QStringLiteral("12345"));
        QCOMPARE(presenter.boxes.size(), 1);
    }

    // Closing the window while a statement is in flight on a slow or a silent server: on the
    // slow one the header's refresh after a counter rise, which holds a bookmark of Qhead.
    // The window goes at once, what it handed to the link goes with it, and the link's threads
    // end within their bound while the process lives on. With TALLYVANE_LONG_RUNS=1 the
    // product's timeouts, and the process lives on 60 s.
    void closingWhileAStatementIsInFlight_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("closeAfterMs");
        QTest::addColumn<int>("statementSeconds");
        QTest::newRow("slow (every answer 3 s late), closed 5 s into the tick")
            << "delay 3000" << 5000 << 10;
        QTest::newRow("silent, closed 1.5 s into the tick") << "silent" << 1500 << 2;
    }
    void closingWhileAStatementIsInFlight()
    {
        QFETCH(QString, fault);
        QFETCH(int, closeAfterMs);
        QFETCH(int, statementSeconds);
        const bool longRun = qEnvironmentVariableIntValue("TALLYVANE_LONG_RUNS");
        const OdbcTimeouts timeouts = longRun ? OdbcTimeouts{} : OdbcTimeouts{5, statementSeconds};
        const int threadsBefore = runningThreads();
        QVERIFY(showWindow(timeouts));
        QVERIFY(f_->timerTick()); // loads
        QVERIFY(f_->timerTick()); // the next one is odd
        f_->db.setVersion(2);
        QVERIFY(server_->setFault(fault));
        f_->window->Timer1->OnTimer()(f_->window->Timer1);
        QTest::qWait(closeAfterMs);
        QVERIFY(f_->window->workInFlight());
        QCOMPARE(winningNumber(), QStringLiteral("12345")); // shown until the answer comes
        QElapsedTimer clock;
        clock.start();
        f_->window->bbClose->click();
        f_->window.reset();
        const qint64 gone = clock.elapsed();
        const int boundMs =
            1000 + 1000 * std::max(timeouts.loginSeconds, timeouts.statementSeconds);
        QTRY_VERIFY_WITH_TIMEOUT(!DM->ConSG->stoppedLinksRunning(), boundMs + 1000);
        const qint64 ended = clock.elapsed();
        QCOMPARE(runningThreads(), threadsBefore);
        if (longRun)
            QTest::qWait(int(60000 - clock.elapsed()));
        QCOMPARE(runningThreads(), threadsBefore);
        std::printf("closing during a %s statement: window gone in %lld ms, the link's threads "
                    "ended %lld ms after the close (bound %d ms), process alive %lld s after\n",
                    qPrintable(fault), gone, ended, boundMs, clock.elapsed() / 1000);
        QVERIFY2(gone < 100, qPrintable(QString::number(gone)));
        QVERIFY(server_->setFault(QStringLiteral("none")));
    }

    // Outages as an operator meets them, with the real timer and the product's timeouts: one
    // box at most per outage (a silence shorter than the statement timeout fails nothing: the
    // statement that waits is answered once the server is back), the first good tick within
    // 1.5 s of the server's return, an event loop that never stands still for 100 ms, and at
    // most one login in the 3 s after the return. One-second outages run always;
    // TALLYVANE_LONG_RUNS=1 adds 5, 20 and 60 s and 5 minutes.
    void outages_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("seconds");
        QList<int> lengths{1};
        if (qEnvironmentVariableIntValue("TALLYVANE_LONG_RUNS"))
            lengths << 5 << 20 << 60 << 300;
        for (const char* fault : {"close", "refuse", "silent", "drop ver"})
            for (int s : lengths)
                QTest::addRow("%s %d s", fault, s) << QString::fromLatin1(fault) << s;
    }
    void outages()
    {
        QFETCH(QString, fault);
        QFETCH(int, seconds);
        QVERIFY(showWindow(OdbcTimeouts{}));
        RecordingPresenter presenter;
        const OutageTracker& refresh = f_->window->outages();
        f_->window->Timer1->setEnabled(true);
        QTRY_VERIFY(refresh.lastGood().isValid());
        QTest::qWait(1500);
        LoopWatch watch;
        QVERIFY(server_->setFault(fault));
        QTest::qWait(seconds * 1000);
        const QDateTime back = QDateTime::currentDateTime();
        QVERIFY(server_->resetStats());
        QVERIFY(server_->setFault(QStringLiteral("none")));
        QTRY_VERIFY_WITH_TIMEOUT(refresh.lastGood() > back && !f_->window->workInFlight(), 40000);
        const qint64 recovery = back.msecsTo(refresh.lastGood());
        QTest::qWait(int(3000 - back.msecsTo(QDateTime::currentDateTime())));
        const TdsTestServer::Stats after = server_->stats();
        std::printf("outage %s %d s: %d box(es), first good tick %lld ms after the server's "
                    "return, event loop still for at most %lld ms, %d login(s) in the 3 s after "
                    "the return\n",
                    qPrintable(fault), seconds, int(presenter.boxes.size()), recovery,
                    watch.longest, after.logins);
        QVERIFY(presenter.boxes.size() <= 1);
        QVERIFY2(after.logins <= 1, qPrintable(QString::number(after.logins)));
        if (!fault.startsWith(u"silent"))
            QCOMPARE(presenter.boxes.size(), 1);
        QVERIFY2(recovery <= 1500, qPrintable(QString::number(recovery)));
        QVERIFY2(watch.longest < 100, qPrintable(QString::number(watch.longest)));
    }

    // 300 ticks with the link cut for one tick in every 20: one box per outage, recovery on
    // the first tick after the server answers again. The figures are printed for the README.
    void soakThroughRepeatedOutages()
    {
        QVERIFY(showWindow());
        RecordingPresenter presenter;
        QVERIFY(f_->timerTick()); // the first load keeps the connection open from here on
        const int connectsBefore = DM->ConSG->connectCount();
        int fresh = 0, outages = 0, lateRecoveries = 0;
        bool recovering = false;
        QElapsedTimer clock;
        clock.start();
        for (int i = 1; i <= 300; ++i) {
            const bool outage = i % 20 == 10;
            if (outage) {
                QVERIFY(server_->setFault(QStringLiteral("close")));
                ++outages;
            }
            const qsizetype boxesBefore = presenter.boxes.size();
            QVERIFY(f_->timerTick());
            if (outage) {
                QCOMPARE(presenter.boxes.size(), boxesBefore + 1);
                QVERIFY(server_->setFault(QStringLiteral("none")));
                recovering = true;
                continue;
            }
            const bool ok = presenter.boxes.size() == boxesBefore && winningNumber() == u"12345";
            fresh += ok ? 1 : 0;
            if (recovering && !ok)
                ++lateRecoveries;
            recovering = false;
        }
        const int reconnects = DM->ConSG->connectCount() - connectsBefore;
        std::printf(
            "soak: 300 ticks, %d outages, %d error boxes, %d reconnections, %d fresh ticks, "
            "%d late recoveries, %lld ms\n",
            outages, int(presenter.boxes.size()), reconnects, fresh, lateRecoveries,
            qlonglong(clock.elapsed()));
        QCOMPARE(int(presenter.boxes.size()), outages);
        QCOMPARE(reconnects, outages);
        QCOMPARE(fresh, 300 - outages);
        QCOMPARE(lateRecoveries, 0);
    }
};

TV_REGISTER_TEST(TestTdsMonitor);
#include "tst_tdsmonitor.moc"
