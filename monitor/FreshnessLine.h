#pragma once
#include <QDateTime>
#include <QLabel>
#include <QString>

// What the bottom line of the monitor window tells: where the data comes from, when it was
// last refreshed, and during an outage since when it lasts and whether the link is being
// reconnected.
struct Freshness {
    QString source;
    QDateTime lastGood; // invalid before the first good refresh
    bool outage = false;
    QDateTime outageSince;
    bool reconnecting = false;
};

// The line's text; times show as hh:mm:ss, with the date when it is not `today`.
QString freshnessText(const Freshness& freshness, const QDate& today);

// A one-line status bar.
class FreshnessLine : public QLabel {
public:
    explicit FreshnessLine(QWidget* parent);
    void Show(const Freshness& freshness);
    // Its height for the font it has.
    int LineHeight() const;
};
