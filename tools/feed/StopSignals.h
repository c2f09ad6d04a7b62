#pragma once
#include <QtGlobal>

// SIGINT and SIGTERM, blocked for the whole process and taken synchronously, so that a stop
// never lands in the middle of a transaction and waits need no flag polling.
class StopSignals {
public:
    StopSignals(); // create before any thread exists
    // Waits up to `ms` milliseconds; true when a stop signal arrived, now or before.
    bool wait(qint64 ms);
    bool pending() { return wait(0); }

private:
    bool stopped_ = false;
};
