#pragma once
#include "Driver.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QObject;

// How the background link paces itself; tests shorten the times.
struct LinkTimings {
    // Between two connect attempts, and between two copies of a statement that hangs.
    int attemptSpacingMs = 1000;
    // A statement unanswered this long is sent again on a fresh connection, and the first
    // answer counts: a link that died without a word (a pulled cable) answers nothing, while
    // a fresh connection answers as soon as the server can be reached again.
    int hedgeAfterMs = 1000;
    // Added to the driver's own statement timeout: a statement unanswered then has failed,
    // even while the driver still waits for the server to confirm its cancel.
    int deadlineGraceMs = 1000;
};

// What a statement came to.
struct StatementOutcome {
    DriverResult result;
    bool failed = false;
    QString error;
    bool linkLost = false;
};

// The link as a status line shows it.
struct LinkStatus {
    bool down = false; // lost, and reconnect attempts run until one succeeds
    QDateTime downSince;
};

// Runs one connection's statements on threads of its own, one after another, so that the
// thread that submits them never waits on the network. Connects are attempts on threads of
// their own, at least attemptSpacingMs apart, so that one hanging on a silent host does not
// keep the next from succeeding. Results come back through the event loop of the thread
// that owns `context`, in the order the statements were submitted.
class BackgroundLink {
public:
    using Factory = std::function<std::unique_ptr<Driver>()>;
    using Done = std::function<void(StatementOutcome&)>;

    // Takes over `driver` (connected or not, or none).
    BackgroundLink(Factory factory, std::shared_ptr<Driver> driver, QObject* context,
                   const LinkTimings& timings);
    ~BackgroundLink();
    BackgroundLink(const BackgroundLink&) = delete;
    BackgroundLink& operator=(const BackgroundLink&) = delete;

    void submitQuery(const QString& sql, const QStringList& params, Done done);
    // Closes the connection once the statements submitted before have run.
    void submitDisconnect();

    // Ends the link without waiting: submitted statements are dropped and their results never
    // delivered, the running one is interrupted. Returns the connection when no thread uses
    // it; otherwise the thread that does frees it once the driver returns.
    std::shared_ptr<Driver> stop();

    bool connected() const;
    int connectCount() const;
    LinkStatus status() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};
