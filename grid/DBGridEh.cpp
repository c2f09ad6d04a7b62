#include "DBGridEh.h"

#include "Application.h"
#include "DBGridEhDataService.h"
#include "HeadTreeNode.h"

#include <QEvent>
#include <QScrollBar>
#include <algorithm>

void GridDataLink::ActiveChanged()
{
    grid_.LinkActiveChanged();
}
void GridDataLink::DataSetScrolled()
{
    grid_.LinkScrolled();
}
void GridDataLink::DataSetChanged()
{
    grid_.LinkDataChanged();
}

namespace {
constexpr int kBorder = 1;
} // namespace

TCustomDBGridEh::TCustomDBGridEh(QWidget* parent)
    : QWidget(parent), link_(*this), titleFont_(font())
{
    setFocusPolicy(Qt::StrongFocus);
    // No menu opens anywhere in the grid, and the parent does not offer one either.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    vbar_ = new QScrollBar(Qt::Vertical, this);
    hbar_ = new QScrollBar(Qt::Horizontal, this);
    for (QScrollBar* bar : {vbar_, hbar_}) {
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setContextMenuPolicy(Qt::PreventContextMenu);
        bar->hide();
    }
    connect(vbar_, &QScrollBar::valueChanged, this, [this](int value) {
        Guarded([&] {
            if (syncingBars_ || !link_.Active())
                return;
            DataSet()->SetRecNo(value + 1);
            pendingInput_.WentTo(DataSet()->GetBookmark());
        });
    });
    connect(hbar_, &QScrollBar::valueChanged, this, [this](int value) {
        Guarded([&] {
            if (!syncingBars_)
                SetLeftCol(value);
        });
    });
    indicatorWidth_ = gridmetrics::indicatorWidth(titleFont_, 0);
    LayoutGrid();
}

TCustomDBGridEh::~TCustomDBGridEh()
{
    link_.SetDataSource(nullptr);
}

void TCustomDBGridEh::SetDataSource(TDataSource* source)
{
    link_.SetDataSource(source);
}

void TCustomDBGridEh::SetTitleFont(const QFont& font)
{
    titleFont_ = font;
    LayoutGrid();
}

TDBGridColumnEh* TCustomDBGridEh::AddColumn(const QString& fieldName)
{
    columns_.push_back(std::make_unique<TDBGridColumnEh>(this, fieldName));
    columnList_ << columns_.back().get();
    LayoutGrid();
    return columnList_.back();
}

void TCustomDBGridEh::MoveColumn(int from, int to)
{
    if (from < 0 || to < 0 || from >= columnList_.size() || to >= columnList_.size() || from == to)
        return;
    columnList_.move(from, to);
    if (selectedIndex_ == from)
        selectedIndex_ = to;
    LayoutGrid();
}

void TCustomDBGridEh::SetSelectedIndex(int index)
{
    if (index < 0 || index >= columnList_.size())
        return;
    selectedIndex_ = index;
    // The focused column is brought into view.
    if (index < layout_.LeftCol())
        SetLeftCol(index);
    else
        while (layout_.LeftCol() < index && layout_.ColumnLeft(index) + layout_.ColumnWidth(index) >
                                                layout_.ClientSize().width()) {
            const int before = layout_.LeftCol();
            SetLeftCol(before + 1);
            if (layout_.LeftCol() == before)
                break; // a column wider than the view
        }
    update();
}

void TCustomDBGridEh::SetLeftCol(int col)
{
    const int before = layout_.LeftCol();
    layout_.SetLeftCol(std::min(col, layout_.MaxLeftCol()));
    if (layout_.LeftCol() != before) {
        UpdateScrollBars();
        update();
    }
}

int TCustomDBGridEh::ShownRowCount() const
{
    return link_.Active() ? std::max(1, buffer_.Count()) : 1;
}

int TCustomDBGridEh::RecNoAtRow(int row) const
{
    return link_.Active() ? buffer_.RecNoAt(row - 1) : -1;
}

void TCustomDBGridEh::ColumnChanged(TDBGridColumnEh*)
{
    LayoutGrid();
}

void TCustomDBGridEh::SortMarkerChanged(TDBGridColumnEh* column, TSortMarkerEh marker)
{
    sortMarked_.removeAll(column);
    if (marker != smNoneEh)
        sortMarked_ << column;
    LayoutGrid();
}

// ---------------------------------------------------------------------------------------------
// Following the dataset

void TCustomDBGridEh::LinkActiveChanged()
{
    pendingInput_.RowsReplaced();
    TCustomADODataSet* ds = DataSet();
    // A closed dataset keeps the indicator as wide as the last result made it.
    if (ds && ds->Active())
        indicatorWidth_ = gridmetrics::indicatorWidth(titleFont_, ds->RecordCount());
    LayoutGrid();
    if (ds && ds->Active())
        buffer_.Reset(ds->RecordCount(), ds->RecNo(), layout_.VisibleRowCapacity());
    else
        buffer_.Clear();
    UpdateScrollBars();
    update();
}

void TCustomDBGridEh::LinkScrolled()
{
    if (TCustomADODataSet* ds = DataSet(); ds && ds->Active())
        buffer_.Follow(ds->RecNo());
    UpdateScrollBars();
    update();
}

void TCustomDBGridEh::LinkDataChanged()
{
    if (TCustomADODataSet* ds = DataSet(); ds && ds->Active())
        buffer_.Resync(ds->RecordCount(), ds->RecNo());
    UpdateScrollBars();
    update();
}

// ---------------------------------------------------------------------------------------------
// Layout

QSize TCustomDBGridEh::CellAreaSize(bool vbar, bool hbar) const
{
    QSize s = size() - QSize(2 * kBorder, 2 * kBorder);
    if (vbar)
        s.rwidth() -= vbar_->sizeHint().width();
    if (hbar)
        s.rheight() -= hbar_->sizeHint().height();
    return s.expandedTo(QSize(0, 0));
}

