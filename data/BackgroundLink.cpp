#include "BackgroundLink.h"

#include "DBErrors.h"

#include <QMetaObject>
#include <QObject>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>

namespace {

constexpr qint64 kNever = std::numeric_limits<qint64>::max();

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

StatementOutcome failure(const QString& error, bool linkLost)
{
    StatementOutcome outcome;
    outcome.failed = true;
    outcome.error = error;
    outcome.linkLost = linkLost;
    return outcome;
}

StatementOutcome runStatement(Driver& driver, const QString& sql, const QStringList& params)
{
    StatementOutcome outcome;
    try {
        outcome.result = driver.Query(sql, params);
    } catch (const EDatabaseError& error) {
        outcome = failure(error.Message(), error.LinkLost());
    } catch (const std::exception& error) {
        outcome = failure(exceptionText(error), false);
    }
    return outcome;
}

} // namespace

// Everything the threads share. The mutex is never held across a driver call, so whoever
// takes it waits only for bookkeeping.
struct BackgroundLink::State : std::enable_shared_from_this<State> {
    struct Job {
        bool disconnect = false;
        QString sql;
        QStringList params;
        Done done;
    };
    struct InFlight {
        quint64 serial = 0;
        Job job;
        std::shared_ptr<Driver> driver;
        qint64 nextHedgeAt = kNever;
        qint64 deadline = kNever;
    };

    Factory factory;
    LinkTimings timings;

    mutable std::mutex mutex;
    std::condition_variable wake; // the runner and the supervisor wait on it
    QObject* context = nullptr;
    bool stopped = false;
    std::deque<Job> queue;

    std::shared_ptr<Driver> current;
    bool up = false;   // `current` is connected and usable
    bool down = false; // lost: attempts run until one succeeds
    QDateTime downSince;
    // A runner that hangs in the driver is replaced; the old one notices on return.
    quint64 generation = 0;
    bool runnerInDriver = false;
    std::optional<InFlight> inFlight;
    quint64 statementSerial = 0;

    // Connecting: attempts from `firstAttemptForWaiter` on count for the waiting runner.
    bool waiting = false;
    quint64 attemptSerial = 0;
    quint64 firstAttemptForWaiter = 0;
    bool waiterAttemptFailed = false;
    int attemptsRunning = 0; // reconnects, not copies of a statement
    bool lastAttemptFailed = false;
    QString lastConnectError;
    qint64 lastAttemptAt = std::numeric_limits<qint64>::min() / 2;
    int connects = 0;

    // All called with the mutex held.
    void deliver(const Done& done, StatementOutcome outcome);
    void markDown();
    void useConnection(std::shared_ptr<Driver> driver);
    void answerInstead(StatementOutcome outcome, std::shared_ptr<Driver> link);

    void startRunner();
    void runner(quint64 myGeneration);
    bool awaitConnection(std::unique_lock<std::mutex>& lock, quint64 myGeneration);
    void supervisor();
    void startAttempt(std::optional<InFlight> hedge);
    void attempt(quint64 serial, std::optional<InFlight> hedge);
    void attemptEnded(quint64 serial, std::unique_ptr<Driver> driver, bool connected,
                      const QString& connectError, const std::optional<InFlight>& hedge,
                      std::optional<StatementOutcome> hedgeOutcome);
};

void BackgroundLink::State::deliver(const Done& done, StatementOutcome outcome)
{
    if (stopped || !context || !done)
        return;
    QMetaObject::invokeMethod(
        context,
        [self = shared_from_this(), done, outcome]() mutable {
            {
                const std::lock_guard lock(self->mutex);
                if (self->stopped)
                    return;
            }
            done(outcome);
        },
        Qt::QueuedConnection);
}

void BackgroundLink::State::markDown()
{
    up = false;
    if (!down) {
        down = true;
        downSince = QDateTime::currentDateTime();
    }
    wake.notify_all();
}

void BackgroundLink::State::useConnection(std::shared_ptr<Driver> driver)
{
    current = std::move(driver);
    up = true;
    down = false;
}

