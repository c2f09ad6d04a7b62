#include "BackgroundLink.h"

#include "DBErrors.h"
#include "Shell.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHash>
#include <QObject>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>

namespace {

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

StatementOutcome runStatement(Driver& driver, const QString& sql, const QStringList& params)
{
    StatementOutcome outcome;
    try {
        outcome.result = driver.query(sql, params);
    } catch (const EDatabaseError& error) {
        outcome.failed = true;
        outcome.error = error.message();
        outcome.linkLost = error.linkLost();
    } catch (const std::exception& error) {
        outcome.failed = true;
        outcome.error = exceptionText(error);
    }
    return outcome;
}

// A copy that shares nothing with the caller's string, so that the two threads never meet in
// one reference count.
QString ownCopy(const QString& text)
{
    return text.isNull() ? QString() : QString(text.constData(), text.size());
}

QStringList ownCopies(const QStringList& texts)
{
    QStringList copies;
    copies.reserve(texts.size());
    for (const QString& text : texts)
        copies << ownCopy(text);
    return copies;
}

const QEvent::Type kResultsWaiting = QEvent::Type(QEvent::registerEventType());

} // namespace

// Everything the link's threads share, under one mutex. No driver call is made while it is held.
struct BackgroundLink::State : std::enable_shared_from_this<State> {
    struct Session {
        std::thread thread;
        std::shared_ptr<Driver> driver;
        std::deque<LinkJob> jobs;
        bool close = false;
    };

    State(Factory factory, const LinkTimings& timings, int statementTimeoutMs)
        : factory(std::move(factory)), machine(timings, statementTimeoutMs)
    {
    }

    Factory factory;
    mutable std::mutex mutex;
    std::condition_variable changed;
    LinkMachine machine;
    std::map<SessionId, Session> sessions;
    std::vector<std::shared_ptr<Driver>> toInterrupt; // cancelled by the supervisor
    std::vector<std::thread> toJoin;                  // sessions that have ended
    std::deque<std::pair<LinkTicket, StatementOutcome>> outbox;
    QObject* receiver = nullptr; // none once stopped
    bool supervisorDone = false;

    // All with the mutex held.
    void apply(LinkActions actions);
    void startSession(SessionId id, std::shared_ptr<Driver> driver);

    void sessionMain(SessionId id);
    void supervise();
};

// Holds what the submitters handed over, on their thread, and hands the results to them.
class LinkReceiver : public QObject {
public:
    explicit LinkReceiver(std::shared_ptr<BackgroundLink::State> state) : state_(std::move(state))
    {
    }

    void hold(LinkTicket ticket, BackgroundLink::Done done)
    {
        waiting_.insert(ticket, std::move(done));
    }
    void release(LinkTicket ticket) { waiting_.remove(ticket); }
    void releaseAll()
    {
        stopped_ = true;
        waiting_.clear();
    }

protected:
    // The one event posted here says that results are waiting. It is left unread: it comes
    // from a link thread, through Qt's queue.
    void customEvent(QEvent*) override
    {
        std::deque<std::pair<LinkTicket, StatementOutcome>> results;
        {
            const std::lock_guard lock(state_->mutex);
            results.swap(state_->outbox);
        }
        for (auto& [ticket, outcome] : results) {
            // A handler may stop the link (a box's own event loop closes the window).
            if (stopped_)
                break;
            const auto it = waiting_.find(ticket);
            if (it == waiting_.end())
                continue;
            const BackgroundLink::Done done = std::move(it.value());
            waiting_.erase(it);
            guarded([&] { done(outcome); });
        }
    }

private:
    std::shared_ptr<BackgroundLink::State> state_;
    QHash<LinkTicket, BackgroundLink::Done> waiting_;
    bool stopped_ = false;
};

