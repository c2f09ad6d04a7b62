#pragma once
#include "Driver.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <deque>
#include <limits>
#include <map>
#include <optional>
#include <vector>

// How the background link paces itself; tests shorten the times.
struct LinkTimings {
    // Between the starts of two connect attempts after one failed.
    int attemptSpacingMs = 1000;
    // A statement unanswered this long, or twice as long as its slowest recent answer, has a
    // fresh login tried beside it, to tell a slow server from a dead link.
    int probeAfterMs = 1000;
    // A probe that has not logged in by then finds the link dead.
    int probeVerdictMs = 2000;
    // Added to the driver's statement timeout: a statement unanswered then has failed, even
    // while the driver still waits for the server to confirm its cancel.
    int deadlineGraceMs = 1000;
};

// What a statement came to.
struct StatementOutcome {
    DriverResult result;
    bool failed = false;
    QString error;
    bool linkLost = false;
};

using LinkTicket = quint64; // a submitted statement
using SessionId = quint64;  // a connection and the thread that uses it

struct LinkJob {
    enum class Kind { Statement, Disconnect };
    Kind kind = Kind::Statement;
    LinkTicket ticket = 0;
    QString sql;
    QStringList params;
};

// What the link's threads are to do.
struct LinkAction {
    enum class Kind {
        Connect,   // a new session connects
        Run,       // the session runs the job's statement
        Interrupt, // the statement running on the session is cancelled
        Close,     // the session disconnects and ends once its call has returned
        Deliver,   // the outcome goes to the receiver of the job's ticket
    };
    Kind kind;
    SessionId session = 0;
    LinkJob job;
    StatementOutcome outcome;
};
using LinkActions = std::vector<LinkAction>;

// The longest of a statement's recent answers, by its text.
class LatencyMemory {
public:
    void record(const QString& sql, qint64 ms);
    qint64 slowest(const QString& sql) const;

private:
    static constexpr int kKept = 8;
    static constexpr int kStatements = 32;
    QHash<QString, std::deque<qint64>> answers_;
    std::deque<QString> order_; // the statements by first use, the oldest forgotten first
};

// The background link's decisions, apart from its threads: every state and transition is here,
// and the threads only report what happened and carry out what this returns.
//
//   Closed  no connection, and none is needed until a statement comes
//   Up      the connection works at the server's usual pace
//   Suspect a statement is overdue and a fresh login (the probe) is tried beside it
//   Slow    the probe logged in: the server is alive, only slow; statements are waited for
//           (their deadline still bounds them) and nothing is sent twice
//   Down    the link is judged dead: connect attempts run, one at a time, until one succeeds,
//           and a statement left on the dead connection is copied onto the fresh one (the
//           first answer counts, the other is cancelled)
//   Stopped nothing more is done or delivered
//
// One statement is at the server at a time: a statement given up at its deadline still counts
// until its call returns, unless its connection was judged dead, and then only one such may be
// left beside the next.
class LinkMachine {
public:
    enum class State { Closed, Up, Suspect, Slow, Down, Stopped };
    static constexpr qint64 kNever = std::numeric_limits<qint64>::max();
    static const char* stateName(State state);

    LinkMachine(const LinkTimings& timings, int statementTimeoutMs);

    // Events, each at `now` (milliseconds of a steady clock).
    // The link starts on a connection that is already open.
    LinkActions adopt(qint64 now);
    LinkActions submit(LinkJob job, qint64 now);
    // The statement is no longer wanted; dropped when it has not started.
    void withdraw(LinkTicket ticket);
    LinkActions connected(SessionId session, qint64 now);
    LinkActions connectFailed(SessionId session, const QString& error, qint64 now);
    LinkActions answered(SessionId session, StatementOutcome outcome, qint64 now);
    // The session's thread has ended.
    LinkActions ended(SessionId session, qint64 now);
    LinkActions timePassed(qint64 now);
    LinkActions stop();

    // When timePassed is due next.
    qint64 nextTimeout() const;

    State state() const { return state_; }
    bool down() const { return state_ == State::Down; }
    qint64 downSince() const { return downSince_; }
    int connects() const { return connects_; }
    SessionId current() const { return current_; }

private:
    struct Session {
        bool connecting = false;
        bool inStatement = false;
        bool closing = false; // given up: it ends once its call returns
        bool dead = false;    // its connection was judged dead
    };
    struct Pending {
        LinkJob job;
        SessionId original = 0;
        SessionId copy = 0;
        qint64 startedAt = 0;
        qint64 probeAt = kNever;
        qint64 deadline = kNever;
    };

    // `cause` says why the link is judged dead, when it is.
    void enter(State state, qint64 now, const QString& cause = {});
    void pump(qint64 now, LinkActions& actions);
    bool mayStartStatement() const;
    void run(SessionId session, const LinkJob& job, qint64 now, LinkActions& actions);
    void startAttempt(bool probe, qint64 now, LinkActions& actions);
    qint64 nextAttemptAt() const;
    bool needsConnection() const;
    void giveUp(SessionId session, bool dead, LinkActions& actions);
    void judgeDead(qint64 now, const QString& cause);
    QString unansweredCause(qint64 now) const;
    void failDeadline(qint64 now, LinkActions& actions);
    void deliver(const LinkJob& job, StatementOutcome outcome, LinkActions& actions);
    qint64 probeDelay(const QString& sql) const;

    LinkTimings timings_;
    int statementTimeoutMs_;
    State state_ = State::Closed;
    qint64 downSince_ = 0;

    std::map<SessionId, Session> sessions_;
    SessionId nextSession_ = 1;
    SessionId current_ = 0; // the connection statements run on
    SessionId spare_ = 0;   // the probe's connection while the server is slow
    SessionId attempt_ = 0; // the one connect attempt running
    bool attemptIsProbe_ = false;
    qint64 attemptStartedAt_ = 0;
    bool lastAttemptFailed_ = false;
    int connects_ = 0;

    std::optional<Pending> pending_;
    std::deque<LinkJob> queue_;
    LatencyMemory latency_;
};
