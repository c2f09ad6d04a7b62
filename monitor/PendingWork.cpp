#include "PendingWork.h"

#include <utility>

bool PendingWork::Ask(Work work)
{
    if (!Busy()) {
        running_ = work;
        return true;
    }
    switch (work) {
    case Work::Show:
        showWaits_ = true;
        break;
    case Work::Search:
        searchWaits_ = true;
        break;
    case Work::Tick:
        tickWaits_ = true;
        break;
    default:
        break;
    }
    return false;
}

PendingWork::Work PendingWork::Finish()
{
    running_ = Work::None;
    for (auto [waits, work] :
         {std::pair{&showWaits_, Work::Show}, std::pair{&searchWaits_, Work::Search},
          std::pair{&tickWaits_, Work::Tick}}) {
        if (*waits) {
            *waits = false;
            running_ = work;
            break;
        }
    }
    return running_;
}

bool PendingWork::Waiting(Work work) const
{
    switch (work) {
    case Work::Show:
        return showWaits_;
    case Work::Search:
        return searchWaits_;
    case Work::Tick:
        return tickWaits_;
    default:
        return false;
    }
}
