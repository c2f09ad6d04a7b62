#include "A00Main.h"

#include "Application.h"
#include "ButtonGlyphs.h"
#include "Colors.h"
#include "DBChart.h"
#include "DBGridEh.h"
#include "Exceptions.h"
#include "Fonts.h"
#include "FreshnessLine.h"
#include "LbButton.h"
#include "MXT_PUB.h"
#include "RzDBLabel.h"
#include "RzPageControl.h"
#include "SelectorEdit.h"
#include "Timer.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QTimer>
#include <QVBoxLayout>

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

TRzDBLabel* valueLabel(QWidget* parent, TDataSource* source, const QString& field, TColor colour,
                       QRect at)
{
    auto* label = new TRzDBLabel(parent);
    label->setGeometry(at);
    label->setFont(pixelFont(kYaHei, 19));
    label->SetDataSource(source);
    label->SetDataField(field);
    label->SetFontColor(colour);
    return label;
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
    setWindowTitle(QStringLiteral("A00Main-主界面"));
    setFont(pixelFont(kSongTi, 19));
    setAttribute(Qt::WA_DeleteOnClose, false);

    CreateQueries();
    CreateHeader();
    CreatePages();
    StatusLine = new FreshnessLine(this);

    // Client size from the outer size, with the frame a desktop usually draws.
    resize(kOuterGeometry.width() - 16, kOuterGeometry.height() - 39);
    move(kOuterGeometry.topLeft());
    LayoutControls();
    ShowFreshness();

    DM->ConSG->StartBackground();
    Request(Work::FirstOpen);

    Timer1 = new TTimer(this);
    Timer1->SetOnTimer([this](TTimer*) { OnTick(); });
}

TfrmA00Main::~TfrmA00Main()
{
    // Whatever is still running is dropped, without waiting for it, and what the steps hold
    // (a bookmark of Qhead among them) is released here, while the queries still exist.
    DM->ConSG->StopBackground();
    Timer1->SetEnabled(false);
    // Controls go before the queries they observe.
    const auto children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    qDeleteAll(children);
}

void TfrmA00Main::CreateQueries()
{
    TADOConnection* connection = DM->ConSG.get();
    Qhead = std::make_unique<TADOQuery>(QStringLiteral("Qhead"), connection);
    Qhead->SetStatement(statements::header());
    Qai = std::make_unique<TADOQuery>(QStringLiteral("Qai"), connection);
    Qai->SetStatement(statements::robotHistory());
    Qais = std::make_unique<TADOQuery>(QStringLiteral("Qais"), connection);
    Qais->SetStatement(statements::robotComparison());
    Q = std::make_unique<TADOQuery>(QStringLiteral("Q"), connection);
    DShead = std::make_unique<TDataSource>();
    DShead->SetDataSet(Qhead.get());
    DSai = std::make_unique<TDataSource>();
    DSai->SetDataSet(Qai.get());
    DSais = std::make_unique<TDataSource>();
    DSais->SetDataSet(Qais.get());
}

void TfrmA00Main::CreateHeader()
{
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Panel1->setLineWidth(1);
    Panel1->setAutoFillBackground(true);

    Label2 = caption(Panel1, QStringLiteral("AI提示"), {7, 4});
    RzDBLabel1 = valueLabel(Panel1, DShead.get(), QStringLiteral("cz"), clBlue, {7, 35, 172, 32});
    Label1 = caption(Panel1, QStringLiteral("离下期开奖"), {184, 4});
    st1 = valueLabel(Panel1, DShead.get(), QStringLiteral("xqkj"), clRed, {184, 35, 92, 32});
    Label3 = caption(Panel1, QStringLiteral("本期号码"), {296, 4});
    RzDBLabel2 =
        valueLabel(Panel1, DShead.get(), QStringLiteral("zjhm"), clBlack, {296, 35, 92, 32});
    Label4 = caption(Panel1, QStringLiteral("AI机器人"), {477, 4});

    CreateSelector();

    bbSear = new TLbButton(Panel1);
    bbSear->setObjectName(QStringLiteral("bbSear"));
    bbSear->setGeometry(629, 11, 100, 53);
    bbSear->SetCaption(QStringLiteral("查询(&Q)"));
    bbSear->SetLayout(blGlyphTop);
    bbSear->SetColor(clSilver);
    bbSear->SetLightColor(clWhite);
    bbSear->SetShadowColor(clGray);
    bbSear->SetModalResult(4);
    bbSear->SetGlyph(searchGlyph(), 2);
    bbSear->SetOnClick([this](QObject* sender) { bbSearClick(sender); });

    bbClose = new TLbButton(Panel1);
    bbClose->setObjectName(QStringLiteral("bbClose"));
    bbClose->resize(130, 60);
    bbClose->SetCaption(QStringLiteral("退出(&X)"));
    bbClose->SetLayout(blGlyphLeft);
    bbClose->SetColor(15519380);
    bbClose->SetLightColor(16574164);
    bbClose->SetShadowColor(clBlack);
    bbClose->SetGlyph(closeGlyph(), 2);
    bbClose->SetOnClick([this](QObject* sender) { bbCloseClick(sender); });

    setTabOrder(cbb1, bbSear);
    setTabOrder(bbSear, bbClose);
}

