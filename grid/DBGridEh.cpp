#include "DBGridEh.h"

#include "AccessibleGrid.h"
#include "Application.h"
#include "DBGridEhDataService.h"
#include "HeadTreeNode.h"
#include "KeptPictureScrollBar.h"

#include <QEvent>
#include <QTimer>
#include <algorithm>

void GridDataLink::activeChanged()
{
    grid_.linkActiveChanged();
}
void GridDataLink::dataSetScrolled()
{
    grid_.linkScrolled();
}
void GridDataLink::dataSetChanged()
{
    grid_.linkDataChanged();
}

namespace {
constexpr int kBorder = 1;
} // namespace

TCustomDBGridEh::TCustomDBGridEh(QWidget* parent)
    : QWidget(parent), link_(*this), titleFont_(font())
{
    accessibility::registerGrid();
    setFocusPolicy(Qt::StrongFocus);
    // No menu opens anywhere in the grid, and the parent does not offer one either.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    vbar_ = new KeptPictureScrollBar(Qt::Vertical, this);
    hbar_ = new KeptPictureScrollBar(Qt::Horizontal, this);
    for (QScrollBar* bar : {vbar_, hbar_}) {
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setContextMenuPolicy(Qt::PreventContextMenu);
        bar->hide();
    }
    // A resize drag asks at every step: the texts are made ready once it has stopped.
    prepareTimer_ = new QTimer(this);
    prepareTimer_->setSingleShot(true);
    prepareTimer_->setInterval(100);
    connect(prepareTimer_, &QTimer::timeout, this, &TCustomDBGridEh::prepareShownTexts);
    connect(vbar_, &QScrollBar::valueChanged, this, [this](int value) {
        guarded([&] {
            if (syncingBars_ || !link_.Active())
                return;
            dataSet()->setRecNo(value + 1);
            pendingInput_.wentTo(dataSet()->getBookmark());
        });
    });
    connect(hbar_, &QScrollBar::valueChanged, this, [this](int value) {
        guarded([&] {
            if (!syncingBars_)
                setLeftCol(value);
        });
    });
    indicatorWidth_ = gridmetrics::indicatorWidth(titleFont_, 0);
    layoutGrid();
}

TCustomDBGridEh::~TCustomDBGridEh()
{
    link_.setDataSource(nullptr);
}

void TCustomDBGridEh::setDataSource(TDataSource* source)
{
    link_.setDataSource(source);
}

void TCustomDBGridEh::setTitleFont(const QFont& font)
{
    titleFont_ = font;
    layoutGrid();
}

TDBGridColumnEh* TCustomDBGridEh::addColumn(const QString& fieldName)
{
    columns_.push_back(std::make_unique<TDBGridColumnEh>(this, fieldName));
    columnList_ << columns_.back().get();
    layoutGrid();
    return columnList_.back();
}

void TCustomDBGridEh::moveColumn(int from, int to)
{
    if (from < 0 || to < 0 || from >= columnList_.size() || to >= columnList_.size() || from == to)
        return;
    columnList_.move(from, to);
    if (selectedIndex_ == from)
        selectedIndex_ = to;
    layoutGrid();
    tellRowsReplaced();
}

void TCustomDBGridEh::setSelectedIndex(int index)
{
    if (index < 0 || index >= columnList_.size())
        return;
    selectedIndex_ = index;
    // The focused column is brought into view.
    if (index < layout_.leftCol())
        setLeftCol(index);
    else
        while (layout_.leftCol() < index && layout_.columnLeft(index) + layout_.columnWidth(index) >
                                                layout_.clientSize().width()) {
            const int before = layout_.leftCol();
            setLeftCol(before + 1);
            if (layout_.leftCol() == before)
                break; // a column wider than the view
        }
    update();
    if (hasFocus())
        AccessibleGrid::currentMoved(this);
}

void TCustomDBGridEh::setLeftCol(int col)
{
    const int before = layout_.leftCol();
    layout_.setLeftCol(std::min(col, layout_.maxLeftCol()));
    if (layout_.leftCol() != before) {
        updateScrollBars();
        update();
    }
}

int TCustomDBGridEh::shownRowCount() const
{
    return link_.Active() ? std::max(1, buffer_.count()) : 1;
}

