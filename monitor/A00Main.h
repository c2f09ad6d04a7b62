#pragma once
#include "AlertBook.h"
#include "OutageTracker.h"
#include "PendingWork.h"
#include "data.h"

#include <QDBusConnection>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>

class AlertLog;
class AlertNotifier;
class FleetChart;
class FreshnessLine;
class QComboBox;
class QFrame;
class QLabel;
class TDBChart;
class TDBGridEh;
class TLbButton;
class TLineSeries;
class TRzDBLabel;
class TRzPageControl;
class TRzTabSheet;
class TTimer;
class SelectorEdit;

// The monitor window: the selected robot's advice, countdown and winning number in the
// header, and on three pages its history, the comparison of all robots and its balance chart.
// Its statements run in the background (the window never waits on the database). One piece of
// work runs at a time (PendingWork): the first open, the show, a tick or a search; each is a
// chain of steps, and a step reopens one query in the background and goes on with the next
// once its result has been applied. workApplied tells when a piece is done.
class TfrmA00Main : public QWidget {
    Q_OBJECT
    // Where the window's statements run; declared before the queries, which withdraw from it
    // as they go.
    std::unique_ptr<BackgroundConnection> connection_;

public:
    explicit TfrmA00Main(QWidget* parent = nullptr);
    ~TfrmA00Main() override;
    // Runs the show handler, and shows the window once its statements are applied.
    void setVisible(bool visible) override;

    // Event handlers (called by Qt through guarded wrappers, and directly by tests).
    void FormShow();
    // Re-runs the header. The statement runs in the background, so the version counter is
    // returned by calling `returnVer` with it once the header is applied (not at all when the
    // statement fails).
    void ReadHeader(std::function<void(int ver)> returnVer);
    void Timer1Timer(TTimer* sender);
    void cbb1Change();
    void bbSearClick(QObject* sender);
    void bbCloseClick(QObject* sender);

    // A show, a tick or a search is being worked on (its statements, or their results).
    bool workInFlight() const { return work_.busy(); }
    // The refresh's outages and its last good refresh.
    const OutageTracker& outages() const { return outage_; }

    // The rules to alert by, and the bus of the desktop's notification service. Without a
    // rule on, nothing is read or sent; without the service, one line on standard error.
    void setAlertRules(const AlertRules& rules, const QDBusConnection& bus);
    const AlertBook& alertBook() const { return alertBook_; }
    const AlertLog& alertLog() const { return *alertLog_; }

    qint32 TickCount = 0;
    bool Loading = false;

    std::unique_ptr<TADOQuery> Qhead, Qai, Qais, Q;
    std::unique_ptr<TDataSource> DShead, DSai, DSais;

    QFrame* panel1; // header
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    TRzDBLabel* RzDBLabel1;
    TRzDBLabel* st1;
    TRzDBLabel* RzDBLabel2;
    QComboBox* cbb1;
    TLbButton* bbSear;
    TLbButton* bbClose;
    TRzPageControl* pc1;
    TRzTabSheet* ts11;
    TRzTabSheet* ts12;
    TRzTabSheet* ts13;
    TRzTabSheet* alertsPage; // after the three pages: this run's alerts
    TDBGridEh* alertsGrid;
    TRzTabSheet* fleetPage; // after the alerts: every robot's balance
    FleetChart* fleetChart;
    QFrame* panel2; // holds the history grid
    TDBGridEh* DBGridEh1;
    TDBGridEh* DBGridEh3;
    TDBChart* DBChart1;
    TLineSeries* Series1;
    TTimer* Timer1;
    FreshnessLine* statusLine;

signals:
    // A piece of the window's work has been applied (or has failed and been reported).
    void workApplied();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Work = PendingWork::Work;
    using Part = OutageTracker::Part;

    void createQueries();
    void createHeader();
    void createSelector();
    void createPages();
    void createHistoryGrid(QWidget* page);
    void createComparisonGrid(QWidget* page);
    void createAlertsGrid(QWidget* page);
    void createFleetChart(QWidget* page);
    void layoutControls();
    void onTick();

    // The pieces of work.
    void request(Work work);
    void start(Work work);
    void startFirstOpen();
    void startShow();
    void startTick();
    void startSearch();
    void startFleet();
    void startTrend();
    void endWork(std::exception_ptr error = nullptr);
    void waitForTheShow();

    // The steps: each reopens a query in the background with `changes` to its parameters,
    // for the header or for the grids' reload, and goes on with `then` once the result is
    // applied.
    void step(Part part, TADOQuery& query, const TADOQuery::ParamChanges& changes,
              std::function<void()> then);
    void refreshKeepPosThen(TADOQuery& query, std::function<void()> then);
    void reloadGrids(std::function<void()> then);
    // The fleet's chart is read with the reload only while it is shown; otherwise it is read
    // when it is shown next.
    void reloadTrendIfShown(std::function<void()> then);
    void readTrend(std::function<void()> then);
    void applyTrend();
    // A robot picked on the fleet's chart: picked in the selector as from its list.
    void pickRobot(const QString& robot);

    void reportFailure(const std::exception_ptr& error);
    void reportFleetFailure(const std::exception_ptr& error);
    void applyAlertChanges(const QVector<AlertChange>& changes);
    void showFreshness();
    void setReloadPending(bool pending);
    void prepareHiddenGrids();

    PendingWork work_;
    Part step_ = Part::Header; // the part the step in flight belongs to
    bool reloaded_ = false;    // the running piece reloaded the grids
    OutageTracker outage_;
    bool textJustChanged_ = false;
    SelectorEdit* selectorEdit_ = nullptr;
    AlertBook alertBook_;
    std::unique_ptr<AlertLog> alertLog_;
    std::unique_ptr<TADOQuery> fleet_; // the fleet statement, when a robot rule is on
    AlertNotifier* notifier_ = nullptr;
    bool fleetFailing_ = false;        // told on standard error, until it works again
    std::unique_ptr<TADOQuery> trend_; // the fleet's chart, Qfleetai
    bool trendStale_ = true;           // a reload passed while the fleet's chart was hidden
};
