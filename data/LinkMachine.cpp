#include "LinkMachine.h"

#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcLink, "tallyvane.link", QtWarningMsg)

namespace {

StatementOutcome failure(const QString& error, bool linkLost)
{
    StatementOutcome outcome;
    outcome.failed = true;
    outcome.error = error;
    outcome.linkLost = linkLost;
    return outcome;
}

LinkAction action(LinkAction::Kind kind, SessionId session, const LinkJob& job = {})
{
    return LinkAction{kind, session, job, {}};
}

} // namespace

const char* LinkMachine::stateName(State state)
{
    static const char* const names[] = {"Closed", "Up", "Suspect", "Slow", "Down", "Stopped"};
    return names[int(state)];
}

void LatencyMemory::record(const QString& sql, qint64 ms)
{
    auto it = answers_.find(sql);
    if (it == answers_.end()) {
        if (order_.size() >= kStatements) {
            answers_.remove(order_.front());
            order_.pop_front();
        }
        order_.push_back(sql);
        it = answers_.insert(sql, {});
    }
    it->push_back(ms);
    if (it->size() > kKept)
        it->pop_front();
}

qint64 LatencyMemory::slowest(const QString& sql) const
{
    const auto it = answers_.constFind(sql);
    return it == answers_.cend() || it->empty() ? 0 : *std::max_element(it->begin(), it->end());
}

LinkMachine::LinkMachine(const LinkTimings& timings, int statementTimeoutMs)
    : timings_(timings), statementTimeoutMs_(statementTimeoutMs)
{
}

void LinkMachine::enter(State state, qint64 now, const QString& cause)
{
    if (state != state_)
        qCDebug(lcLink, "%s -> %s", stateName(state_), stateName(state));
    // An outage is told as it begins and as it ends, for whoever reads the journal.
    if (state_ == State::Down && state != State::Down && state != State::Stopped)
        qCWarning(lcLink, "the connection to the server is back after %.1f s",
                  double(now - downSince_) / 1000.0);
    if (state == State::Down && state_ != State::Down) {
        qCWarning(lcLink, "the connection to the server is lost: %s",
                  qUtf8Printable(cause.isEmpty() ? QStringLiteral("no cause given") : cause));
        downSince_ = now;
        // Every connection the link had is presumed gone with it.
        for (auto& [id, session] : sessions_)
            if (!session.connecting)
                session.dead = true;
    }
    state_ = state;
}

LinkActions LinkMachine::adopt(qint64 now)
{
    current_ = nextSession_++;
    sessions_[current_] = Session{};
    enter(State::Up, now);
    return {};
}

LinkActions LinkMachine::submit(LinkJob job, qint64 now)
{
    LinkActions actions;
    if (state_ == State::Stopped)
        return actions;
    queue_.push_back(std::move(job));
    pump(now, actions);
    return actions;
}

void LinkMachine::withdraw(LinkTicket ticket)
{
    std::erase_if(queue_, [&](const LinkJob& job) {
        return job.kind == LinkJob::Kind::Statement && job.ticket == ticket;
    });
}

// Starts what the queue asks for, as far as the connection and the statements at the server
// allow.
void LinkMachine::pump(qint64 now, LinkActions& actions)
{
    while (state_ != State::Stopped && !pending_ && !queue_.empty()) {
        const LinkJob& job = queue_.front();
        if (job.kind == LinkJob::Kind::Disconnect) {
            // No query is open: the connection is not kept for its own sake.
            if (current_)
                giveUp(current_, false, actions);
            if (spare_)
                giveUp(spare_, false, actions);
            if (state_ != State::Down)
                enter(State::Closed, now);
            queue_.pop_front();
            continue;
        }
        if (!current_) {
            // Connecting goes ahead even while the statement still has to wait.
            if (!attempt_ && now >= nextAttemptAt())
                startAttempt(false, now, actions);
            return;
        }
        if (!mayStartStatement())
            return;
        run(current_, job, now, actions);
        queue_.pop_front();
        return;
    }
}

bool LinkMachine::mayStartStatement() const
{
    int live = 0, dead = 0;
    for (const auto& [id, session] : sessions_)
        if (session.inStatement)
            ++(session.dead ? dead : live);
    return live == 0 && dead <= 1;
}

void LinkMachine::run(SessionId session, const LinkJob& job, qint64 now, LinkActions& actions)
{
    Pending pending;
    pending.job = job;
    pending.original = session;
    pending.startedAt = now;
    if (state_ == State::Up)
        pending.probeAt = now + probeDelay(job.sql);
    if (statementTimeoutMs_ > 0)
        pending.deadline = now + statementTimeoutMs_ + timings_.deadlineGraceMs;
    pending_ = pending;
    sessions_[session].inStatement = true;
    actions.push_back(action(LinkAction::Kind::Run, session, job));
}

qint64 LinkMachine::probeDelay(const QString& sql) const
{
    return std::max<qint64>(timings_.probeAfterMs, 2 * latency_.slowest(sql));
}