void TfrmA00Main::CreateSelector()
{
    cbb1 = new QComboBox(Panel1);
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
        Guarded([&] { cbb1Change(); });
    });
    connect(cbb1, &QComboBox::activated, this, [this] {
        if (!textJustChanged_ && !selectorEdit_->FinishingEdit())
            Guarded([&] { cbb1Change(); });
    });
}

void TfrmA00Main::CreatePages()
{
    pc1 = new TRzPageControl(this);
    pc1->setObjectName(QStringLiteral("pc1"));
    ts11 = pc1->AddPage(QStringLiteral("实时状态盘"));
    ts12 = pc1->AddPage(QStringLiteral("机器人对比"));
    ts13 = pc1->AddPage(QStringLiteral("追号大势"));
    CreateHistoryGrid(ts11);
    CreateComparisonGrid(ts12);

    DBChart1 = new TDBChart(ts13);
    fill(ts13, DBChart1);
    Series1 = DBChart1->AddSeries();
    Series1->SetDataSource(Qai.get());
    Series1->XValues().SetValueSource(QStringLiteral("id"));
    Series1->YValues().SetValueSource(QStringLiteral("K00"));
    DBChart1->Loaded();
    // The page stored as active in the design; the show handler brings the first one forward.
    pc1->SetActivePageIndex(2);
}

void TfrmA00Main::CreateHistoryGrid(QWidget* page)
{
    Panel2 = new QFrame(page);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    DBGridEh1 = new TDBGridEh(Panel2);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setFont(pixelFont(kYaHei, 16));
    DBGridEh1->SetTitleFont(pixelFont(kYaHei, 19));
    DBGridEh1->SetDataSource(DSai.get());
    fill(page, Panel2);
    fill(Panel2, DBGridEh1, kPageInset);
    const struct {
        const char* field;
        int width; // 0: from the field's display width
        bool grey;
    } columns[] = {{"cpqh", 129, true}, {"zjhm", 55, false}, {"kjsj", 121, true},
                   {"K00", 0, false},   {"K01", 0, false},   {"K02", 47, false},
                   {"K03", 0, false},   {"K04", 79, false},  {"K05", 282, true}};
    for (const auto& c : columns) {
        TDBGridColumnEh* column = DBGridEh1->AddColumn(QString::fromUtf8(c.field));
        if (c.width > 0)
            column->SetWidth(c.width);
        if (c.grey) {
            column->SetFontColor(clGray);
            column->Title()->SetFontColor(clGray);
        }
    }
}

void TfrmA00Main::CreateComparisonGrid(QWidget* page)
{
    DBGridEh3 = new TDBGridEh(page);
    DBGridEh3->setObjectName(QStringLiteral("DBGridEh3"));
    DBGridEh3->setFont(pixelFont(kYaHei, 19));
    DBGridEh3->SetTitleFont(pixelFont(kSongTi, 19));
    DBGridEh3->SetDataSource(DSais.get());
    fill(page, DBGridEh3);
    const struct {
        const char* field;
        int width;
    } columns[] = {{"ainame", 184}, {"K00", 134}, {"K01", 0},   {"k02", 0}, {"k03", 0},
                   {"k04", 94},     {"c3max", 0}, {"c4min", 0}, {"k05", 0}};
    for (const auto& c : columns) {
        TDBGridColumnEh* column = DBGridEh3->AddColumn(QString::fromUtf8(c.field));
        if (c.width > 0)
            column->SetWidth(c.width);
    }
}