void BackgroundLink::State::apply(LinkActions actions)
{
    for (LinkAction& a : actions) {
        switch (a.kind) {
        case LinkAction::Kind::Connect:
            startSession(a.session, nullptr);
            break;
        case LinkAction::Kind::Run:
            sessions[a.session].jobs.push_back(std::move(a.job));
            break;
        case LinkAction::Kind::Interrupt:
            if (const auto it = sessions.find(a.session); it != sessions.end() && it->second.driver)
                toInterrupt.push_back(it->second.driver);
            break;
        case LinkAction::Kind::Close:
            sessions[a.session].close = true;
            break;
        case LinkAction::Kind::Deliver:
            if (!receiver)
                break;
            outbox.emplace_back(a.job.ticket, std::move(a.outcome));
            if (outbox.size() == 1)
                QCoreApplication::postEvent(receiver, new QEvent(kResultsWaiting));
            break;
        }
    }
    changed.notify_all();
}

void BackgroundLink::State::startSession(SessionId id, std::shared_ptr<Driver> driver)
{
    Session& session = sessions[id];
    session.driver = std::move(driver);
    session.thread = std::thread([self = shared_from_this(), id] { self->sessionMain(id); });
}

// One connection's thread: connects when it has no connection yet, runs what it is given,
// and disconnects when it is closed.
void BackgroundLink::State::sessionMain(SessionId id)
{
    std::unique_lock lock(mutex);
    Session& session = sessions[id];
    if (!session.driver) {
        lock.unlock();
        std::shared_ptr<Driver> driver;
        QString error;
        try {
            driver = factory();
            driver->connect();
        } catch (const std::exception& e) {
            error = exceptionText(e);
            driver.reset();
        }
        lock.lock();
        if (driver) {
            session.driver = driver;
            apply(machine.connected(id, nowMs()));
        } else {
            apply(machine.connectFailed(id, error, nowMs()));
            session.close = true;
        }
    }
    for (;;) {
        changed.wait(lock, [&] { return session.close || !session.jobs.empty(); });
        if (session.close)
            break;
        LinkJob job = std::move(session.jobs.front());
        session.jobs.pop_front();
        const std::shared_ptr<Driver> driver = session.driver;
        lock.unlock();
        StatementOutcome outcome = runStatement(*driver, job.sql, job.params);
        job = {};
        lock.lock();
        apply(machine.answered(id, std::move(outcome), nowMs()));
    }
    std::shared_ptr<Driver> driver = std::move(session.driver);
    lock.unlock();
    if (driver)
        driver->disconnect();
    driver.reset();
    lock.lock();
    toJoin.push_back(std::move(session.thread));
    sessions.erase(id); // `session` is gone from here on
    apply(machine.ended(id, nowMs()));
}

// The link's own thread: keeps the time of the machine, cancels what it gave up, and joins the
// sessions that have ended; once stopped, it ends after the last of them.
void BackgroundLink::State::supervise()
{
    std::unique_lock lock(mutex);
    for (;;) {
        if (!toInterrupt.empty()) {
            // A cancel may itself wait on the network.
            std::vector<std::shared_ptr<Driver>> drivers;
            drivers.swap(toInterrupt);
            lock.unlock();
            for (const std::shared_ptr<Driver>& driver : drivers)
                driver->interrupt();
            drivers.clear();
            lock.lock();
            continue;
        }
        if (!toJoin.empty()) {
            std::vector<std::thread> threads;
            threads.swap(toJoin);
            lock.unlock();
            for (std::thread& thread : threads)
                thread.join();
            lock.lock();
            continue;
        }
        if (machine.state() == LinkMachine::State::Stopped && sessions.empty())
            break;
        const qint64 now = nowMs();
        const qint64 due = machine.nextTimeout();
        if (due <= now) {
            apply(machine.timePassed(now));
            continue;
        }
        if (due == LinkMachine::kNever)
            changed.wait(lock);
        else
            changed.wait_for(lock, std::chrono::milliseconds(due - now));
    }
    supervisorDone = true;
    changed.notify_all();
}

