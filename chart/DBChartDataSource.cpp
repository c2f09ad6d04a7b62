#include "DBChartDataSource.h"

#include "DBChart.h"

TDBChartDataSource::TDBChartDataSource(TDBChart* chart, TCustomADODataSet* dataSet)
    : chart_(chart), dataSet_(dataSet), wasActive_(dataSet->Active())
{
    dataSet_->AddListener(this);
}

TDBChartDataSource::~TDBChartDataSource()
{
    dataSet_->RemoveListener(this);
}

void TDBChartDataSource::DataSetStateChanged(TCustomADODataSet* dataSet, TDataSetState state)
{
    if (state == dsInactive) {
        wasActive_ = false;
        chart_->ClearSeriesOf(dataSet);
    } else if (state == dsBrowse && !wasActive_) {
        chart_->ReloadFromDataSet(dataSet);
        wasActive_ = true;
    }
}

void TDBChartDataSource::DataSetDestroying(TCustomADODataSet* dataSet)
{
    // Destroys this listener too.
    chart_->DataSetRemoved(dataSet);
}
