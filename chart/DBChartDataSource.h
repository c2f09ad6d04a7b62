#pragma once
#include "ADODataSet.h"

class TDBChart;

// The chart's listener on one dataset its series read: passes state changes on.
class TDBChartDataSource : public DataSetListener {
public:
    TDBChartDataSource(TDBChart* chart, TCustomADODataSet* dataSet);
    ~TDBChartDataSource() override;
    TDBChartDataSource(const TDBChartDataSource&) = delete;
    TDBChartDataSource& operator=(const TDBChartDataSource&) = delete;

    TCustomADODataSet* dataSet() const { return dataSet_; }
    bool wasActive() const { return wasActive_; }

    void dataSetStateChanged(TCustomADODataSet* dataSet, DataSetState state) override;
    void dataSetDestroying(TCustomADODataSet* dataSet) override;

private:
    TDBChart* chart_;
    TCustomADODataSet* dataSet_;
    bool wasActive_;
};
