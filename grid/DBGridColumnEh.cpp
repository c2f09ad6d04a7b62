#include "DBGridColumnEh.h"

#include "DBGridEh.h"

QString TColumnTitleEh::displayCaption() const
{
    if (const Field* f = column_->field())
        return f->displayName();
    return column_->FieldName();
}

QFont TColumnTitleEh::Font() const
{
    return column_->grid()->TitleFont();
}

void TColumnTitleEh::setFontColor(BgrColor color)
{
    fontColor_ = color;
    column_->grid()->update();
}

void TColumnTitleEh::setSortMarker(TSortMarkerEh marker)
{
    if (sortMarker_ == marker)
        return;
    sortMarker_ = marker;
    column_->grid()->sortMarkerChanged(column_, marker);
}

int TColumnTitleEh::SortIndex() const
{
    return column_->grid()->sortMarkedColumns().indexOf(column_) + 1;
}

TColumnEh::TColumnEh(TCustomDBGridEh* grid, QString fieldName)
    : grid_(grid), fieldName_(std::move(fieldName))
{
}

Field* TColumnEh::field() const
{
    const TCustomADODataSet* ds = grid_->dataSet();
    return ds ? ds->FindField(fieldName_) : nullptr;
}

int TColumnEh::Width() const
{
    if (width_)
        return *width_;
    if (const Field* f = field())
        return gridmetrics::defaultColumnWidth(Font(), f->DisplayWidth());
    return 64;
}

void TColumnEh::setWidth(int width)
{
    width_ = width;
    changed();
}

QFont TColumnEh::Font() const
{
    return grid_->font();
}

void TColumnEh::setFontColor(BgrColor color)
{
    fontColor_ = color;
    grid_->update();
}

FieldAlignment TColumnEh::Alignment() const
{
    if (const Field* f = field())
        return f->Alignment();
    return FieldAlignment::Left;
}

void TColumnEh::changed()
{
    grid_->columnChanged(static_cast<TDBGridColumnEh*>(this));
}

TDBGridColumnEh::TDBGridColumnEh(TCustomDBGridEh* grid, QString fieldName)
    : TColumnEh(grid, std::move(fieldName)), title_(this)
{
}
