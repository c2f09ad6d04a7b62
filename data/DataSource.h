#pragma once
#include <QString>
#include <QVector>

class TCustomADODataSet;
class TDataSource;

// A data-aware control's link to a data source. Four notifications: opened and closed
// (ActiveChanged), the current row moved (DataSetScrolled), the data re-read (DataSetChanged).
class TDataLink {
public:
    virtual ~TDataLink();
    TDataSource* DataSource() const { return source_; }
    void SetDataSource(TDataSource* source);
    TCustomADODataSet* DataSet() const;
    bool Active() const;

    virtual void ActiveChanged() {}
    virtual void DataSetScrolled() {}
    virtual void DataSetChanged() {}

private:
    friend class TDataSource;
    TDataSource* source_ = nullptr;
};

// Connects one dataset to any number of data links.
class TDataSource {
public:
    ~TDataSource();
    TCustomADODataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TCustomADODataSet* dataSet);

private:
    friend class TDataLink;
    friend class TCustomADODataSet;
    TCustomADODataSet* dataSet_ = nullptr;
    QVector<TDataLink*> links_;
};
