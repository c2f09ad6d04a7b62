#include "A00Main.h"

#include "Accessibility.h"
#include "AlertLog.h"
#include "AlertNotifier.h"
#include "Application.h"
#include "ButtonGlyphs.h"
#include "Colors.h"
#include "DBChart.h"
#include "DBGridEh.h"
#include "Exceptions.h"
#include "FleetChart.h"
#include "Fonts.h"
#include "FreshnessLine.h"
#include "LbButton.h"
#include "MXT_PUB.h"
#include "PictureRatio.h"
#include "RzDBLabel.h"
#include "RzPageControl.h"
#include "SelectorEdit.h"
#include "Timer.h"

#include <QAccessibleWidget>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <utility>

namespace {

constexpr int kHeaderHeight = 72;
constexpr int kHeaderInset = 6; // 1-pixel edge and the 5-pixel border width
constexpr int kPageInset = 5;

// Outer size and place of the window when first shown.
constexpr QRect kOuterGeometry(308, 141, 976, 656);

QLabel* caption(QWidget* parent, const QString& text, QPoint at)
{
    auto* label = new QLabel(text, parent);
    label->setFont(pixelFont(kYaHei, 19));
    label->move(at);
    label->adjustSize();
    return label;
}

TRzDBLabel* valueLabel(QWidget* parent, TDataSource* source, const QString& field, BgrColor colour,
                       QRect at)
{
    auto* label = new TRzDBLabel(parent);
    label->setGeometry(at);
    label->setFont(pixelFont(kYaHei, 19));
    label->setDataSource(source);
    label->setDataField(field);
    label->setFontColor(colour);
    return label;
}

// The main window reads as a window, not as a bare pane.
QAccessibleInterface* makeWindow(QObject* object)
{
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

// What a failed piece of work says, for a box or a line.
QString errorText(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return exceptionText(e);
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

// Makes the child fill its parent, less a border on every side.
void fill(QWidget* parent, QWidget* child, int border = 0)
{
    auto* layout = new QVBoxLayout(parent);
    layout->setContentsMargins(border, border, border, border);
    layout->addWidget(child);
}

} // namespace

TfrmA00Main::TfrmA00Main(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmA00Main"));
    static const bool registered = (accessibility::registerClass("TfrmA00Main", makeWindow), true);
    Q_UNUSED(registered);
    setWindowTitle(QStringLiteral("A00Main-主界面"));
    setFont(pixelFont(kSongTi, 19));
    setAttribute(Qt::WA_DeleteOnClose, false);

    connection_ = DM->ConSG->startBackground();
    alertLog_ = std::make_unique<AlertLog>(alertBook_);
    createQueries();
    createHeader();
    createPages();
    statusLine = new FreshnessLine(this);

    // Client size from the outer size, with the frame a desktop usually draws.
    resize(kOuterGeometry.width() - 16, kOuterGeometry.height() - 39);
    move(kOuterGeometry.topLeft());
    layoutControls();
    showFreshness();

    request(Work::FirstOpen);

    Timer1 = new TTimer(this);
    Timer1->setOnTimer([this](TTimer*) { onTick(); });
}

TfrmA00Main::~TfrmA00Main()
{
    // Whatever is still running is dropped, without waiting for it, and what the steps hold
    // (a bookmark of Qhead among them) is released here, while the queries still exist.
    connection_->stop();
    Timer1->setEnabled(false);
    // Controls go before the queries they observe.
    const auto children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    qDeleteAll(children);
}

void TfrmA00Main::createQueries()
{
    Connection* connection = connection_.get();
    Qhead = std::make_unique<TADOQuery>(QStringLiteral("Qhead"), connection);
    Qhead->setStatement(statements::header());
    Qai = std::make_unique<TADOQuery>(QStringLiteral("Qai"), connection);
    Qai->setStatement(statements::robotHistory());
    Qais = std::make_unique<TADOQuery>(QStringLiteral("Qais"), connection);
    Qais->setStatement(statements::robotComparison());
    Q = std::make_unique<TADOQuery>(QStringLiteral("Q"), connection);
    DShead = std::make_unique<TDataSource>();
    DShead->setDataSet(Qhead.get());
    DSai = std::make_unique<TDataSource>();
    DSai->setDataSet(Qai.get());
    DSais = std::make_unique<TDataSource>();
    DSais->setDataSet(Qais.get());
}

void TfrmA00Main::createHeader()
{
    panel1 = new QFrame(this);
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
    panel1->setLineWidth(1);
    panel1->setAutoFillBackground(true);

    Label2 = caption(panel1, QStringLiteral("AI提示"), {7, 4});
    RzDBLabel1 = valueLabel(panel1, DShead.get(), QStringLiteral("cz"), clBlue, {7, 35, 172, 32});
    Label1 = caption(panel1, QStringLiteral("离下期开奖"), {184, 4});
    st1 = valueLabel(panel1, DShead.get(), QStringLiteral("xqkj"), clRed, {184, 35, 92, 32});
    // The seconds to the next draw come round every minute, past zero only when data is late.
    st1->setKeptPictures(64);
    Label3 = caption(panel1, QStringLiteral("本期号码"), {296, 4});
    RzDBLabel2 =
        valueLabel(panel1, DShead.get(), QStringLiteral("zjhm"), clBlack, {296, 35, 92, 32});
    Label4 = caption(panel1, QStringLiteral("AI机器人"), {477, 4});
    // Each caption names the value below it for a screen reader.
    Label2->setBuddy(RzDBLabel1);
    Label1->setBuddy(st1);
    Label3->setBuddy(RzDBLabel2);

    createSelector();
    Label4->setBuddy(cbb1);

    bbSear = new TLbButton(panel1);
    bbSear->setObjectName(QStringLiteral("bbSear"));
    bbSear->setGeometry(629, 11, 100, 53);
    bbSear->setCaption(QStringLiteral("查询(&Q)"));
    bbSear->setGlyphLayout(blGlyphTop);
    bbSear->setColor(clSilver);
    bbSear->setLightColor(clWhite);
    bbSear->setShadowColor(clGray);
    bbSear->setModalResult(4);
    bbSear->setGlyph(searchGlyph(pictureRatio(this)), 2);
    bbSear->setOnClick([this](QObject* sender) { bbSearClick(sender); });

    bbClose = new TLbButton(panel1);
    bbClose->setObjectName(QStringLiteral("bbClose"));
    bbClose->resize(130, 60);
    bbClose->setCaption(QStringLiteral("退出(&X)"));
    bbClose->setGlyphLayout(blGlyphLeft);
    bbClose->setColor(15519380);
    bbClose->setLightColor(16574164);
    bbClose->setShadowColor(clBlack);
    bbClose->setGlyph(closeGlyph(pictureRatio(this)), 2);
    bbClose->setOnClick([this](QObject* sender) { bbCloseClick(sender); });

    setTabOrder(cbb1, bbSear);
    setTabOrder(bbSear, bbClose);
}

void TfrmA00Main::createSelector()
{
    cbb1 = new QComboBox(panel1);
    cbb1->setEditable(true);
    selectorEdit_ = new SelectorEdit(cbb1);
    cbb1->setLineEdit(selectorEdit_);
    cbb1->setInsertPolicy(QComboBox::NoInsert);
    // Typed text is searched as typed: no completion to a listed name.
    cbb1->setCompleter(nullptr);
    cbb1->setFont(pixelFont(kYaHei, 19));
    cbb1->setGeometry(477, 32, 145, 33);
    for (const char* name :
         {"追0", "追1", "追2", "追3", "追4", "追5", "追6", "追7", "追8", "追9", "全局最热"})
        cbb1->addItem(QString::fromUtf8(name));
    cbb1->setCurrentIndex(0);
    // Every edit and every pick runs the change handler. A pick that changes the text has
    // run it already, within the same event; one that leaves the text as it was runs it now.
    // An edit that finishes is no pick, even when the combo box reports the typed name so.
    connect(cbb1, &QComboBox::editTextChanged, this, [this] {
        textJustChanged_ = true;
        QTimer::singleShot(0, this, [this] { textJustChanged_ = false; });
        guarded([&] { cbb1Change(); });
    });
    connect(cbb1, &QComboBox::activated, this, [this] {
        if (!textJustChanged_ && !selectorEdit_->finishingEdit())
            guarded([&] { cbb1Change(); });
    });
}

void TfrmA00Main::createPages()
{
    pc1 = new TRzPageControl(this);
    pc1->setObjectName(QStringLiteral("pc1"));
    ts11 = pc1->addPage(QStringLiteral("实时状态盘"));
    ts12 = pc1->addPage(QStringLiteral("机器人对比"));
    ts13 = pc1->addPage(QStringLiteral("追号大势"));
    alertsPage = pc1->addPage(QStringLiteral("报警记录"));
    fleetPage = pc1->addPage(QStringLiteral("全体走势"));
    createHistoryGrid(ts11);
    createComparisonGrid(ts12);
    createAlertsGrid(alertsPage);
    createFleetChart(fleetPage);

    DBChart1 = new TDBChart(ts13);
    fill(ts13, DBChart1);
    Series1 = DBChart1->addSeries();
    Series1->setDataSource(Qai.get());
    Series1->XValues().setValueSource(QStringLiteral("id"));
    Series1->YValues().setValueSource(QStringLiteral("K00"));
    Series1->setTitleSource(QStringLiteral("ainame"));
    DBChart1->setAccessibleName(QStringLiteral("余额走势"));
    DBChart1->loaded();
    // The page stored as active in the design; the show handler brings the first one forward.
    pc1->setActivePageIndex(2);
}

void TfrmA00Main::createHistoryGrid(QWidget* page)
{
    panel2 = new QFrame(page);
    panel2->setObjectName(QStringLiteral("Panel2"));
    DBGridEh1 = new TDBGridEh(panel2);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setFont(pixelFont(kYaHei, 16));
    DBGridEh1->setTitleFont(pixelFont(kYaHei, 19));
    DBGridEh1->setDataSource(DSai.get());
    DBGridEh1->setAccessibleName(ts11->Caption());
    fill(page, panel2);
    fill(panel2, DBGridEh1, kPageInset);
    const struct {
        const char* field;
        int width; // 0: from the field's display width
        bool grey;
    } columns[] = {{"cpqh", 129, true}, {"zjhm", 55, false}, {"kjsj", 121, true},
                   {"K00", 0, false},   {"K01", 0, false},   {"K02", 47, false},
                   {"K03", 0, false},   {"K04", 79, false},  {"K05", 282, true}};
    for (const auto& c : columns) {
        TDBGridColumnEh* column = DBGridEh1->addColumn(QString::fromUtf8(c.field));
        if (c.width > 0)
            column->setWidth(c.width);
        if (c.grey) {
            column->setFontColor(clGray);
            column->Title()->setFontColor(clGray);
        }
    }
}

void TfrmA00Main::createComparisonGrid(QWidget* page)
{
    DBGridEh3 = new TDBGridEh(page);
    DBGridEh3->setObjectName(QStringLiteral("DBGridEh3"));
    DBGridEh3->setFont(pixelFont(kYaHei, 19));
    DBGridEh3->setTitleFont(pixelFont(kSongTi, 19));
    DBGridEh3->setDataSource(DSais.get());
    DBGridEh3->setAccessibleName(ts12->Caption());
    fill(page, DBGridEh3);
    const struct {
        const char* field;
        int width;
    } columns[] = {{"ainame", 184}, {"K00", 134}, {"K01", 0},   {"k02", 0}, {"k03", 0},
                   {"k04", 94},     {"c3max", 0}, {"c4min", 0}, {"k05", 0}};
    for (const auto& c : columns) {
        TDBGridColumnEh* column = DBGridEh3->addColumn(QString::fromUtf8(c.field));
        if (c.width > 0)
            column->setWidth(c.width);
    }
}

void TfrmA00Main::createAlertsGrid(QWidget* page)
{
    alertsGrid = new TDBGridEh(page);
    alertsGrid->setObjectName(QStringLiteral("alertsGrid"));
    alertsGrid->setFont(pixelFont(kYaHei, 19));
    alertsGrid->setTitleFont(pixelFont(kSongTi, 19));
    alertsGrid->setDataSource(alertLog_->source());
    alertsGrid->setAccessibleName(alertsPage->Caption());
    fill(page, alertsGrid);
    const struct {
        const char* field;
        int width;
    } columns[] = {
        {"startedAt", 170}, {"robot", 130}, {"rule", 150}, {"value", 280}, {"endedAt", 170}};
    for (const auto& c : columns)
        alertsGrid->addColumn(QString::fromUtf8(c.field))->setWidth(c.width);
}

void TfrmA00Main::createFleetChart(QWidget* page)
{
    trend_ = std::make_unique<TADOQuery>(QStringLiteral("Qfleetai"), connection_.get());
    trend_->setStatement(statements::fleetTrend());
    fleetChart = new FleetChart(page);
    fleetChart->setAccessibleName(fleetPage->Caption());
    fill(page, fleetChart);
    fleetChart->installEventFilter(this);
    connect(fleetChart, &FleetChart::robotPicked, this,
            [this](const QString& robot) { guarded([&] { pickRobot(robot); }); });
}

bool TfrmA00Main::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == fleetChart && event->type() == QEvent::Show && trendStale_)
        guarded([&] { request(Work::Trend); });
    return QWidget::eventFilter(watched, event);
}

