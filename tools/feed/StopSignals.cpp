#include "StopSignals.h"

#include <cerrno>
#include <csignal>
#include <ctime>

namespace {

sigset_t stopSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

StopSignals::StopSignals()
{
    const sigset_t set = stopSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

bool StopSignals::wait(qint64 ms)
{
    if (stopped_)
        return true;
    const sigset_t set = stopSet();
    timespec left{time_t(qMax<qint64>(ms, 0) / 1000), long(qMax<qint64>(ms, 0) % 1000) * 1000000L};
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        if (sigtimedwait(&set, nullptr, &left) >= 0)
            return stopped_ = true;
        if (errno != EINTR)
            return false; // EAGAIN: the time is up
        // Another signal interrupted the wait: wait out the rest.
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const qint64 spent =
            (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        const qint64 rest = qMax<qint64>(ms - spent, 0);
        left = {time_t(rest / 1000), long(rest % 1000) * 1000000L};
    }
}
