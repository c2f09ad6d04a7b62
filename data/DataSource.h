#pragma once
#include <QString>
#include <QVector>

class TCustomADODataSet;
class TDataSource;

// A data-aware control's link to a data source. Four notifications: opened and closed
// (activeChanged), the current row moved (dataSetScrolled), the data re-read (dataSetChanged).
class DataLink {
public:
    virtual ~DataLink();
    TDataSource* DataSource() const { return source_; }
    void setDataSource(TDataSource* source);
    TCustomADODataSet* dataSet() const;
    bool Active() const;

    virtual void activeChanged() {}
    virtual void dataSetScrolled() {}
    virtual void dataSetChanged() {}

private:
    friend class TDataSource;
    TDataSource* source_ = nullptr;
};

// Connects one dataset to any number of data links.
class TDataSource {
public:
    ~TDataSource();
    TCustomADODataSet* dataSet() const { return dataSet_; }
    void setDataSet(TCustomADODataSet* dataSet);

private:
    friend class DataLink;
    friend class TCustomADODataSet;
    TCustomADODataSet* dataSet_ = nullptr;
    QVector<DataLink*> links_;
};
