#include "A00Main.h"
#include "Application.h"
#include "FixtureDb.h"
#include "LbButton.h"
#include "OdbcDriver.h"
#include "RecordingPresenter.h"
#include "RzDBLabel.h"
#include "TdsTestServer.h"
#include "TestRegistry.h"
#include "ThreadCount.h"
#include "Timer.h"
#include "WindowWork.h"

#include <QElapsedTimer>
#include <QTest>
#include <cstdio>

// The monitor window on the SQL Server path, through outages of the link.
class TestTdsMonitor : public QObject {
    Q_OBJECT

    std::unique_ptr<TdsTestServer> server_;
    std::unique_ptr<FixtureDb> db_;
    std::unique_ptr<TDM> dm_;
    std::unique_ptr<TfrmA00Main> window_;

    std::unique_ptr<DirectConnection> connection(const OdbcTimeouts& timeouts = {5, 2})
    {
        const QString odbc = server_->odbcText();
        return std::make_unique<DirectConnection>(
            [odbc, timeouts] { return makeOdbcDriver(odbc, timeouts); });
    }

    // The data module on the test server and the window shown, its ticks driven by hand.
    void showWindow(const OdbcTimeouts& timeouts = {5, 2})
    {
        dm_ = std::make_unique<TDM>(connection(timeouts));
        DM = dm_.get();
        window_ = std::make_unique<TfrmA00Main>();
        window_->Timer1->setEnabled(false);
        window_->show();
        QVERIFY(settled(*window_));
    }

    // A tick as the timer delivers it: guarded, showing a repeated failure once.
    void tick()
    {
        window_->Timer1->OnTimer()(window_->Timer1);
        QVERIFY(settled(*window_));
    }
    QString winningNumber() const { return window_->RzDBLabel2->Caption(); }

private slots:
    void initTestCase()
    {
        server_ = std::make_unique<TdsTestServer>(QString());
        QVERIFY(server_->started());
    }
    void cleanupTestCase() { server_.reset(); }

    void init()
    {
        application->initialize();
        db_ = std::make_unique<FixtureDb>();
        FixtureDb::Result r;
        for (const char* robot : {"追0", "追1"}) {
            r.ainame = QString::fromUtf8(robot);
            db_->addResult(r);
        }
        db_->setVersion(1);
        QVERIFY(server_->setDatabase(db_->path()));
        QVERIFY(server_->setFault(QStringLiteral("none")));
    }
    void cleanup()
    {
        if (QTest::currentTestFailed())
            qWarning().noquote() << server_->log();
        window_.reset();
        dm_.reset();
        DM = nullptr;
        db_.reset();
    }

    void refusedLoginAtStartUpIsTheConnectionFailureBox()
    {
        QVERIFY(server_->setFault(QStringLiteral("refuse")));
        RecordingPresenter presenter;
        dm_ = std::make_unique<TDM>(connection());
        QCOMPARE(presenter.boxes.size(), 1);
        QCOMPARE(presenter.boxes[0].caption, QStringLiteral("信息"));
        QVERIFY(application->terminated());
    }

    void lostLinkShowsOneBoxAndTheNextTickRecovers()
    {
        showWindow();
        RecordingPresenter presenter;
        tick();
        QCOMPARE(winningNumber(), QStringLiteral("12345"));
        QVERIFY(window_->Qai->Active());
        const int connects = DM->ConSG->connectCount();

        QVERIFY(server_->setFault(QStringLiteral("close")));
        tick();
        tick();
        QCOMPARE(presenter.boxes.size(), 1);
        QVERIFY(server_->setFault(QStringLiteral("none")));
        tick();
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
        showWindow(timeouts);
        tick(); // loads
        tick(); // the next one is odd
        db_->setVersion(2);
        QVERIFY(server_->setFault(fault));
        window_->Timer1->OnTimer()(window_->Timer1);
        QTest::qWait(closeAfterMs);
        QVERIFY(window_->workInFlight());
        QCOMPARE(winningNumber(), QStringLiteral("12345")); // shown until the answer comes
        QElapsedTimer clock;
        clock.start();
        window_->bbClose->click();
        window_.reset();
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
        showWindow(OdbcTimeouts{});
        RecordingPresenter presenter;
        const OutageTracker& refresh = window_->outages();
        window_->Timer1->setEnabled(true);
        QTRY_VERIFY(refresh.lastGood().isValid());
        QTest::qWait(1500);
        LoopWatch watch;
        QVERIFY(server_->setFault(fault));
        QTest::qWait(seconds * 1000);
        const QDateTime back = QDateTime::currentDateTime();
        QVERIFY(server_->resetStats());
        QVERIFY(server_->setFault(QStringLiteral("none")));
        QTRY_VERIFY_WITH_TIMEOUT(refresh.lastGood() > back && !window_->workInFlight(), 40000);
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
        showWindow();
        RecordingPresenter presenter;
        tick(); // the first load keeps the connection open from here on
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
            tick();
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
