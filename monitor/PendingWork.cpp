#include "PendingWork.h"

#include <cstddef>
#include <utility>

bool PendingWork::ask(Work work)
{
    if (!busy()) {
        running_ = work;
        return true;
    }
    if (work != Work::FirstOpen)
        waiting_[std::size_t(work)] = true;
    return false;
}

PendingWork::Work PendingWork::finish()
{
    running_ = Work::None;
    for (Work work : {Work::Show, Work::Search, Work::Tick, Work::Trend, Work::Fleet}) {
        if (std::exchange(waiting_[std::size_t(work)], false)) {
            running_ = work;
            break;
        }
    }
    return running_;
}

bool PendingWork::waiting(Work work) const
{
    return waiting_[std::size_t(work)];
}
