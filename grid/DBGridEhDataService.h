#pragma once
#include <QString>
#include <QVector>
#include <memory>
#include <utility>

struct DataSetType;
class TCustomADODataSet;
class TCustomDBGridEh;

// What a grid can ask of a kind of dataset; registered per dataset class.
class TDatasetFeaturesEh {
public:
    virtual ~TDatasetFeaturesEh() = default;
    // Applies the grid's sort markers to the dataset.
    virtual void applySorting(TCustomDBGridEh& grid, TCustomADODataSet& dataSet) = 0;
};

// Datasets that sort in the client through their Sort text.
class TSQLDatasetFeaturesEh : public TDatasetFeaturesEh {
public:
    void applySorting(TCustomDBGridEh& grid, TCustomADODataSet& dataSet) override;
};

class TADOSQLDatasetFeaturesEh : public TSQLDatasetFeaturesEh {};

// Turns a grid's sort markers into a sort of its dataset, through the feature object of
// the dataset's class or of its nearest registered ancestor.
class TDBGridEhDataService {
public:
    static TDBGridEhDataService& instance();

    // Replaces an earlier entry of the same class.
    void registerDatasetFeaturesEh(const DataSetType& dataSetType,
                                   std::shared_ptr<TDatasetFeaturesEh> features);
    TDatasetFeaturesEh* getDatasetFeaturesForDataSet(const TCustomADODataSet& dataSet) const;

    void SortDatasetByMarkers(TCustomDBGridEh& grid);

private:
    TDBGridEhDataService();
    QVector<std::pair<const DataSetType*, std::shared_ptr<TDatasetFeaturesEh>>> registry_;
};