// Answers the statement in flight in place of its runner, which is left to end alone with
// the old connection; `link` is the connection from now on (none: the link is down).
void BackgroundLink::State::answerInstead(StatementOutcome outcome, std::shared_ptr<Driver> link)
{
    const Done done = inFlight->job.done;
    inFlight.reset();
    ++generation;
    runnerInDriver = false;
    if (link)
        useConnection(std::move(link));
    else {
        current.reset();
        markDown();
    }
    deliver(done, std::move(outcome));
    startRunner();
}

void BackgroundLink::State::startRunner()
{
    std::thread([self = shared_from_this(), g = generation] { self->runner(g); }).detach();
}

void BackgroundLink::State::runner(quint64 myGeneration)
{
    std::unique_lock lock(mutex);
    const auto mine = [&] { return !stopped && generation == myGeneration; };
    for (;;) {
        wake.wait(lock, [&] { return !mine() || !queue.empty(); });
        if (!mine())
            return;
        Job job = std::move(queue.front());
        queue.pop_front();
        if (job.disconnect) {
            if (!up)
                continue;
            std::shared_ptr<Driver> driver = current;
            up = false;
            runnerInDriver = true;
            lock.unlock();
            driver->Disconnect();
            lock.lock();
            if (!mine()) {
                lock.unlock(); // the last reference may go with `driver`
                return;
            }
            runnerInDriver = false;
            continue;
        }
        if (!up && !awaitConnection(lock, myGeneration)) {
            if (!mine())
                return;
            deliver(job.done, failure(lastConnectError, true));
            continue;
        }
        std::shared_ptr<Driver> driver = current;
        const qint64 started = nowMs();
        const int timeout = driver->StatementTimeoutMs();
        inFlight = InFlight{++statementSerial, job, driver,
                            timings.hedgeAfterMs > 0 ? started + timings.hedgeAfterMs : kNever,
                            timeout > 0 ? started + timeout + timings.deadlineGraceMs : kNever};
        runnerInDriver = true;
        wake.notify_all(); // the supervisor times the copies and the deadline
        lock.unlock();
        StatementOutcome outcome = runStatement(*driver, job.sql, job.params);
        lock.lock();
        if (!mine()) {
            // A copy answered, the statement was given up, or the link stopped: the
            // connection may be no longer the link's, and then it goes with this thread.
            if (generation == myGeneration) {
                runnerInDriver = false;
                inFlight.reset();
            }
            lock.unlock();
            driver.reset();
            return;
        }
        runnerInDriver = false;
        inFlight.reset();
        if (outcome.failed && outcome.linkLost)
            markDown();
        deliver(job.done, std::move(outcome));
    }
}

bool BackgroundLink::State::awaitConnection(std::unique_lock<std::mutex>& lock,
                                            quint64 myGeneration)
{
    waiting = true;
    firstAttemptForWaiter = attemptSerial + 1;
    waiterAttemptFailed = false;
    wake.notify_all(); // the supervisor starts an attempt as soon as the spacing allows
    wake.wait(lock,
              [&] { return stopped || generation != myGeneration || up || waiterAttemptFailed; });
    waiting = false;
    return !stopped && generation == myGeneration && up;
}

void BackgroundLink::State::supervisor()
{
    std::unique_lock lock(mutex);
    while (!stopped) {
        const qint64 now = nowMs();
        qint64 next = kNever;
        if ((waiting || down) && !up) {
            // The first attempt goes at once; while one hangs or after one failed, the next
            // keeps the spacing.
            const bool first = attemptsRunning == 0 && !lastAttemptFailed;
            if (first || now >= lastAttemptAt + timings.attemptSpacingMs) {
                lastAttemptAt = now;
                startAttempt(std::nullopt);
            }
            next = std::min(next, lastAttemptAt + timings.attemptSpacingMs);
        }
        if (inFlight) {
            if (now >= inFlight->deadline) {
                // The driver gave up long ago and still waits for the server: fail the
                // statement now and let its thread finish alone.
                answerInstead(failure(QStringLiteral("Query timeout expired"), true), nullptr);
                continue;
            }
            if (now >= inFlight->nextHedgeAt) {
                inFlight->nextHedgeAt = now + timings.attemptSpacingMs;
                startAttempt(*inFlight);
            }
            next = std::min({next, inFlight->nextHedgeAt, inFlight->deadline});
        }
        if (next == kNever)
            wake.wait(lock);
        else
            wake.wait_for(lock, std::chrono::milliseconds(next - now));
    }
}

