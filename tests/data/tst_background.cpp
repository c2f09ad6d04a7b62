#include "BackgroundLink.h"
#include "DBErrors.h"
#include "TestRegistry.h"

#include <QElapsedTimer>
#include <QTest>
#include <condition_variable>
#include <mutex>

namespace {

// What the drivers of one test do: connections are numbered as they connect; statements
// answer with the number of the connection they ran on, or hang while their connection is
// listed in `hanging` (until released or interrupted).
struct Script {
    std::mutex mutex;
    std::condition_variable changed;
    int connects = 0;
    bool refuse = false;
    bool connectsHang = false;
    QList<int> hanging;
    int interrupts = 0;
    int waiting = 0; // statements hanging now
    int timeoutMs = 0;
    QList<qint64> attemptTimes;
    QElapsedTimer clock;

    void set(const std::function<void(Script&)>& change)
    {
        const std::lock_guard lock(mutex);
        change(*this);
        changed.notify_all();
    }
};

class ScriptedDriver : public Driver {
public:
    // The script lives as long as any driver: the link's threads may outlive the test.
    explicit ScriptedDriver(std::shared_ptr<Script> script) : keep_(script), script_(*script) {}
    SqlDialect Dialect() const override { return SqlDialect::SQLite; }
    void Connect() override
    {
        std::unique_lock lock(script_.mutex);
        script_.attemptTimes << script_.clock.elapsed();
        script_.changed.wait(lock, [&] { return !script_.connectsHang; });
        if (script_.refuse)
            throw EConnectionError(QStringLiteral("refused"));
        id_ = ++script_.connects;
    }
    void Disconnect() noexcept override { id_ = 0; }
    bool Connected() const override { return id_ > 0; }
    DriverResult Query(const QString&, const QStringList&) override
    {
        std::unique_lock lock(script_.mutex);
        ++script_.waiting;
        script_.changed.wait(lock, [&] { return !script_.hanging.contains(id_) || interrupted_; });
        --script_.waiting;
        if (interrupted_)
            throw EDatabaseError(QStringLiteral("interrupted"));
        return {{{QStringLiteral("connection"), DriverType::Integer}}, {{qlonglong(id_)}}};
    }
    qint64 Execute(const QString&, const QStringList&) override { return 0; }
    void Interrupt() noexcept override
    {
        script_.set([&](Script& s) {
            ++s.interrupts;
            interrupted_ = true;
        });
    }
    int StatementTimeoutMs() const override { return script_.timeoutMs; }

private:
    std::shared_ptr<Script> keep_;
    Script& script_;
    int id_ = 0;
    bool interrupted_ = false; // under the script's mutex
};

// A link on scripted drivers, with short times, and what it delivered.
struct LinkFixture {
    std::shared_ptr<Script> shared = std::make_shared<Script>();
    Script& script = *shared;
    QObject context;
    QList<StatementOutcome> outcomes;
    std::unique_ptr<BackgroundLink> link;

    explicit LinkFixture(bool connected = true)
    {
        script.clock.start();
        std::shared_ptr<Driver> first;
        if (connected) {
            first = std::make_shared<ScriptedDriver>(shared);
            first->Connect();
        }
        link = std::make_unique<BackgroundLink>(
            [s = shared] { return std::make_unique<ScriptedDriver>(s); }, first, &context,
            LinkTimings{100, 100, 100});
    }
    // Threads still hanging are let go.
    ~LinkFixture()
    {
        link->stop();
        script.set([](Script& s) {
            s.hanging.clear();
            s.connectsHang = false;
        });
    }
    void submit()
    {
        link->submitQuery(QStringLiteral("q"), {},
                          [this](StatementOutcome& outcome) { outcomes << outcome; });
    }
    static int connection(const StatementOutcome& outcome)
    {
        return outcome.failed ? -1 : outcome.result.rows.value(0).value(0).toInt();
    }
};

} // namespace

