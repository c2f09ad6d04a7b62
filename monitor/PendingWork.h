#pragma once
#include <array>

// What the monitor window is working on, and what waits for it. One piece of work runs at a
// time; a piece asked for meanwhile waits, and asked for again it still waits once: several
// keystrokes make one search, several timer ticks one late tick (as a slow tick delays the
// next one). What waits starts in this order: the show, a search, the tick, the fleet's chart
// shown after a reload passed it by, and last the alerts' look at the fleet, so that it never
// holds up the others.
class PendingWork {
public:
    enum class Work { None, FirstOpen, Show, Search, Tick, Fleet, Trend };

    // True when `work` starts now, and is then the running piece; false when it waits.
    bool ask(Work work);
    // The running piece has ended: returns the waiting piece that starts now (None when
    // nothing waits), which is then the running one.
    Work finish();

    Work running() const { return running_; }
    bool busy() const { return running_ != Work::None; }
    bool waiting(Work work) const;

private:
    Work running_ = Work::None;
    std::array<bool, 7> waiting_{}; // by Work; the first open never waits
};
