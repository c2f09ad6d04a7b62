#include "OutageTracker.h"

bool OutageTracker::failed(Part part, const QDateTime& at)
{
    reloadFailed_ = reloadFailed_ || part == Part::Reload;
    if (inOutage_)
        return false;
    inOutage_ = true;
    since_ = at;
    return true;
}

void OutageTracker::succeeded(bool reloaded, const QDateTime& at)
{
    if (inOutage_ && reloadFailed_ && !reloaded)
        return;
    inOutage_ = false;
    reloadFailed_ = false;
    since_ = {};
    lastGood_ = at;
}