int TCustomDBGridEh::recNoAtRow(int row) const
{
    return link_.Active() ? buffer_.recNoAt(row - 1) : -1;
}

void TCustomDBGridEh::columnChanged(TDBGridColumnEh*)
{
    layoutGrid();
}

void TCustomDBGridEh::sortMarkerChanged(TDBGridColumnEh* column, TSortMarkerEh marker)
{
    sortMarked_.removeAll(column);
    if (marker != smNoneEh)
        sortMarked_ << column;
    layoutGrid();
}

// ---------------------------------------------------------------------------------------------
// Following the dataset

void TCustomDBGridEh::linkActiveChanged()
{
    pendingInput_.rowsReplaced();
    TCustomADODataSet* ds = dataSet();
    // A closed dataset keeps the indicator as wide as the last result made it.
    if (ds && ds->Active())
        indicatorWidth_ = gridmetrics::indicatorWidth(titleFont_, ds->RecordCount());
    layoutGrid();
    if (ds && ds->Active())
        buffer_.reset(ds->RecordCount(), ds->RecNo(), layout_.visibleRowCapacity());
    else
        buffer_.clear();
    updateScrollBars();
    update();
    tellRowsReplaced();
}

void TCustomDBGridEh::tellRowsReplaced()
{
    // A reload closes and opens the dataset, and may re-read it: a listener hears of it once.
    if (rowsReplacedPosted_ || !accessibility::listening())
        return;
    rowsReplacedPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            rowsReplacedPosted_ = false;
            AccessibleGrid::rowsReplaced(this);
        },
        Qt::QueuedConnection);
}

void TCustomDBGridEh::linkScrolled()
{
    if (TCustomADODataSet* ds = dataSet(); ds && ds->Active())
        buffer_.follow(ds->RecNo());
    updateScrollBars();
    update();
    AccessibleGrid::currentMoved(this);
}

void TCustomDBGridEh::linkDataChanged()
{
    if (TCustomADODataSet* ds = dataSet(); ds && ds->Active())
        buffer_.resync(ds->RecordCount(), ds->RecNo());
    updateScrollBars();
    update();
    // A sort or a re-read: every row may hold another record now.
    tellRowsReplaced();
}

// ---------------------------------------------------------------------------------------------
// Layout

QSize TCustomDBGridEh::cellAreaSize(bool vbar, bool hbar) const
{
    QSize s = size() - QSize(2 * kBorder, 2 * kBorder);
    if (vbar)
        s.rwidth() -= vbar_->sizeHint().width();
    if (hbar)
        s.rheight() -= hbar_->sizeHint().height();
    return s.expandedTo(QSize(0, 0));
}

void TCustomDBGridEh::layoutGrid()
{
    if (measured_.rowHeight < 0 || measured_.cellFont != font()) {
        measured_.cellFont = font();
        measured_.rowHeight = gridmetrics::dataRowHeight(measured_.cellFont);
    }
    layout_.setRowHeight(measured_.rowHeight);
    layout_.setIndicatorWidth(indicatorWidth_);
    QVector<int> widths;
    QVector<THeadTreeNode::LeafSpec> leaves;
    for (TDBGridColumnEh* c : columnList_) {
        widths << c->Width();
        leaves << THeadTreeNode::LeafSpec{
            c->Title()->displayCaption(), c->Title()->Font(), widths.back(),
            c->Title()->SortMarker() != smNoneEh ? gridmetrics::kMarkerIndent : 0};
    }
    if (measured_.titleHeight < 0 || leaves != measured_.leaves) {
        measured_.titleHeight = gridmetrics::titleRowHeight(*THeadTreeNode::build(leaves));
        measured_.leaves = leaves;
    }
    layout_.setTitleHeight(measured_.titleHeight);
    layout_.setColumnWidths(widths);
    laidOut_ = true;
    updateScrollBars();
    update();
}

