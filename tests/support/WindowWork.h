#pragma once
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

// The monitor window applies its database work through the event loop: this runs the loop
// until no work is in flight (false when the time ran out first).
template <class Window> bool settled(Window& window, int timeoutMs = 10000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (window.workInFlight() && !deadline.hasExpired()) {
        QEventLoop loop;
        QObject::connect(&window, &Window::workApplied, &loop, &QEventLoop::quit);
        // A timer that dies with the wait: a single shot bound to the loop would live on
        // until it fires, a few hundred bytes per wait that a soak would count as a leak.
        QTimer timeout;
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
        timeout.start(int(deadline.remainingTime()));
        loop.exec();
    }
    return !window.workInFlight();
}

// One tick as the handler runs it, applied.
template <class Window> bool tickApplied(Window& window)
{
    window.Timer1Timer(window.Timer1);
    return settled(window);
}

// The longest the event loop went without turning while this lived (a timer every 5 ms).
struct LoopWatch {
    QTimer timer;
    QElapsedTimer since;
    qint64 longest = 0;
    LoopWatch()
    {
        since.start();
        QObject::connect(&timer, &QTimer::timeout,
                         [this] { longest = std::max(longest, since.restart()); });
        timer.start(5);
    }
};
