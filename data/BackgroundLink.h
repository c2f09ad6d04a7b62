#pragma once
#include "Driver.h"
#include "LinkMachine.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <thread>

class LinkReceiver;

// The link as a status line shows it.
struct LinkStatus {
    bool down = false; // judged dead, and reconnect attempts run until one succeeds
    QDateTime downSince;
};

// Runs one connection's statements on threads of its own, one at a time, so that the thread
// that submits them never waits on the network. Each connection has a thread (a session), and
// one more thread keeps the time and cancels; LinkMachine decides what they do. Results come
// back through the event loop of the thread that made the link, in the order the statements
// were submitted.
//
// What a submitter hands over stays on its own thread: the link's threads get copies of the
// statement's text and parameters, and `done` is kept here and released here, when its result
// is delivered or when the link stops, whichever comes first.
class BackgroundLink {
public:
    using Factory = std::function<std::unique_ptr<Driver>()>;
    using Done = std::function<void(StatementOutcome&)>;

    // Takes over `driver` (connected or not, or none).
    BackgroundLink(Factory factory, std::shared_ptr<Driver> driver, const LinkTimings& timings);
    // Stops, and waits for the link's threads, at most joinBoundMs.
    ~BackgroundLink();
    BackgroundLink(const BackgroundLink&) = delete;
    BackgroundLink& operator=(const BackgroundLink&) = delete;

    LinkTicket submitQuery(const QString& sql, const QStringList& params, Done done);
    // The result is no longer wanted: `done` is released and a statement not yet started is
    // dropped.
    void withdraw(LinkTicket ticket);
    // Closes the connection once the statements submitted before have run.
    void submitDisconnect();

    // Ends the link without waiting: nothing more is delivered, every `done` still held is
    // released now, and the running statements are cancelled. The threads end by themselves
    // within joinBoundMs.
    void stop();
    // The longest a driver call may still take once cancelled: a statement waits at most its
    // timeout for the server to confirm the cancel, a connect its login timeout.
    int joinBoundMs() const { return joinBoundMs_; }
    // All the link's threads have ended (after stop).
    bool finished() const;

    bool connected() const;
    int connectCount() const;
    LinkStatus status() const;
    LinkMachine::State machineState() const;

    struct State;

private:
    std::shared_ptr<State> state_;
    std::unique_ptr<LinkReceiver> receiver_;
    std::thread supervisor_;
    int joinBoundMs_ = 0;
    LinkTicket lastTicket_ = 0;
};