class TestBackgroundLink : public QObject {
    Q_OBJECT
private slots:
    void resultsComeInOrderAndTheCallerNeverWaits()
    {
        LinkFixture f;
        f.script.set([](Script& s) { s.hanging = {1}; });
        QElapsedTimer submitting;
        submitting.start();
        for (int i = 0; i < 3; ++i)
            f.submit();
        QVERIFY(submitting.elapsed() < 50);
        f.script.set([](Script& s) { s.hanging.clear(); });
        QTRY_COMPARE(f.outcomes.size(), 3);
        for (const StatementOutcome& o : f.outcomes)
            QCOMPARE(LinkFixture::connection(o), 1);
    }

    // A link that died without a word: a copy on a fresh connection answers instead, and
    // the fresh connection is the link from then on.
    void aHangingStatementIsAnsweredByACopy()
    {
        LinkFixture f;
        f.script.set([](Script& s) { s.hanging = {1}; });
        f.submit();
        QTRY_COMPARE(f.outcomes.size(), 1);
        QCOMPARE(LinkFixture::connection(f.outcomes[0]), 2);
        f.submit();
        QTRY_COMPARE(f.outcomes.size(), 2);
        QCOMPARE(LinkFixture::connection(f.outcomes[1]), 2);
        f.script.set([](Script& s) { s.hanging.clear(); }); // the old answer comes too late
        QTest::qWait(50);
        QCOMPARE(f.outcomes.size(), 2);
    }

    void aStatementUnansweredPastItsTimeoutFails()
    {
        LinkFixture f;
        f.script.set([](Script& s) {
            s.timeoutMs = 100;
            s.hanging = {1};
            s.connectsHang = true;
        });
        f.submit();
        QTRY_COMPARE(f.outcomes.size(), 1);
        QVERIFY(f.outcomes[0].failed && f.outcomes[0].linkLost);
        QCOMPARE(f.outcomes[0].error, QStringLiteral("Query timeout expired"));
        QVERIFY(f.link->status().down);
        f.script.set([](Script& s) { s.connectsHang = false; });
        QTRY_VERIFY(f.link->connected());
        QVERIFY(!f.link->status().down);
    }

    // A refused attempt fails the statement waiting for it; attempts go on, at least the
    // spacing apart, and the first that succeeds is the link.
    void refusedAttemptsAreSpacedAndTheFirstSuccessIsTheLink()
    {
        LinkFixture f(false);
        f.script.set([](Script& s) { s.refuse = true; });
        f.submit();
        QTRY_COMPARE(f.outcomes.size(), 1);
        QCOMPARE(f.outcomes[0].error, QStringLiteral("refused"));
        QVERIFY(f.link->status().down);
        QTRY_VERIFY(f.script.attemptTimes.size() >= 4);
        f.script.set([](Script& s) { s.refuse = false; });
        QTRY_VERIFY(f.link->connected());
        const QList<qint64> times = f.script.attemptTimes;
        for (int i = 1; i < times.size(); ++i)
            QVERIFY2(times[i] - times[i - 1] >= 95, qPrintable(QString::number(i)));
        f.submit();
        QTRY_COMPARE(f.outcomes.size(), 2);
        QVERIFY(!f.outcomes[1].failed);
    }

    void stopInterruptsAndDeliversNothingMore()
    {
        LinkFixture f;
        f.script.set([](Script& s) { s.hanging = {1, 2}; });
        f.submit();
        QTRY_COMPARE(f.script.waiting, 2); // the statement and its copy
        QElapsedTimer stopping;
        stopping.start();
        QVERIFY(!f.link->stop()); // the connection stays with the thread using it
        QVERIFY(stopping.elapsed() < 50);
        QTRY_COMPARE(f.script.interrupts, 1);
        QTest::qWait(150);
        QVERIFY(f.outcomes.isEmpty());
    }
};
TV_REGISTER_TEST(TestBackgroundLink);

#include "tst_background.moc"
