#include "DataSource.h"

#include "ADODataSet.h"

TDataSource::~TDataSource()
{
    if (dataSet_)
        dataSet_->DetachSource(this);
    for (TDataLink* link : links_)
        link->source_ = nullptr;
}

void TDataSource::SetDataSet(TCustomADODataSet* dataSet)
{
    if (dataSet_ == dataSet)
        return;
    if (dataSet_)
        dataSet_->DetachSource(this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->AttachSource(this);
    for (TDataLink* link : QVector<TDataLink*>(links_))
        link->ActiveChanged();
}

TDataLink::~TDataLink()
{
    if (source_)
        source_->links_.removeAll(this);
}

void TDataLink::SetDataSource(TDataSource* source)
{
    if (source_ == source)
        return;
    if (source_)
        source_->links_.removeAll(this);
    source_ = source;
    if (source_)
        source_->links_ << this;
    ActiveChanged();
}

TCustomADODataSet* TDataLink::DataSet() const
{
    return source_ ? source_->DataSet() : nullptr;
}

bool TDataLink::Active() const
{
    TCustomADODataSet* ds = DataSet();
    return ds && ds->Active();
}
