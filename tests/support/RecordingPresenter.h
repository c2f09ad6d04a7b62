#pragma once
#include "MessagePresenter.h"

#include <QVector>
#include <functional>

// Records every box instead of showing it; installed for its lifetime.
class RecordingPresenter : public MessagePresenter {
public:
    RecordingPresenter() { setMessagePresenter(this); }
    ~RecordingPresenter() override { setMessagePresenter(nullptr); }
    void present(const MessageBoxSpec& message) override
    {
        boxes << message;
        if (onPresent)
            onPresent(message);
    }
    QVector<MessageBoxSpec> boxes;
    std::function<void(const MessageBoxSpec&)> onPresent; // runs while the "box" is open
};
