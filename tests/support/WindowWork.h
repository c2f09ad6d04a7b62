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
        QTimer::singleShot(int(deadline.remainingTime()), &loop, &QEventLoop::quit);
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