void TCustomDBGridEh::LayoutGrid()
{
    if (measured_.rowHeight < 0 || measured_.cellFont != font()) {
        measured_.cellFont = font();
        measured_.rowHeight = gridmetrics::dataRowHeight(measured_.cellFont);
    }
    layout_.SetRowHeight(measured_.rowHeight);
    layout_.SetIndicatorWidth(indicatorWidth_);
    QVector<int> widths;
    QVector<THeadTreeNode::LeafSpec> leaves;
    for (TDBGridColumnEh* c : columnList_) {
        widths << c->Width();
        leaves << THeadTreeNode::LeafSpec{
            c->Title()->DisplayCaption(), c->Title()->Font(), widths.back(),
            c->Title()->SortMarker() != smNoneEh ? gridmetrics::kMarkerIndent : 0};
    }
    if (measured_.titleHeight < 0 || leaves != measured_.leaves) {
        measured_.titleHeight = gridmetrics::titleRowHeight(*THeadTreeNode::Build(leaves));
        measured_.leaves = leaves;
    }
    layout_.SetTitleHeight(measured_.titleHeight);
    layout_.SetColumnWidths(widths);
    laidOut_ = true;
    UpdateScrollBars();
    update();
}

void TCustomDBGridEh::UpdateScrollBars()
{
    if (!laidOut_)
        return;
    const TCustomADODataSet* ds = DataSet();
    const int records = ds && ds->Active() ? ds->RecordCount() : 0;
    // Which bars are needed depends on the room the other one leaves.
    bool needV = false, needH = false;
    for (int pass = 0; pass < 2; ++pass) {
        layout_.SetClientSize(CellAreaSize(needV, needH));
        needV = records > layout_.VisibleRowCapacity();
        needH = layout_.MaxLeftCol() > 0;
    }
    layout_.SetClientSize(CellAreaSize(needV, needH));
    layout_.SetLeftCol(std::min(layout_.LeftCol(), layout_.MaxLeftCol()));
    if (buffer_.Capacity() != layout_.VisibleRowCapacity())
        buffer_.SetCapacity(layout_.VisibleRowCapacity());

    syncingBars_ = true;
    const QSize cells = layout_.ClientSize();
    vbar_->setVisible(needV);
    if (needV) {
        vbar_->setGeometry(kBorder + cells.width(), kBorder, vbar_->sizeHint().width(),
                           cells.height());
        vbar_->setRange(0, records - 1);
        vbar_->setPageStep(layout_.VisibleRowCapacity());
        vbar_->setValue(std::max(0, ds->RecNo() - 1));
    }
    hbar_->setVisible(needH);
    if (needH) {
        hbar_->setGeometry(kBorder, kBorder + cells.height(), cells.width(),
                           hbar_->sizeHint().height());
        hbar_->setRange(0, layout_.MaxLeftCol());
        hbar_->setPageStep(1);
        hbar_->setValue(layout_.LeftCol());
    }
    syncingBars_ = false;
}

void TCustomDBGridEh::resizeEvent(QResizeEvent*)
{
    Guarded([&] {
        UpdateScrollBars();
        update();
    });
}

void TCustomDBGridEh::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        Guarded([&] {
            shapedTexts_.Clear();
            numberWidths_.clear();
            LayoutGrid();
        });
    QWidget::changeEvent(event);
}

void TCustomDBGridEh::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void TCustomDBGridEh::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Sorting

bool TCustomDBGridEh::Sortable(const TDBGridColumnEh* column) const
{
    const TField* f = column->Field();
    if (!f || f->FieldKind() == fkLookup)
        return false;
    const TFieldType t = f->DataType();
    if (t == ftUnknown || (t >= ftBlob && t <= ftFixedChar) || (t >= ftADT && t <= ftFMTBcd))
        return false;
    return true;
}

void TCustomDBGridEh::SetReloadPending(bool pending)
{
    if (pending)
        pendingInput_.Begin();
    else
        pendingInput_.End(DataSet());
}

void TCustomDBGridEh::ToggleTitleSort(TDBGridColumnEh* column)
{
    TCustomADODataSet* ds = DataSet();
    if (!ds || !ds->Active() || !column || !Sortable(column))
        return;
    const int focused = selectedIndex_;
    const QString fieldName = column->FieldName();
    const TSortMarkerEh before = column->Title()->SortMarker();

    for (TDBGridColumnEh* c : columnList_)
        c->Title()->SetSortMarker(smNoneEh);
    // The stored marker is the opposite of what the title shows once the sort is done.
    column->Title()->SetSortMarker(before == smNoneEh ? smDownEh
                                   : before == smUpEh ? smUpEh
                                                      : smNoneEh);

    // Nothing catches an error of the sort, so the markers then stay as stored, unreversed.
    TDBGridEhDataService::instance().SortDatasetByMarkers(*this);
    // The sorted rows are read from the top: the first record becomes current, and the view
    // follows it there.
    ds->First();
    pendingInput_.Sorted(ds->Sort());

    // The first column of that field, which may stand left of the clicked one.
    const auto match =
        std::find_if(columnList_.begin(), columnList_.end(), [&](const TDBGridColumnEh* c) {
            return c->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0;
        });
    TDBGridColumnEh* shown = match != columnList_.end() ? *match : column;
    const TSortMarkerEh stored = shown->Title()->SortMarker();
    shown->Title()->SetSortMarker(stored == smDownEh ? smUpEh
                                  : stored == smUpEh ? smDownEh
                                                     : smNoneEh);

    if (focused < columnList_.size())
        SetSelectedIndex(focused);
}
