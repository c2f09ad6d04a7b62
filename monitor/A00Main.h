#pragma once
#include "OutageTracker.h"
#include "data.h"

#include <QWidget>
#include <deque>
#include <exception>
#include <functional>
#include <memory>

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

// The monitor window: the selected robot's advice, countdown and winning number in the
// header, and on three pages its history, the comparison of all robots and its balance chart.
// Its statements run in the background (the window never waits on the database); each
// handler issues them in order and applies their results as they come, one piece of work at
// a time, and WorkApplied tells when a piece is done.
class TfrmA00Main : public QWidget {
    Q_OBJECT
public:
    explicit TfrmA00Main(QWidget* parent = nullptr);
    ~TfrmA00Main() override;

    // Event handlers (called by Qt through guarded wrappers, and directly by tests).
    void FormShow();
    // Re-runs the header; `then` gets the version counter once it is applied.
    void ReadHeader(std::function<void(int ver)> then);
    void Timer1Timer(TTimer* sender);
    void cbb1Change();
    void bbSearClick(QObject* sender);
    void bbCloseClick(QObject* sender);

    // A show, a tick or a search is being worked on (its statements, or their results).
    bool WorkInFlight() const { return working_; }
    // The refresh's outages and its last good refresh.
    const OutageTracker& Outages() const { return outage_; }

    qint32 TickCount = 0;
    bool Loading = false;

    std::unique_ptr<TADOQuery> Qhead, Qai, Qais, Q;
    std::unique_ptr<TDataSource> DShead, DSai, DSais;

    QFrame* Panel1; // header
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
    QFrame* Panel2; // holds the history grid
    TDBGridEh* DBGridEh1;
    TDBGridEh* DBGridEh3;
    TDBChart* DBChart1;
    TLineSeries* Series1;
    TTimer* Timer1;
    FreshnessLine* StatusLine;

signals:
    // A piece of the window's work has been applied (or has failed and been reported).
    void WorkApplied();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Work { FirstOpen, Show, Tick, Search };

    void CreateQueries();
    void CreateHeader();
    void CreatePages();
    void CreateHistoryGrid(QWidget* page);
    void CreateComparisonGrid(QWidget* page);
    void LayoutControls();
    void OnTick();

    // The steps of the work: each reopens a query in the background with `changes` to its
    // parameters, and goes on with `then` once the result is applied.
    void ReopenThen(TADOQuery& query, const TADOQuery::ParamChanges& changes,
                    std::function<void()> then);
    void RefreshKeepPosThen(TADOQuery& query, std::function<void()> then);
    void ReloadGrids(std::function<void()> then);

    // Runs `work` now, or once the work in flight has ended.
    void Enqueue(Work kind, std::function<void()> work);
    void BeginWork(Work kind);
    void EndWork(std::exception_ptr error = nullptr);
    void RunWaitingWork();
    void ReportFailure(const std::exception_ptr& error);
    void ShowFreshness();

    bool working_ = false;
    Work work_ = Work::FirstOpen;
    OutageTracker::Part step_ = OutageTracker::Part::Header;
    bool reloaded_ = false;
    std::deque<std::pair<Work, std::function<void()>>> queued_;
    // Asked for while work was in flight: one search, and the timer's one late tick.
    bool searchWaiting_ = false;
    bool tickWaiting_ = false;
    OutageTracker outage_;
    bool textJustChanged_ = false;
};