void LinkMachine::startAttempt(bool probe, qint64 now, LinkActions& actions)
{
    attempt_ = nextSession_++;
    sessions_[attempt_].connecting = true;
    attemptIsProbe_ = probe;
    attemptStartedAt_ = now;
    actions.push_back(action(LinkAction::Kind::Connect, attempt_));
}

// The first attempt goes at once; after a failed one the next keeps the spacing.
qint64 LinkMachine::nextAttemptAt() const
{
    return lastAttemptFailed_ ? attemptStartedAt_ + timings_.attemptSpacingMs
                              : std::numeric_limits<qint64>::min();
}

bool LinkMachine::needsConnection() const
{
    if (state_ == State::Down)
        return true;
    return !current_ && !pending_ && !queue_.empty() &&
           queue_.front().kind == LinkJob::Kind::Statement;
}

void LinkMachine::giveUp(SessionId session, bool dead, LinkActions& actions)
{
    const auto it = sessions_.find(session);
    if (it == sessions_.end() || it->second.closing)
        return;
    it->second.closing = true;
    it->second.dead = it->second.dead || dead;
    if (it->second.inStatement)
        actions.push_back(action(LinkAction::Kind::Interrupt, session));
    actions.push_back(action(LinkAction::Kind::Close, session));
    if (current_ == session)
        current_ = 0;
    if (spare_ == session)
        spare_ = 0;
    if (attempt_ == session)
        attempt_ = 0;
}

// The probe did not log in: the statement's connection is presumed dead, though it may still
// answer; the probe goes on as an ordinary attempt.
void LinkMachine::judgeDead(qint64 now, const QString& cause)
{
    if (pending_ && current_ == pending_->original)
        current_ = 0;
    attemptIsProbe_ = false;
    enter(State::Down, now, cause);
}

QString LinkMachine::unansweredCause(qint64 now) const
{
    return QStringLiteral("a statement unanswered for %1 s, and no fresh login in %2 s")
        .arg(double(now - (pending_ ? pending_->startedAt : now)) / 1000.0, 0, 'f', 1)
        .arg(double(now - attemptStartedAt_) / 1000.0, 0, 'f', 1);
}

void LinkMachine::failDeadline(qint64 now, LinkActions& actions)
{
    const QString cause = unansweredCause(now);
    const Pending pending = *pending_;
    pending_.reset();
    latency_.record(pending.job.sql, now - pending.startedAt);
    if (state_ == State::Suspect && attemptIsProbe_)
        judgeDead(now, cause); // the probe has not logged in all this time either
    const bool dead = state_ == State::Down;
    giveUp(pending.original, dead, actions);
    if (pending.copy)
        giveUp(pending.copy, dead, actions);
    if (!dead) {
        // Nothing said the link was dead: the server is alive and slow, and the statement
        // still counts at the server until its call has returned.
        if (spare_) {
            current_ = spare_;
            spare_ = 0;
        }
        enter(State::Slow, now);
    }
    deliver(pending.job, failure(QStringLiteral("Query timeout expired"), true), actions);
}

void LinkMachine::deliver(const LinkJob& job, StatementOutcome outcome, LinkActions& actions)
{
    LinkAction delivery = action(LinkAction::Kind::Deliver, 0);
    delivery.job.ticket = job.ticket;
    delivery.outcome = std::move(outcome);
    actions.push_back(std::move(delivery));
}

LinkActions LinkMachine::connected(SessionId session, qint64 now)
{
    LinkActions actions;
    const auto it = sessions_.find(session);
    if (it == sessions_.end())
        return actions;
    it->second.connecting = false;
    const bool probe = session == attempt_ && attemptIsProbe_;
    if (session == attempt_) {
        attempt_ = 0;
        attemptIsProbe_ = false;
        lastAttemptFailed_ = false;
    }
    ++connects_;
    if (state_ == State::Stopped || it->second.closing)
        return actions;
    if (probe && state_ == State::Suspect) {
        // The server took a login while the statement waits: it is alive and slow. The
        // statement is waited for, and the probe's connection kept in reserve.
        spare_ = session;
        enter(State::Slow, now);
        return actions;
    }
    if (!current_) {
        current_ = session;
        if (state_ != State::Slow)
            enter(State::Up, now);
        if (pending_ && !pending_->copy && sessions_[pending_->original].dead) {
            // The statement left on the dead connection goes out again on this one; the first
            // answer counts.
            pending_->copy = session;
            it->second.inStatement = true;
            actions.push_back(action(LinkAction::Kind::Run, session, pending_->job));
        }
        pump(now, actions);
        return actions;
    }
    // A working connection is never replaced.
    giveUp(session, false, actions);
    return actions;
}

