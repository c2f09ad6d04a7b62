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
    SqlDialect Dialect() const override { return inner_->Dialect(); }
    void Connect() override { inner_->Connect(); }
    void Disconnect() noexcept override { inner_->Disconnect(); }
    bool Connected() const override { return inner_->Connected(); }
    DriverResult Query(const QString& sql, const QStringList& params) override
    {
        {
            std::unique_lock lock(mutex_);
            interrupted_ = false;
            const auto until =
                std::chrono::steady_clock::now() + std::chrono::milliseconds(delayMs_->load());
            if (wake_.wait_until(lock, until, [&] { return interrupted_; }))
                throw EDatabaseError(QStringLiteral("interrupted"));
        }
        return inner_->Query(sql, params);
    }
    qint64 Execute(const QString& sql, const QStringList& params) override
    {
        return inner_->Execute(sql, params);
    }
    void Interrupt() noexcept override
    {
        {
            const std::lock_guard lock(mutex_);
            interrupted_ = true;
        }
        wake_.notify_all();
        inner_->Interrupt();
    }
    int StatementTimeoutMs() const override { return inner_->StatementTimeoutMs(); }

private:
    std::unique_ptr<Driver> inner_;
    std::shared_ptr<std::atomic<int>> delayMs_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool interrupted_ = false;
};
