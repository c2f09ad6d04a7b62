#include "BackgroundLink.h"
#include "DBErrors.h"
#include "TestRegistry.h"
#include "ThreadCount.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <condition_variable>
#include <mutex>

namespace {

// What the drivers of one test do, under one mutex: connections are numbered as they connect;
// statements answer with the number of their connection after `delayMs`, or hang while their
// connection is listed in `hanging` (until released or interrupted).
struct Script {
    struct Values {
        int connects = 0;
        bool refuse = false;
        bool connectsHang = false;
        QList<int> hanging;
        int delayMs = 0;
        int statements = 0;
        int interrupts = 0;
        int waiting = 0; // statements hanging now
        int timeoutMs = 0;
        QList<qint64> attemptTimes;
    };
    mutable std::mutex mutex;
    std::condition_variable changed;
    Values values;
    QElapsedTimer clock;

    Script() { clock.start(); }
    void set(const std::function<void(Values&)>& change)
    {
        const std::lock_guard lock(mutex);
        change(values);
        changed.notify_all();
    }
    // A copy that shares no list with the script, so that no thread meets another in a
    // reference count afterwards.
    Values get() const
    {
        const std::lock_guard lock(mutex);
        Values copy = values;
        copy.hanging.detach();
        copy.attemptTimes.detach();
        return copy;
    }
};

class ScriptedDriver : public Driver {
public:
    // The script lives as long as any driver: the link's threads may outlive the test's scope.
    explicit ScriptedDriver(std::shared_ptr<Script> script) : script_(std::move(script)) {}
    SqlDialect dialect() const override { return SqlDialect::SQLite; }
    void connect() override
    {
        std::unique_lock lock(script_->mutex);
        Script::Values& v = script_->values;
        v.attemptTimes << script_->clock.elapsed();
        script_->changed.wait(lock, [&] { return !v.connectsHang; });
        if (v.refuse)
            throw EConnectionError(QStringLiteral("refused"));
        id_ = ++v.connects;
    }
    void disconnect() noexcept override { id_ = 0; }
    bool connected() const override { return id_ > 0; }
    DriverResult query(const QString&, const QStringList&) override
    {
        std::unique_lock lock(script_->mutex);
        Script::Values& v = script_->values;
        ++v.statements;
        ++v.waiting;
        const auto answerAt =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(v.delayMs);
        script_->changed.wait_until(lock, answerAt, [&] { return interrupted_; });
        script_->changed.wait(lock, [&] { return !v.hanging.contains(id_) || interrupted_; });
        --v.waiting;
        if (interrupted_)
            throw EDatabaseError(QStringLiteral("interrupted"), true);
        return {{{QStringLiteral("connection"), DriverType::Integer}}, {{qlonglong(id_)}}};
    }
    qint64 execute(const QString&, const QStringList&) override { return 0; }
    void interrupt() noexcept override
    {
        script_->set([&](Script::Values& v) {
            ++v.interrupts;
            interrupted_ = true;
        });
    }
    int statementTimeoutMs() const override { return script_->get().timeoutMs; }

private:
    std::shared_ptr<Script> script_;
    int id_ = 0;
    bool interrupted_ = false; // under the script's mutex
};

// A link on scripted drivers, with short times, and what it delivered.
struct LinkFixture {
    std::shared_ptr<Script> script = std::make_shared<Script>();
    QList<StatementOutcome> outcomes;
    std::unique_ptr<BackgroundLink> link;

