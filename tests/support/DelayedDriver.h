#pragma once
#include "DBErrors.h"
#include "Driver.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

// A driver that answers each statement only after a delay the test sets and may change while
// the statements run in the background, so that the window's work stays in flight. A cancel
// ends the wait.
class DelayedDriver : public Driver {
public:
    DelayedDriver(std::unique_ptr<Driver> inner, std::shared_ptr<std::atomic<int>> delayMs)
        : inner_(std::move(inner)), delayMs_(std::move(delayMs))
    {
    }
    SqlDialect dialect() const override { return inner_->dialect(); }
    void connect() override { inner_->connect(); }
    void disconnect() noexcept override { inner_->disconnect(); }
    bool connected() const override { return inner_->connected(); }
    DriverResult query(const QString& sql, const QStringList& params) override
    {
        {
            std::unique_lock lock(mutex_);
            interrupted_ = false;
            const auto until =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs_->load());
            if (wake_.wait_until(lock, until, [&] { return interrupted_; }))
                throw EDatabaseError(QStringLiteral("interrupted"));
        }
        return inner_->query(sql, params);
    }
    qint64 execute(const QString& sql, const QStringList& params) override
    {
        return inner_->execute(sql, params);
    }
    void interrupt() noexcept override
    {
        {
            const std::lock_guard lock(mutex_);
            interrupted_ = true;
        }
        wake_.notify_all();
        inner_->interrupt();
    }
    int statementTimeoutMs() const override { return inner_->statementTimeoutMs(); }

private:
    std::unique_ptr<Driver> inner_;
    std::shared_ptr<std::atomic<int>> delayMs_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool interrupted_ = false;
};
