#pragma once
#include <QObject>
#include <functional>

// A timer armed exactly while its interval is not 0, it is enabled and a handler is attached.
// Late ticks merge: at most one is pending, and a slow handler delays the next one.
class TTimer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(TTimer* sender)>;

    explicit TTimer(QObject* owner = nullptr);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    int Interval() const { return interval_; }
    void setInterval(int milliseconds);
    const Handler& OnTimer() const { return onTimer_; }
    void setOnTimer(Handler handler);

    bool armed() const { return timerId_ != 0; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    // Disarms, then arms again when all three conditions hold (throws when no timer is left).
    void updateTimer();

    bool enabled_ = true;
    int interval_ = 1000;
    Handler onTimer_;
    int timerId_ = 0;
};
