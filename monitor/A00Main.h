#pragma once
#include "data.h"

#include <QWidget>
#include <memory>

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
class TfrmA00Main : public QWidget {
    Q_OBJECT
public:
    explicit TfrmA00Main(QWidget* parent = nullptr);
    ~TfrmA00Main() override;

    // Event handlers (called by Qt through guarded wrappers, and directly by tests).
    void FormShow();
    int ReadHeader();
    void Timer1Timer(TTimer* sender);
    void cbb1Change();
    void bbSearClick(QObject* sender);
    void bbCloseClick(QObject* sender);

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

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateQueries();
    void CreateHeader();
    void CreatePages();
    void CreateHistoryGrid(QWidget* page);
    void CreateComparisonGrid(QWidget* page);
    void LayoutControls();
    void OnTick();
    void ReloadGrids();

    // The text of the tick failure on show; a repeat of it stays silent until a good tick.
    QString shownTickFailure_;
    bool textJustChanged_ = false;
};