BackgroundLink::BackgroundLink(Factory factory, std::shared_ptr<Driver> driver,
                               const LinkTimings& timings)
{
    // The driver's own limits: an unconnected one costs nothing to make.
    std::shared_ptr<Driver> limits = driver ? driver : std::shared_ptr<Driver>(factory());
    const int statementTimeoutMs = limits->statementTimeoutMs();
    joinBoundMs_ = std::max(statementTimeoutMs, limits->loginTimeoutMs()) + timings.deadlineGraceMs;
    limits.reset();

    state_ = std::make_shared<State>(std::move(factory), timings, statementTimeoutMs);
    receiver_ = std::make_unique<LinkReceiver>(state_);
    const std::lock_guard lock(state_->mutex);
    state_->receiver = receiver_.get();
    if (driver && driver->connected()) {
        state_->machine.adopt(nowMs());
        state_->startSession(state_->machine.current(), std::move(driver));
    }
    supervisor_ = std::thread([self = state_] { self->supervise(); });
}

BackgroundLink::~BackgroundLink()
{
    stop();
    std::unique_lock lock(state_->mutex);
    const bool ended = state_->changed.wait_for(lock, std::chrono::milliseconds(joinBoundMs_),
                                                [&] { return state_->supervisorDone; });
    lock.unlock();
    if (ended) {
        supervisor_.join();
        return;
    }
    // A driver that outlived its own timeouts: its thread keeps what it uses alive and ends
    // with the process.
    std::fprintf(stderr, "tallyvane: a database call did not end within %d ms of the link's stop\n",
                 joinBoundMs_);
    supervisor_.detach();
}

LinkTicket BackgroundLink::submitQuery(const QString& sql, const QStringList& params, Done done)
{
    const LinkTicket ticket = ++lastTicket_;
    receiver_->hold(ticket, std::move(done));
    LinkJob job{LinkJob::Kind::Statement, ticket, ownCopy(sql), ownCopies(params)};
    const std::lock_guard lock(state_->mutex);
    state_->apply(state_->machine.submit(std::move(job), nowMs()));
    return ticket;
}

void BackgroundLink::withdraw(LinkTicket ticket)
{
    receiver_->release(ticket);
    const std::lock_guard lock(state_->mutex);
    state_->machine.withdraw(ticket);
}

void BackgroundLink::submitDisconnect()
{
    const std::lock_guard lock(state_->mutex);
    state_->apply(state_->machine.submit({LinkJob::Kind::Disconnect, 0, {}, {}}, nowMs()));
}

void BackgroundLink::stop()
{
    std::deque<std::pair<LinkTicket, StatementOutcome>> undelivered;
    {
        const std::lock_guard lock(state_->mutex);
        if (!state_->receiver)
            return;
        state_->receiver = nullptr;
        undelivered.swap(state_->outbox);
        state_->apply(state_->machine.stop());
    }
    receiver_->releaseAll();
}

bool BackgroundLink::finished() const
{
    const std::lock_guard lock(state_->mutex);
    return state_->supervisorDone;
}

bool BackgroundLink::connected() const
{
    const std::lock_guard lock(state_->mutex);
    const LinkMachine::State s = state_->machine.state();
    return s == LinkMachine::State::Up || s == LinkMachine::State::Suspect ||
           s == LinkMachine::State::Slow;
}

int BackgroundLink::connectCount() const
{
    const std::lock_guard lock(state_->mutex);
    return state_->machine.connects();
}

LinkStatus BackgroundLink::status() const
{
    const std::lock_guard lock(state_->mutex);
    if (!state_->machine.down())
        return {};
    return {true, QDateTime::currentDateTime().addMSecs(state_->machine.downSince() - nowMs())};
}

LinkMachine::State BackgroundLink::machineState() const
{
    const std::lock_guard lock(state_->mutex);
    return state_->machine.state();
}