void TfrmA00Main::setAlertRules(const AlertRules& rules, const QDBusConnection& bus)
{
    alertBook_ = AlertBook(rules);
    alertLog_->refresh();
    fleet_.reset();
    if (rules.needsFleetState()) {
        fleet_ = std::make_unique<TADOQuery>(QStringLiteral("Qfleet"), connection_.get());
        fleet_->setStatement(statements::fleetState(rules.longestStreak()));
    }
    delete notifier_;
    notifier_ = nullptr;
    if (rules.anyOn()) {
        notifier_ = new AlertNotifier(bus, this);
        if (!notifier_->available())
            std::fprintf(stderr, "%s\n", qPrintable(AlertNotifier::unavailableLine()));
    }
    showFreshness();
}

void TfrmA00Main::layoutControls()
{
    // The header keeps its height, the status line its own; all extra room goes to the page
    // control.
    panel1->setGeometry(0, 0, width(), kHeaderHeight);
    bbClose->move(panel1->width() - kHeaderInset - bbClose->width(), kHeaderInset);
    const int line = statusLine->lineHeight();
    pc1->setGeometry(0, kHeaderHeight, width(), std::max(0, height() - kHeaderHeight - line));
    statusLine->setGeometry(0, std::max(kHeaderHeight, height() - line), width(), line);
}