void TCustomDBGridEh::updateScrollBars()
{
    if (!laidOut_)
        return;
    const TCustomADODataSet* ds = dataSet();
    const int records = ds && ds->Active() ? ds->RecordCount() : 0;
    // Which bars are needed depends on the room the other one leaves.
    bool needV = false, needH = false;
    for (int pass = 0; pass < 2; ++pass) {
        layout_.setClientSize(cellAreaSize(needV, needH));
        needV = records > layout_.visibleRowCapacity();
        needH = layout_.maxLeftCol() > 0;
    }
    layout_.setClientSize(cellAreaSize(needV, needH));
    layout_.setLeftCol(std::min(layout_.leftCol(), layout_.maxLeftCol()));
    if (buffer_.capacity() != layout_.visibleRowCapacity())
        buffer_.setCapacity(layout_.visibleRowCapacity());

    syncingBars_ = true;
    const QSize cells = layout_.clientSize();
    vbar_->setVisible(needV);
    if (needV) {
        vbar_->setGeometry(kBorder + cells.width(), kBorder, vbar_->sizeHint().width(),
                           cells.height());
        vbar_->setRange(0, records - 1);
        vbar_->setPageStep(layout_.visibleRowCapacity());
        vbar_->setValue(std::max(0, ds->RecNo() - 1));
    }
    hbar_->setVisible(needH);
    if (needH) {
        hbar_->setGeometry(kBorder, kBorder + cells.height(), cells.width(),
                           hbar_->sizeHint().height());
        hbar_->setRange(0, layout_.maxLeftCol());
        hbar_->setPageStep(1);
        hbar_->setValue(layout_.leftCol());
    }
    syncingBars_ = false;
}

void TCustomDBGridEh::resizeEvent(QResizeEvent*)
{
    guarded([&] {
        updateScrollBars();
        update();
        prepareWhileHidden();
    });
}

void TCustomDBGridEh::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        guarded([&] {
            shapedTexts_.clear();
            numberWidths_.clear();
            layoutGrid();
        });
    QWidget::changeEvent(event);
}

void TCustomDBGridEh::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
    // After the grid's own focus event, which Qt sends once this handler has run.
    if (accessibility::listening())
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (hasFocus())
                    AccessibleGrid::currentMoved(this);
            },
            Qt::QueuedConnection);
}

void TCustomDBGridEh::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Sorting

bool TCustomDBGridEh::sortable(const TDBGridColumnEh* column) const
{
    const Field* f = column->field();
    if (!f || f->FieldKind() == FieldOrigin::Lookup)
        return false;
    const FieldType t = f->DataType();
    if (t == ftUnknown || (t >= ftBlob && t <= ftFixedChar) || (t >= ftADT && t <= ftFMTBcd))
        return false;
    return true;
}

void TCustomDBGridEh::setReloadPending(bool pending)
{
    if (pending)
        pendingInput_.begin();
    else
        pendingInput_.end(dataSet());
}

void TCustomDBGridEh::ToggleTitleSort(TDBGridColumnEh* column)
{
    TCustomADODataSet* ds = dataSet();
    if (!ds || !ds->Active() || !column || !sortable(column))
        return;
    const int focused = selectedIndex_;
    const QString fieldName = column->FieldName();
    const TSortMarkerEh before = column->Title()->SortMarker();

    for (TDBGridColumnEh* c : columnList_)
        c->Title()->setSortMarker(smNoneEh);
    // The stored marker is the opposite of what the title shows once the sort is done.
    column->Title()->setSortMarker(before == smNoneEh ? smDownEh
                                   : before == smUpEh ? smUpEh
                                                      : smNoneEh);

    // Nothing catches an error of the sort, so the markers then stay as stored, unreversed.
    TDBGridEhDataService::instance().SortDatasetByMarkers(*this);
    // The sorted rows are read from the top: the first record becomes current, and the view
    // follows it there.
    ds->First();
    pendingInput_.sorted(ds->Sort());

    // The first column of that field, which may stand left of the clicked one.
    const auto match =
        std::find_if(columnList_.begin(), columnList_.end(), [&](const TDBGridColumnEh* c) {
            return c->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0;
        });
    TDBGridColumnEh* shown = match != columnList_.end() ? *match : column;
    const TSortMarkerEh stored = shown->Title()->SortMarker();
    shown->Title()->setSortMarker(stored == smDownEh ? smUpEh
                                  : stored == smUpEh ? smDownEh
                                                     : smNoneEh);

    if (focused < columnList_.size())
        setSelectedIndex(focused);
}
