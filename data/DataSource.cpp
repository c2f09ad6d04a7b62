#include "DataSource.h"

#include "ADODataSet.h"

TDataSource::~TDataSource()
{
    if (dataSet_)
        dataSet_->detachSource(this);
    for (DataLink* link : links_)
        link->source_ = nullptr;
}

void TDataSource::setDataSet(TCustomADODataSet* dataSet)
{
    if (dataSet_ == dataSet)
        return;
    if (dataSet_)
        dataSet_->detachSource(this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->attachSource(this);
    for (DataLink* link : QVector<DataLink*>(links_))
        link->activeChanged();
}

DataLink::~DataLink()
{
    if (source_)
        source_->links_.removeAll(this);
}

void DataLink::setDataSource(TDataSource* source)
{
    if (source_ == source)
        return;
    if (source_)
        source_->links_.removeAll(this);
    source_ = source;
    if (source_)
        source_->links_ << this;
    activeChanged();
}

TCustomADODataSet* DataLink::dataSet() const
{
    return source_ ? source_->dataSet() : nullptr;
}

bool DataLink::Active() const
{
    TCustomADODataSet* ds = dataSet();
    return ds && ds->Active();
}
