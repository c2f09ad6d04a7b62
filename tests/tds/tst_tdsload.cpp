#include "Application.h"
#include "BackgroundLink.h"
#include "DBErrors.h"
#include "FixtureDb.h"
#include "OdbcDriver.h"
#include "RecordingPresenter.h"
#include "SqlText.h"
#include "Statements.h"
#include "TdsTestServer.h"
#include "TestRegistry.h"
#include "ThreadCount.h"
#include "WindowFixture.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <thread>

namespace {

const QString kRobot = QStringLiteral("追0");

QString headerText()
{
    return markParameters(statements::header().Text(SqlDialect::TSql)).sql;
}

// A client with exactly one statement in flight and nothing else, paced as the window's timer
// paces it (a statement a second, the next at once after a late answer): what the server
// would get from a client that never probes nor copies. On a thread of its own.
class OneInFlightClient {
public:
    explicit OneInFlightClient(const QString& odbcText) : odbc_(odbcText)
    {
        thread_ = std::thread([this] { run(); });
    }
    ~OneInFlightClient()
    {
        stop_ = true;
        thread_.join();
    }

private:
    void run()
    {
        auto driver = makeOdbcDriver(odbc_);
        const QString sql = headerText();
        auto next = std::chrono::steady_clock::now();
        while (!stop_) {
            std::this_thread::sleep_until(next);
            next += std::chrono::seconds(1);
            try {
                if (!driver->connected())
                    driver->connect();
                driver->query(sql, {kRobot});
            } catch (const EDatabaseError&) {
            }
            next = std::max(next, std::chrono::steady_clock::now());
        }
    }

    QString odbc_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A client on a background link, ticking as the monitor window does: a header statement a
// second, one at a time; a tick that finds one in flight makes the next go at once after it.
class TickingClient : public QObject {
public:
    explicit TickingClient(const QString& odbcText)
        : link_([odbcText] { return makeOdbcDriver(odbcText); }, nullptr, LinkTimings{}),
          sql_(headerText())
    {
        connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
        timer_.start(1000);
        tick();
    }

private:
    void tick()
    {
        if (inFlight_) {
            late_ = true;
            return;
        }
        inFlight_ = true;
        link_.submitQuery(sql_, {kRobot}, [this](StatementOutcome&) {
            inFlight_ = false;
            if (std::exchange(late_, false))
                tick();
        });
    }

    BackgroundLink link_;
    QString sql_;
    QTimer timer_;
    bool inFlight_ = false;
    bool late_ = false;
};

bool longRuns()
{
    return qEnvironmentVariableIntValue("TALLYVANE_LONG_RUNS") != 0;
}

} // namespace

// What the clients ask of a server that answers late: the real window against a client with
// one statement in flight, and ten clients together. Short runs always; the figures of the
// README with TALLYVANE_LONG_RUNS=1.
class TestTdsLoad : public QObject {
    Q_OBJECT

    std::unique_ptr<FixtureDb> db_;

private slots:
    void init()
    {
        application->initialize();
        db_ = std::make_unique<FixtureDb>();
        db_->addResult({});
        db_->setVersion(1);
    }
    void cleanup() { db_.reset(); }

    // The window (its real timer, the product's timeouts) on one server and the one-in-flight
    // client on another, both answering every statement after `delayMs`: statements and
    // logins each received, the window's peak connections and its link's peak threads.
    void slowServer_data()
    {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("seconds");
        if (!longRuns()) {
            QTest::newRow("answers 2 s late, 10 s") << 2000 << 10;
            return;
        }
        for (int delay : {3000, 10000, 40000})
            QTest::addRow("answers %d s late, 60 s", delay / 1000) << delay << 60;
    }
    void slowServer()
    {
        QFETCH(int, delayMs);
        QFETCH(int, seconds);
        TdsTestServer windowServer(db_->path()), referenceServer(db_->path());
        QVERIFY(windowServer.started() && referenceServer.started());
        RecordingPresenter presenter;
        WindowFixture f(WindowFixture::Rows::Own);
        f.connect(windowServer.drivers());
        auto reference = std::make_unique<OneInFlightClient>(referenceServer.odbcText());
        const int threadsBefore = runningThreads();
        int peakThreads = 0;
        {
            TfrmA00Main& window = f.make();
            window.show();
            QVERIFY(settled(window));
            QTest::qWait(1500);
            const QByteArray fault = "delay " + QByteArray::number(delayMs);
            for (TdsTestServer* server : {&windowServer, &referenceServer})
                QVERIFY(server->setFault(QString::fromLatin1(fault)) && server->resetStats());
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < seconds * 1000) {
                QTest::qWait(100);
                peakThreads = std::max(peakThreads, runningThreads() - threadsBefore);
            }
            const TdsTestServer::Stats ours = windowServer.stats();
            const TdsTestServer::Stats theirs = referenceServer.stats();
            std::printf("slow server, %s: statements %d (one in flight: %d), logins %d (%d), "
                        "failed logins %d, peak connections %d (%d), peak link threads %d\n",
                        QTest::currentDataTag(), ours.statements, theirs.statements, ours.logins,
                        theirs.logins, ours.failed, ours.peak, theirs.peak, peakThreads);
            QVERIFY2(ours.statements * 10 <= theirs.statements * 11, "at most 1.1 times");
            QVERIFY(ours.logins <= theirs.logins + 1);
            QVERIFY(ours.peak <= 2);
            for (TdsTestServer* server : {&windowServer, &referenceServer})
                QVERIFY(server->setFault(QStringLiteral("none")));
            f.window.reset();
        }
        reference.reset();
    }

    // Ten clients against one server, healthy and then answering every statement 2 s late:
    // statements and logins a second at the server.
    void tenClients()
    {
        const int seconds = longRuns() ? 30 : 8;
        TdsTestServer server(db_->path());
        QVERIFY(server.started());
        std::vector<std::unique_ptr<TickingClient>> clients;
        for (int i = 0; i < 10; ++i)
            clients.push_back(std::make_unique<TickingClient>(server.odbcText()));
        QTest::qWait(1500);
        const auto measure = [&](const QString& fault) {
            server.setFault(fault);
            server.resetStats();
            QTest::qWait(seconds * 1000);
            return server.stats();
        };
        const TdsTestServer::Stats healthy = measure(QStringLiteral("none"));
        const TdsTestServer::Stats slow = measure(QStringLiteral("delay 2000"));
        std::printf("ten clients, %d s each: healthy %.1f statements/s, %.1f logins/s; answering "
                    "2 s late %.1f statements/s, %.1f logins/s, %d connections at most\n",
                    seconds, double(healthy.statements) / seconds, double(healthy.logins) / seconds,
                    double(slow.statements) / seconds, double(slow.logins) / seconds, slow.peak);
        QVERIFY(slow.statements <= healthy.statements);
        QVERIFY(slow.logins <= 10);
        server.setFault(QStringLiteral("none"));
        clients.clear();
    }
};
TV_REGISTER_TEST(TestTdsLoad);

#include "tst_tdsload.moc"
