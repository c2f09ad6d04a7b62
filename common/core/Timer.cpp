#include "Timer.h"

#include "Exceptions.h"
#include "Shell.h"

#include <QTimerEvent>

TTimer::TTimer(QObject* owner) : QObject(owner) {}

TTimer::~TTimer()
{
    if (timerId_)
        killTimer(timerId_);
}

void TTimer::setEnabled(bool enabled)
{
    enabled_ = enabled;
    updateTimer();
}

void TTimer::setInterval(int milliseconds)
{
    interval_ = milliseconds;
    updateTimer();
}

void TTimer::setOnTimer(Handler handler)
{
    onTimer_ = std::move(handler);
    updateTimer();
}

void TTimer::updateTimer()
{
    if (timerId_) {
        killTimer(timerId_);
        timerId_ = 0;
    }
    if (interval_ != 0 && enabled_ && onTimer_) {
        timerId_ = startTimer(interval_);
        if (timerId_ == 0)
            throw EOutOfResources(QStringLiteral("Not enough timers available"));
    }
}

void TTimer::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timerId_)
        return QObject::timerEvent(event);
    // Copy: the handler may replace itself.
    Handler handler = onTimer_;
    guarded([&] { handler(this); });
}
