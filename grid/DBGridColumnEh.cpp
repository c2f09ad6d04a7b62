#include "DBGridColumnEh.h"

#include "DBGridEh.h"

QString TColumnTitleEh::DisplayCaption() const
{
    if (const TField* f = column_->Field())
        return f->DisplayName();
    return column_->FieldName();
}

QFont TColumnTitleEh::Font() const
{
    return column_->Grid()->TitleFont();
}

void TColumnTitleEh::SetFontColor(TColor color)
{
    fontColor_ = color;
    column_->Grid()->update();
}

void TColumnTitleEh::SetSortMarker(TSortMarkerEh marker)
{
    if (sortMarker_ == marker)
        return;
    sortMarker_ = marker;
    column_->Grid()->SortMarkerChanged(column_, marker);
}

int TColumnTitleEh::SortIndex() const
{
    return column_->Grid()->SortMarkedColumns().indexOf(column_) + 1;
}

TColumnEh::TColumnEh(TCustomDBGridEh* grid, QString fieldName)
    : grid_(grid), fieldName_(std::move(fieldName))
{
}

TField* TColumnEh::Field() const
{
    const TCustomADODataSet* ds = grid_->DataSet();
    return ds ? ds->FindField(fieldName_) : nullptr;
}

int TColumnEh::Width() const
{
    if (width_)
        return *width_;
    if (const TField* f = Field())
        return gridmetrics::defaultColumnWidth(Font(), f->DisplayWidth());
    return 64;
}

void TColumnEh::SetWidth(int width)
{
    width_ = width;
    Changed();
}

QFont TColumnEh::Font() const
{
    return grid_->font();
}

void TColumnEh::SetFontColor(TColor color)
{
    fontColor_ = color;
    grid_->update();
}

TAlignment TColumnEh::Alignment() const
{
    if (const TField* f = Field())
        return f->Alignment();
    return taLeftJustify;
}

void TColumnEh::Changed()
{
    grid_->ColumnChanged(static_cast<TDBGridColumnEh*>(this));
}

TDBGridColumnEh::TDBGridColumnEh(TCustomDBGridEh* grid, QString fieldName)
    : TColumnEh(grid, std::move(fieldName)), title_(this)
{
}
