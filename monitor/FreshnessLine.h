#pragma once
#include "ShapedText.h"

#include <QDateTime>
#include <QFrame>
#include <QHash>
#include <QString>
#include <QStringList>

// What the bottom line of the monitor window tells: where the data comes from, when it was
// last refreshed, and during an outage since when it lasts and whether the link is being
// reconnected.
struct Freshness {
    QString source;
    QDateTime lastGood; // invalid before the first good refresh
    bool outage = false;
    QDateTime outageSince;
    bool reconnecting = false;
    int alerts = -1; // alerts holding now; -1 when no rule is on
};

// The line in the pieces it is drawn in (only the times change from one second to the next);
// times show as hh:mm:ss, with the date when it is not `today`.
QStringList freshnessParts(const Freshness& freshness, const QDate& today);
QString freshnessText(const Freshness& freshness, const QDate& today);

// A one-line status bar. It changes every second, so each piece is shaped once and drawn
// again, rather than the whole line shaped at every paint. It reads as a status bar with its
// text; only a change beyond the times (an outage, its end, the first refresh) is announced.
class FreshnessLine : public QFrame {
    Q_OBJECT
public:
    explicit FreshnessLine(QWidget* parent);
    void setFreshness(const Freshness& freshness);
    // The line as it reads.
    QString text() const { return parts_.join(QString()); }
    // Its height for the font it has.
    int lineHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int advance(const QString& part);

    QStringList parts_;
    QString toldState_; // what the line last announced, its times left out
    ShapedTextCache shaped_;
    QHash<QString, int> advances_;
};
