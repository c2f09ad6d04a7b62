#pragma once
#include <QDateTime>
#include <QString>

// How failures of the window's refresh reach the operator: an outage lasts from the first
// refresh that fails to the next good one and gets one box, with its first failure's text.
// A refresh is good when all its statements succeeded; when the grids' reload failed, the
// outage lasts until a reload succeeds, whatever the header does meanwhile.
class OutageTracker {
public:
    enum class Part { Header, Reload };

    // Returns true when this failure begins an outage: then its box is due.
    bool failed(Part part, const QDateTime& at);
    // A refresh whose statements all succeeded; `reloaded` when it reloaded the grids.
    void succeeded(bool reloaded, const QDateTime& at);

    bool inOutage() const { return inOutage_; }
    const QDateTime& since() const { return since_; }
    const QDateTime& lastGood() const { return lastGood_; }

private:
    bool inOutage_ = false;
    bool reloadFailed_ = false;
    QDateTime since_;
    QDateTime lastGood_;
};