void BackgroundLink::State::startAttempt(std::optional<InFlight> hedge)
{
    const quint64 serial = ++attemptSerial;
    if (!hedge)
        ++attemptsRunning;
    std::thread([self = shared_from_this(), serial, hedge = std::move(hedge)] {
        self->attempt(serial, hedge);
    }).detach();
}

void BackgroundLink::State::attempt(quint64 serial, std::optional<InFlight> hedge)
{
    std::unique_ptr<Driver> driver;
    bool connected = false;
    QString connectError;
    std::optional<StatementOutcome> hedgeOutcome;
    try {
        driver = factory();
        driver->Connect();
        connected = true;
    } catch (const std::exception& error) {
        connectError = exceptionText(error);
    }
    if (connected && hedge)
        hedgeOutcome = runStatement(*driver, hedge->job.sql, hedge->job.params);
    attemptEnded(serial, std::move(driver), connected, connectError, hedge,
                 std::move(hedgeOutcome));
}

void BackgroundLink::State::attemptEnded(quint64 serial, std::unique_ptr<Driver> driver,
                                         bool connected, const QString& connectError,
                                         const std::optional<InFlight>& hedge,
                                         std::optional<StatementOutcome> hedgeOutcome)
{
    std::shared_ptr<Driver> unused; // freed after the mutex is released
    {
        const std::lock_guard lock(mutex);
        if (connected)
            ++connects;
        if (!hedge) {
            --attemptsRunning;
            lastAttemptFailed = !connected;
        }
        const bool answered = hedgeOutcome && !(hedgeOutcome->failed && hedgeOutcome->linkLost);
        if (!stopped && answered && inFlight && inFlight->serial == hedge->serial) {
            // The copy answered first: its connection is the link from now on.
            answerInstead(std::move(*hedgeOutcome), std::move(driver));
        } else if (!stopped && connected && !up && !runnerInDriver &&
                   !(hedgeOutcome && hedgeOutcome->failed)) {
            useConnection(std::move(driver));
        } else {
            if (!connected) {
                lastConnectError = connectError;
                if (waiting && serial >= firstAttemptForWaiter)
                    waiterAttemptFailed = true;
                if (!hedge)
                    markDown();
            }
            unused = std::move(driver);
        }
        wake.notify_all();
    }
}

BackgroundLink::BackgroundLink(Factory factory, std::shared_ptr<Driver> driver, QObject* context,
                               const LinkTimings& timings)
    : state_(std::make_shared<State>())
{
    state_->factory = std::move(factory);
    state_->timings = timings;
    state_->context = context;
    state_->up = driver && driver->Connected();
    state_->current = std::move(driver);
    state_->startRunner();
    std::thread([self = state_] { self->supervisor(); }).detach();
}

BackgroundLink::~BackgroundLink()
{
    stop();
}

void BackgroundLink::submitQuery(const QString& sql, const QStringList& params, Done done)
{
    const std::lock_guard lock(state_->mutex);
    state_->queue.push_back({false, sql, params, std::move(done)});
    state_->wake.notify_all();
}

void BackgroundLink::submitDisconnect()
{
    const std::lock_guard lock(state_->mutex);
    state_->queue.push_back({true, {}, {}, {}});
    state_->wake.notify_all();
}

std::shared_ptr<Driver> BackgroundLink::stop()
{
    const std::lock_guard lock(state_->mutex);
    State& s = *state_;
    if (s.stopped)
        return {};
    s.stopped = true;
    s.context = nullptr;
    s.queue.clear();
    std::shared_ptr<Driver> handedBack;
    if (s.inFlight) {
        // A cancel may itself wait on the network: never here.
        std::thread([driver = s.inFlight->driver] { driver->Interrupt(); }).detach();
    } else if (!s.runnerInDriver) {
        handedBack = std::move(s.current);
    }
    s.current.reset();
    s.wake.notify_all();
    return handedBack;
}

bool BackgroundLink::connected() const
{
    const std::lock_guard lock(state_->mutex);
    return state_->up;
}

int BackgroundLink::connectCount() const
{
    const std::lock_guard lock(state_->mutex);
    return state_->connects;
}

LinkStatus BackgroundLink::status() const
{
    const std::lock_guard lock(state_->mutex);
    return {state_->down, state_->downSince};
}
