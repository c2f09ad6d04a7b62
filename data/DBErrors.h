#pragma once
#include "Exceptions.h"

// Every database error; handlers let it pass to the guard, which shows its text.
class EDatabaseError : public Exception {
public:
    explicit EDatabaseError(QString message, bool linkLost = false)
        : Exception(std::move(message)), linkLost_(linkLost)
    {
    }
    // The driver judged that the connection is gone and has already dropped it.
    bool linkLost() const { return linkLost_; }

private:
    bool linkLost_;
};

// Connecting failed (unreachable server, refused login, missing database file).
class EConnectionError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};