LinkActions LinkMachine::connectFailed(SessionId session, const QString& error, qint64 now)
{
    LinkActions actions;
    if (const auto it = sessions_.find(session); it != sessions_.end()) {
        it->second.connecting = false;
        it->second.closing = true; // its thread ends by itself
    }
    const bool probe = session == attempt_ && attemptIsProbe_;
    if (session == attempt_) {
        attempt_ = 0;
        attemptIsProbe_ = false;
        lastAttemptFailed_ = true;
    }
    if (state_ == State::Stopped)
        return actions;
    if (probe && state_ == State::Suspect) {
        judgeDead(now, QStringLiteral("a statement went unanswered, and a fresh login failed: ") +
                           error);
    } else if (!current_) {
        enter(State::Down, now, error);
        // A statement waiting for a connection fails with the attempt's error.
        if (!pending_ && !queue_.empty() && queue_.front().kind == LinkJob::Kind::Statement) {
            const LinkJob job = queue_.front();
            queue_.pop_front();
            deliver(job, failure(error, true), actions);
        }
    }
    // A failed attempt never takes down a link that is up.
    pump(now, actions);
    return actions;
}

LinkActions LinkMachine::answered(SessionId session, StatementOutcome outcome, qint64 now)
{
    LinkActions actions;
    const auto it = sessions_.find(session);
    if (it == sessions_.end())
        return actions;
    it->second.inStatement = false;
    const bool awaited = pending_ && (session == pending_->original || session == pending_->copy);
    if (state_ == State::Stopped || it->second.closing || !awaited) {
        pump(now, actions); // a statement that left the server may free the next
        return actions;
    }
    const SessionId other = session == pending_->original ? pending_->copy : pending_->original;
    if (outcome.failed && outcome.linkLost) {
        // The driver has dropped this connection.
        giveUp(session, true, actions);
        if (other) {
            // The other one may still answer.
            pending_->original = other;
            pending_->copy = 0;
            if (!current_ && !sessions_[other].dead)
                current_ = other;
            if (!current_)
                enter(State::Down, now, outcome.error);
            pump(now, actions);
            return actions;
        }
        const LinkJob job = pending_->job;
        pending_.reset();
        if (spare_) {
            current_ = spare_;
            spare_ = 0;
        } else {
            enter(State::Down, now, outcome.error);
        }
        deliver(job, std::move(outcome), actions);
        pump(now, actions);
        return actions;
    }
    // An answer (rows, or the server's own error): the other one loses and is cancelled.
    if (other)
        giveUp(other, false, actions);
    const Pending pending = *pending_;
    pending_.reset();
    const qint64 took = now - pending.startedAt;
    latency_.record(pending.job.sql, took);
    current_ = session;
    it->second.dead = false;
    switch (state_) {
    case State::Slow:
        // Back at its usual pace: the reserve goes.
        if (took < timings_.probeAfterMs) {
            if (spare_)
                giveUp(spare_, false, actions);
            enter(State::Up, now);
        }
        break;
    case State::Up:
        break;
    default: // Suspect before the probe's verdict, Down after it: the link answered after all
        enter(State::Up, now);
        break;
    }
    deliver(pending.job, std::move(outcome), actions);
    pump(now, actions);
    return actions;
}

LinkActions LinkMachine::ended(SessionId session, qint64 now)
{
    LinkActions actions;
    sessions_.erase(session);
    if (attempt_ == session)
        attempt_ = 0;
    pump(now, actions);
    return actions;
}

LinkActions LinkMachine::timePassed(qint64 now)
{
    LinkActions actions;
    if (state_ == State::Stopped)
        return actions;
    if (pending_) {
        if (now >= pending_->deadline) {
            failDeadline(now, actions);
        } else if (state_ == State::Up && now >= pending_->probeAt) {
            pending_->probeAt = kNever;
            if (!attempt_) {
                startAttempt(true, now, actions);
                enter(State::Suspect, now);
            }
        } else if (state_ == State::Suspect && attemptIsProbe_ &&
                   now >= attemptStartedAt_ + timings_.probeVerdictMs) {
            judgeDead(now, unansweredCause(now));
        }
    }
    if (!attempt_ && needsConnection() && now >= nextAttemptAt())
        startAttempt(false, now, actions);
    pump(now, actions);
    return actions;
}

LinkActions LinkMachine::stop()
{
    LinkActions actions;
    if (state_ == State::Stopped)
        return actions;
    enter(State::Stopped, 0);
    queue_.clear();
    pending_.reset();
    std::vector<SessionId> ids;
    for (const auto& [id, session] : sessions_)
        ids.push_back(id);
    for (SessionId id : ids)
        giveUp(id, false, actions);
    return actions;
}

qint64 LinkMachine::nextTimeout() const
{
    if (state_ == State::Stopped)
        return kNever;
    qint64 next = kNever;
    if (pending_) {
        next = std::min(next, pending_->deadline);
        if (state_ == State::Up)
            next = std::min(next, pending_->probeAt);
        if (state_ == State::Suspect && attemptIsProbe_)
            next = std::min(next, attemptStartedAt_ + timings_.probeVerdictMs);
    }
    if (!attempt_ && needsConnection())
        next = std::min(next, std::max<qint64>(nextAttemptAt(), 0));
    return next;
}