    explicit LinkFixture(bool connected = true, int timeoutMs = 0)
    {
        script->values.timeoutMs = timeoutMs;
        std::shared_ptr<Driver> first;
        if (connected) {
            first = std::make_shared<ScriptedDriver>(script);
            first->connect();
        }
        link = std::make_unique<BackgroundLink>(
            [s = script] { return std::make_unique<ScriptedDriver>(s); }, first,
            LinkTimings{100, 100, 200, 100});
    }
    // Threads still hanging are let go first, so that the link's end need not wait for them.
    ~LinkFixture()
    {
        link->stop();
        script->set([](Script::Values& v) {
            v.hanging.clear();
            v.connectsHang = false;
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

// The link's threads with drivers that do as a test says.
class TestBackgroundLink : public QObject {
    Q_OBJECT
private slots:
    void resultsComeInOrderAndTheCallerNeverWaits()
    {
        LinkFixture f;
        f.script->set([](Script::Values& v) { v.hanging = {1}; });
        QElapsedTimer submitting;
        submitting.start();
        for (int i = 0; i < 3; ++i)
            f.submit();
        QVERIFY(submitting.elapsed() < 50);
        f.script->set([](Script::Values& v) { v.hanging.clear(); });
        QTRY_COMPARE(f.outcomes.size(), 3);
        for (const StatementOutcome& o : f.outcomes)
            QCOMPARE(LinkFixture::connection(o), 1);
    }

    // A slow server takes the probe's login: the statements are waited for, never sent twice,
    // and the slow episode costs one login.
    void aSlowServerGetsOneProbeAndNoCopy()
    {
        LinkFixture f;
        f.script->set([](Script::Values& v) { v.delayMs = 400; });
        for (int i = 0; i < 3; ++i) {
            f.submit();
            QTRY_COMPARE(f.outcomes.size(), i + 1);
            QCOMPARE(LinkFixture::connection(f.outcomes[i]), 1);
        }
        const Script::Values v = f.script->get();
        QCOMPARE(v.statements, 3);
        QCOMPARE(v.connects, 2); // the first connection and the probe
        QCOMPARE(f.link->machineState(), LinkMachine::State::Slow);
        QVERIFY(!f.link->status().down);
    }

    // A link that died without a word: the probe is refused, and once the server takes a
    // login again the statement goes out on the fresh connection, which answers; the one
    // left hanging is cancelled.
    void aDeadLinksStatementIsCopiedOntoAFreshConnection()
    {
        LinkFixture f;
        f.script->set([](Script::Values& v) {
            v.hanging = {1};
            v.refuse = true;
        });
        f.submit();
        QTRY_VERIFY(f.link->status().down);
        QVERIFY(f.outcomes.isEmpty());
        f.script->set([](Script::Values& v) { v.refuse = false; });
        QTRY_COMPARE(f.outcomes.size(), 1);
        QCOMPARE(LinkFixture::connection(f.outcomes[0]), 2);
        QTRY_COMPARE(f.script->get().interrupts, 1);
        QVERIFY(!f.link->status().down);
        f.submit();
        QTRY_COMPARE(f.outcomes.size(), 2);
        QCOMPARE(LinkFixture::connection(f.outcomes[1]), 2);
        QCOMPARE(f.script->get().statements, 3);
    }

    void aStatementUnansweredPastItsDeadlineFails()
    {
        LinkFixture f(true, 100);
        f.script->set([](Script::Values& v) {
            v.hanging = {1};
            v.connectsHang = true;
        });
        f.submit();
        QTRY_COMPARE(f.outcomes.size(), 1);
        QVERIFY(f.outcomes[0].failed && f.outcomes[0].linkLost);
        QCOMPARE(f.outcomes[0].error, QStringLiteral("Query timeout expired"));
        QVERIFY(f.link->status().down); // the probe never logged in
        f.script->set([](Script::Values& v) { v.connectsHang = false; });
        QTRY_VERIFY(f.link->connected());
        QVERIFY(!f.link->status().down);
    }

    // A refused attempt fails the statement waiting for it; attempts go on, one at a time and
    // at least the spacing apart, and the first that succeeds is the link.
    void refusedAttemptsAreSpacedAndTheFirstSuccessIsTheLink()
    {
        LinkFixture f(false);
        f.script->set([](Script::Values& v) { v.refuse = true; });
        f.submit();
        QTRY_COMPARE(f.outcomes.size(), 1);
        QCOMPARE(f.outcomes[0].error, QStringLiteral("refused"));
        QVERIFY(f.link->status().down);
        QTRY_VERIFY(f.script->get().attemptTimes.size() >= 4);
        f.script->set([](Script::Values& v) { v.refuse = false; });
        QTRY_VERIFY(f.link->connected());
        const QList<qint64> times = f.script->get().attemptTimes;
        for (int i = 1; i < times.size(); ++i)
            QVERIFY2(times[i] - times[i - 1] >= 80,
                     qPrintable(QString::number(i))); // less a thread's start
        f.submit();
        QTRY_COMPARE(f.outcomes.size(), 2);
        QVERIFY(!f.outcomes[1].failed);
        QCOMPARE(f.script->get().connects, 1);
    }

    // What the caller handed over (the window's continuation with its bookmarks) is released
    // by stop, on the caller's thread, and never reaches it afterwards; the link's threads end
    // within its bound.
    void stopReleasesWhatWasHandedOverAndTheThreadsEnd()
    {
        const int threadsBefore = runningThreads();
        auto f = std::make_unique<LinkFixture>();
        f->script->set([](Script::Values& v) { v.hanging = {1, 2}; });
        auto releasedOn = std::make_shared<Qt::HANDLE>(nullptr);
        struct Captured {
            std::shared_ptr<Qt::HANDLE> releasedOn;
            ~Captured() { *releasedOn = QThread::currentThreadId(); }
        };
        auto captured = std::make_shared<Captured>(Captured{releasedOn});
        bool delivered = false;
        f->link->submitQuery(QStringLiteral("q"), {},
                             [captured, &delivered](StatementOutcome&) { delivered = true; });
        captured.reset();
        QTRY_COMPARE(f->script->get().waiting, 1);
        QElapsedTimer stopping;
        stopping.start();
        f->link->stop();
        QVERIFY(stopping.elapsed() < 50);
        QCOMPARE(*releasedOn, QThread::currentThreadId());
        QTRY_COMPARE(f->script->get().interrupts, 1);
        QTRY_VERIFY(f->link->finished());
        f.reset();
        QTest::qWait(150);
        QVERIFY(!delivered);
        QCOMPARE(runningThreads(), threadsBefore);
    }
};
TV_REGISTER_TEST(TestBackgroundLink);

#include "tst_background.moc"
