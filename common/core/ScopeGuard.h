#pragma once
#include <utility>

// Runs a clean-up when the scope is left, by return or by exception. The clean-up must not
// throw: it may run while an exception is on its way out.
template <class CleanUp> class ScopeGuard {
public:
    explicit ScopeGuard(CleanUp cleanUp) : cleanUp_(std::move(cleanUp)) {}
    ~ScopeGuard() { cleanUp_(); }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

private:
    CleanUp cleanUp_;
};
