#include "DBChartDataSource.h"

#include "DBChart.h"

TDBChartDataSource::TDBChartDataSource(TDBChart* chart, TCustomADODataSet* dataSet)
    : chart_(chart), dataSet_(dataSet), wasActive_(dataSet->Active())
{
    dataSet_->addListener(this);
}

TDBChartDataSource::~TDBChartDataSource()
{
    dataSet_->removeListener(this);
}

void TDBChartDataSource::dataSetStateChanged(TCustomADODataSet* dataSet, DataSetState state)
{
    if (state == DataSetState::Inactive) {
        wasActive_ = false;
        chart_->clearSeriesOf(dataSet);
    } else if (state == DataSetState::Browse && !wasActive_) {
        chart_->ReloadFromDataSet(dataSet);
        wasActive_ = true;
    }
}

void TDBChartDataSource::dataSetDestroying(TCustomADODataSet* dataSet)
{
    // Destroys this listener too.
    chart_->dataSetRemoved(dataSet);
}