void TfrmA00Main::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

// A grid in the back makes ready what bringing its page forward will paint: after a load that
// is every text in view, where a reload adds one row. A grid does the same when resized.
void TfrmA00Main::prepareHiddenGrids()
{
    DBGridEh1->prepareWhileHidden();
    DBGridEh3->prepareWhileHidden();
}

// The show handler runs as the window is shown, and the window goes on screen with its header
// filled: the handler's statements are waited for before it is, at most as long as the
// connect behind the splash may take. The event loop runs meanwhile (the results come
// through it), without the operator's input.
void TfrmA00Main::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        guarded([&] { FormShow(); });
        waitForTheShow();
    }
    QWidget::setVisible(visible);
}

void TfrmA00Main::waitForTheShow()
{
    const auto showPending = [this] {
        return work_.running() == Work::Show || work_.waiting(Work::Show);
    };
    constexpr int kAtLeastMs = 2000;
    const QDeadlineTimer deadline(std::max(connection_->loginTimeoutMs(), kAtLeastMs));
    while (showPending() && !deadline.hasExpired()) {
        QEventLoop loop;
        connect(this, &TfrmA00Main::workApplied, &loop, &QEventLoop::quit);
        QTimer::singleShot(int(deadline.remainingTime()), &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
}

void TfrmA00Main::FormShow()
{
    Loading = true;
    pc1->setActivePageIndex(0);
    TickCount = 0;
    cbb1->setFocus();
    request(Work::Show);
}

void TfrmA00Main::ReadHeader(std::function<void(int ver)> returnVer)
{
    step(Part::Header, *Qhead, {{QStringLiteral("ainame"), cbb1->currentText()}},
         [this, returnVer = std::move(returnVer)] {
             returnVer(Qhead->fieldByName(QStringLiteral("ver"))->asInteger());
         });
}

void TfrmA00Main::Timer1Timer(TTimer*)
{
    request(Work::Tick);
}

void TfrmA00Main::bbSearClick(QObject*)
{
    // Several keystrokes meanwhile make one search, with the text the selector has then.
    request(Work::Search);
}

void TfrmA00Main::request(Work work)
{
    if (work_.ask(work))
        start(work);
}

void TfrmA00Main::start(Work work)
{
    reloaded_ = false;
    if (work != Work::Fleet && work != Work::Trend)
        setReloadPending(true);
    try {
        switch (work) {
        case Work::FirstOpen:
            startFirstOpen();
            break;
        case Work::Show:
            startShow();
            break;
        case Work::Tick:
            startTick();
            break;
        case Work::Search:
            startSearch();
            break;
        case Work::Fleet:
            startFleet();
            break;
        case Work::Trend:
            startTrend();
            break;
        case Work::None:
            break;
        }
    } catch (...) {
        endWork(std::current_exception());
    }
}

// The stored parameters of the design: 追0 and the draw of the first demo day.
void TfrmA00Main::startFirstOpen()
{
    step(Part::Header, *Qhead, {}, [this] {
        step(Part::Reload, *Qai, {},
             [this] { step(Part::Reload, *Qais, {}, [this] { endWork(); }); });
    });
}

void TfrmA00Main::startShow()
{
    Qai->close();
    Qais->close();
    step(Part::Header, *Qhead, {}, [this] {
        const QString draw = Qhead->fieldByName(QStringLiteral("cpqh"))->asString();
        Q->close();
        Q->setStatement(statements::robotList(draw));
        step(Part::Header, *Q, {}, [this] {
            const QString shown = cbb1->currentText();
            cbb1->clear();
            cbb1->setEditText(shown);
            for (Q->First(); !Q->eof(); Q->Next())
                cbb1->addItem(Q->fieldByName(QStringLiteral("ainame"))->asString());
            Q->close();
            if (cbb1->count() > 0)
                cbb1->setCurrentIndex(0);
            endWork();
        });
    });
}

// A tick, from the timer to the repaint: the header is read; on an odd tick whose counter
// rose, the header is read again keeping its row, then the history and the comparison.
void TfrmA00Main::startTick()
{
    ++TickCount;
    ReadHeader([this](int ver) {
        applyAlertChanges(alertBook_.counterRead(ver, QDateTime::currentDateTime()));
        if (TickCount % 2 == 0 || ver <= DM->LastVer) {
            endWork();
            return;
        }
        DM->LastVer = ver;
        refreshKeepPosThen(*Qhead, [this] {
            reloadGrids([this] {
                reloadTrendIfShown([this] {
                    // The fleet is read after the tick's own statements, and waits for any
                    // other work asked for meanwhile.
                    if (fleet_)
                        work_.ask(Work::Fleet);
                    endWork();
                });
            });
        });
    });
}

void TfrmA00Main::startFleet()
{
    fleet_->reopenInBackground({}, [this](std::exception_ptr error) {
        if (!error) {
            try {
                const QVector<FleetRobot> robots = readFleetRobots(*fleet_);
                fleet_->close();
                fleetFailing_ = false;
                applyAlertChanges(alertBook_.fleetRead(robots, QDateTime::currentDateTime()));
            } catch (...) {
                error = std::current_exception();
            }
        }
        endWork(error);
    });
}

void TfrmA00Main::startSearch()
{
    reloadGrids([this] { endWork(); });
}

void TfrmA00Main::reloadGrids(std::function<void()> then)
{
    step(Part::Reload, *Qai, {{QStringLiteral("ainame"), cbb1->currentText()}},
         [this, then = std::move(then)] {
             const QString draw = Qai->fieldByName(QStringLiteral("cpqh"))->asString();
             step(Part::Reload, *Qais, {{QStringLiteral("cpqh"), draw}}, [this, then] {
                 reloaded_ = true;
                 then();
             });
         });
}

void TfrmA00Main::reloadTrendIfShown(std::function<void()> then)
{
    // Stale until read: a failed read is tried again when the page is shown next.
    trendStale_ = true;
    if (!fleetChart->isVisible()) {
        then();
        return;
    }
    readTrend(std::move(then));
}

// Shown after a reload passed it by (or for the first time): read now. Its failure is the
// refresh's, as it would have been within the tick.
void TfrmA00Main::startTrend()
{
    if (!trendStale_ || !fleetChart->isVisible()) {
        endWork();
        return;
    }
    readTrend([this] { endWork(); });
}

void TfrmA00Main::readTrend(std::function<void()> then)
{
    step(Part::Reload, *trend_, {}, [this, then = std::move(then)] {
        applyTrend();
        then();
    });
}

void TfrmA00Main::applyTrend()
{
    QVector<FleetTrendRow> rows;
    const Field* draw = trend_->fieldByName(QStringLiteral("cpqh"));
    const Field* robot = trend_->fieldByName(QStringLiteral("ainame"));
    const Field* balance = trend_->fieldByName(QStringLiteral("K00"));
    for (trend_->First(); !trend_->eof(); trend_->Next())
        rows.push_back({draw->asString(), robot->asString(),
                        balance->isNull() ? std::nullopt : std::optional(balance->asFloat())});
    trend_->close();
    fleetChart->setTrend(FleetTrend::fromRows(rows));
    trendStale_ = false;
}

void TfrmA00Main::pickRobot(const QString& robot)
{
    // As a pick from the list: a pick that changes the text runs the change handler through
    // the text's change, one that leaves it as it was runs it directly.
    const QString before = cbb1->currentText();
    const int index = cbb1->findText(robot, Qt::MatchExactly);
    if (index >= 0)
        cbb1->setCurrentIndex(index);
    if (cbb1->currentText() != robot)
        cbb1->setEditText(robot);
    else if (before == robot)
        cbb1Change();
    pc1->setActivePageIndex(0);
}

void TfrmA00Main::refreshKeepPosThen(TADOQuery& query, std::function<void()> then)
{
    auto position = std::make_shared<KeepPosition>(query);
    step(Part::Header, query, {}, [position, then = std::move(then)] {
        position->restore();
        then();
    });
}

void TfrmA00Main::step(Part part, TADOQuery& query, const TADOQuery::ParamChanges& changes,
                       std::function<void()> then)
{
    step_ = part;
    query.reopenInBackground(changes, [this, then = std::move(then)](std::exception_ptr error) {
        if (!error) {
            try {
                then();
                return;
            } catch (...) {
                error = std::current_exception();
            }
        }
        endWork(error);
    });
}

void TfrmA00Main::endWork(std::exception_ptr error)
{
    const Work ended = work_.running();
    if (ended == Work::None)
        return;
    if (ended == Work::Show)
        Loading = false;
    if (error && ended == Work::Fleet)
        reportFleetFailure(error);
    else if (error)
        reportFailure(error);
    else if (ended != Work::Search && ended != Work::Fleet && ended != Work::Trend)
        outage_.succeeded(reloaded_, QDateTime::currentDateTime());
    if (!error && (ended == Work::FirstOpen || ended == Work::Search))
        prepareHiddenGrids();
    showFreshness();
    // Input made while the rows were being replaced applies to the new ones, as the handler
    // had returned only now.
    setReloadPending(false);
    const Work next = work_.finish();
    emit workApplied();
    if (next != Work::None)
        start(next);
}

void TfrmA00Main::setReloadPending(bool pending)
{
    DBGridEh1->setReloadPending(pending);
    DBGridEh3->setReloadPending(pending);
}

void TfrmA00Main::reportFailure(const std::exception_ptr& error)
{
    const QString text = errorText(error);
    // A search's failure is the operator's own and has its own box; the refresh (the first
    // open, the show, the ticks) reports one box per outage.
    if (work_.running() == Work::Search || outage_.failed(step_, QDateTime::currentDateTime()))
        presentMessage(application->errorBoxSpec(text));
}

// The alerts' statement is the client's own addition: its failure is no outage of the
// operator's data and gets no box, only a line for the journal (once until it works again).
void TfrmA00Main::reportFleetFailure(const std::exception_ptr& error)
{
    if (std::exchange(fleetFailing_, true))
        return;
    std::fprintf(stderr, "tallyvane: the alerts could not read the robots: %s\n",
                 qPrintable(errorText(error)));
}

void TfrmA00Main::applyAlertChanges(const QVector<AlertChange>& changes)
{
    if (changes.isEmpty())
        return;
    for (const AlertChange& change : changes) {
        const AlertEntry& entry = alertBook_.entries()[change.entry];
        const AlertNotice notice = alertNotice(entry, change.kind);
        std::fprintf(stderr, "tallyvane: %s: %s\n", qPrintable(notice.summary),
                     qPrintable(notice.body));
        if (notifier_)
            notifier_->notify(notice);
    }
    alertLog_->refresh();
    showFreshness();
}

void TfrmA00Main::showFreshness()
{
    Freshness f;
    f.source = DM->ConSG->sourceName();
    f.lastGood = outage_.lastGood();
    f.outage = outage_.inOutage();
    f.outageSince = outage_.since();
    f.reconnecting = connection_->status().down;
    f.alerts = alertBook_.rules().anyOn() ? alertBook_.holdingCount() : -1;
    statusLine->setFreshness(f);
}

void TfrmA00Main::onTick()
{
    // The outage rule goes by the clock, box or not: an outage usually has its box open.
    guarded([&] {
        applyAlertChanges(alertBook_.outageSeen(outage_.inOutage() ? outage_.since() : QDateTime(),
                                                QDateTime::currentDateTime()));
    });
    // A box's own message loop delivers ticks too; none runs while one is open, but the
    // status line goes on telling how the link is.
    if (messageBoxOpen()) {
        showFreshness();
        return;
    }
    guarded([&] { Timer1Timer(Timer1); });
}

void TfrmA00Main::cbb1Change()
{
    if (Loading)
        return;
    Label2->setText(QStringLiteral("AI:") + cbb1->currentText());
    Label2->adjustSize();
    bbSear->click();
}

void TfrmA00Main::bbCloseClick(QObject*)
{
    close();
}