void TfrmA00Main::LayoutControls()
{
    // The header keeps its height, the status line its own; all extra room goes to the page
    // control.
    Panel1->setGeometry(0, 0, width(), kHeaderHeight);
    bbClose->move(Panel1->width() - kHeaderInset - bbClose->width(), kHeaderInset);
    const int line = StatusLine->LineHeight();
    pc1->setGeometry(0, kHeaderHeight, width(), std::max(0, height() - kHeaderHeight - line));
    StatusLine->setGeometry(0, std::max(kHeaderHeight, height() - line), width(), line);
}

void TfrmA00Main::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutControls();
}

// The show handler runs as the window is shown, and the window goes on screen with its header
// filled: the handler's statements are waited for before it is, at most as long as the
// connect behind the splash may take. The event loop runs meanwhile (the results come
// through it), without the operator's input.
void TfrmA00Main::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        Guarded([&] { FormShow(); });
        WaitForTheShow();
    }
    QWidget::setVisible(visible);
}

void TfrmA00Main::WaitForTheShow()
{
    const auto showPending = [this] {
        return work_.Running() == Work::Show || work_.Waiting(Work::Show);
    };
    constexpr int kAtLeastMs = 2000;
    const QDeadlineTimer deadline(std::max(DM->ConSG->LoginTimeoutMs(), kAtLeastMs));
    while (showPending() && !deadline.hasExpired()) {
        QEventLoop loop;
        connect(this, &TfrmA00Main::WorkApplied, &loop, &QEventLoop::quit);
        QTimer::singleShot(int(deadline.remainingTime()), &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
}

void TfrmA00Main::FormShow()
{
    Loading = true;
    pc1->SetActivePageIndex(0);
    TickCount = 0;
    cbb1->setFocus();
    Request(Work::Show);
}

void TfrmA00Main::ReadHeader(std::function<void(int ver)> then)
{
    Step(Part::Header, *Qhead, {{QStringLiteral("ainame"), cbb1->currentText()}},
         [this, then = std::move(then)] {
             then(Qhead->FieldByName(QStringLiteral("ver"))->AsInteger());
         });
}

void TfrmA00Main::Timer1Timer(TTimer*)
{
    Request(Work::Tick);
}

void TfrmA00Main::bbSearClick(QObject*)
{
    // Several keystrokes meanwhile make one search, with the text the selector has then.
    Request(Work::Search);
}

void TfrmA00Main::Request(Work work)
{
    if (work_.Ask(work))
        Start(work);
}

void TfrmA00Main::Start(Work work)
{
    reloaded_ = false;
    SetReloadPending(true);
    try {
        switch (work) {
        case Work::FirstOpen:
            StartFirstOpen();
            break;
        case Work::Show:
            StartShow();
            break;
        case Work::Tick:
            StartTick();
            break;
        case Work::Search:
            StartSearch();
            break;
        case Work::None:
            break;
        }
    } catch (...) {
        EndWork(std::current_exception());
    }
}

// The stored parameters of the design: 追0 and the draw of the first demo day.
void TfrmA00Main::StartFirstOpen()
{
    Step(Part::Header, *Qhead, {}, [this] {
        Step(Part::Reload, *Qai, {},
             [this] { Step(Part::Reload, *Qais, {}, [this] { EndWork(); }); });
    });
}

void TfrmA00Main::StartShow()
{
    Qai->Close();
    Qais->Close();
    Step(Part::Header, *Qhead, {}, [this] {
        const QString draw = Qhead->FieldByName(QStringLiteral("cpqh"))->AsString();
        Q->Close();
        Q->SetStatement(statements::robotList(draw));
        Step(Part::Header, *Q, {}, [this] {
            const QString shown = cbb1->currentText();
            cbb1->clear();
            cbb1->setEditText(shown);
            for (Q->First(); !Q->Eof(); Q->Next())
                cbb1->addItem(Q->FieldByName(QStringLiteral("ainame"))->AsString());
            Q->Close();
            if (cbb1->count() > 0)
                cbb1->setCurrentIndex(0);
            EndWork();
        });
    });
}

// A tick, from the timer to the repaint: the header is read; on an odd tick whose counter
// rose, the header is read again keeping its row, then the history and the comparison.
void TfrmA00Main::StartTick()
{
    ++TickCount;
    ReadHeader([this](int ver) {
        if (TickCount % 2 == 0 || ver <= DM->LastVer) {
            EndWork();
            return;
        }
        DM->LastVer = ver;
        RefreshKeepPosThen(*Qhead, [this] { ReloadGrids([this] { EndWork(); }); });
    });
}

void TfrmA00Main::StartSearch()
{
    ReloadGrids([this] { EndWork(); });
}

void TfrmA00Main::ReloadGrids(std::function<void()> then)
{
    Step(Part::Reload, *Qai, {{QStringLiteral("ainame"), cbb1->currentText()}},
         [this, then = std::move(then)] {
             const QString draw = Qai->FieldByName(QStringLiteral("cpqh"))->AsString();
             Step(Part::Reload, *Qais, {{QStringLiteral("cpqh"), draw}}, [this, then] {
                 reloaded_ = true;
                 then();
             });
         });
}

void TfrmA00Main::RefreshKeepPosThen(TADOQuery& query, std::function<void()> then)
{
    auto position = std::make_shared<KeepPosition>(query);
    Step(Part::Header, query, {}, [position, then = std::move(then)] {
        position->Restore();
        then();
    });
}

void TfrmA00Main::Step(Part part, TADOQuery& query, const TADOQuery::ParamChanges& changes,
                       std::function<void()> then)
{
    step_ = part;
    query.ReopenInBackground(changes, [this, then = std::move(then)](std::exception_ptr error) {
        if (!error) {
            try {
                then();
                return;
            } catch (...) {
                error = std::current_exception();
            }
        }
        EndWork(error);
    });
}

void TfrmA00Main::EndWork(std::exception_ptr error)
{
    const Work ended = work_.Running();
    if (ended == Work::None)
        return;
    if (ended == Work::Show)
        Loading = false;
    if (error)
        ReportFailure(error);
    else if (ended != Work::Search)
        outage_.Succeeded(reloaded_, QDateTime::currentDateTime());
    ShowFreshness();
    // Input made while the rows were being replaced applies to the new ones, as the handler
    // had returned only now.
    SetReloadPending(false);
    const Work next = work_.Finish();
    emit WorkApplied();
    if (next != Work::None)
        Start(next);
}

void TfrmA00Main::SetReloadPending(bool pending)
{
    DBGridEh1->SetReloadPending(pending);
    DBGridEh3->SetReloadPending(pending);
}

void TfrmA00Main::ReportFailure(const std::exception_ptr& error)
{
    QString text;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        text = exceptionText(e);
    } catch (...) {
        text = QStringLiteral("Unknown error");
    }
    // A search's failure is the operator's own and has its own box; the refresh (the first
    // open, the show, the ticks) reports one box per outage.
    if (work_.Running() == Work::Search || outage_.Failed(step_, QDateTime::currentDateTime()))
        presentMessage(Application->ErrorBoxSpec(text));
}

void TfrmA00Main::ShowFreshness()
{
    Freshness f;
    f.source = DM->ConSG->SourceName();
    f.lastGood = outage_.LastGood();
    f.outage = outage_.InOutage();
    f.outageSince = outage_.Since();
    f.reconnecting = DM->ConSG->Status().down;
    StatusLine->Show(f);
}

void TfrmA00Main::OnTick()
{
    // A box's own message loop delivers ticks too; none runs while one is open, but the
    // status line goes on telling how the link is.
    if (messageBoxOpen()) {
        ShowFreshness();
        return;
    }
    Guarded([&] { Timer1Timer(Timer1); });
}

void TfrmA00Main::cbb1Change()
{
    if (Loading)
        return;
    Label2->setText(QStringLiteral("AI:") + cbb1->currentText());
    Label2->adjustSize();
    bbSear->Click();
}

void TfrmA00Main::bbCloseClick(QObject*)
{
    close();
}
