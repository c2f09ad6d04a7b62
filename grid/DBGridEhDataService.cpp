#include "DBGridEhDataService.h"

#include "ADODataSet.h"
#include "DBGridEh.h"

namespace {
// "F1 DESC, F2" from the grid's sort-marked columns whose fields the dataset knows.
QString buildSortText(const TCustomDBGridEh& grid, const TCustomADODataSet& dataSet)
{
    QString text;
    for (const TDBGridColumnEh* column : grid.sortMarkedColumns()) {
        if (!dataSet.FindField(column->FieldName()))
            continue;
        text += column->FieldName();
        text += column->Title()->SortMarker() == smUpEh ? QStringLiteral(" DESC, ")
                                                        : QStringLiteral(", ");
    }
    if (!text.isEmpty())
        text.chop(2);
    return text;
}
} // namespace

void TSQLDatasetFeaturesEh::applySorting(TCustomDBGridEh& grid, TCustomADODataSet& dataSet)
{
    // The datasets here are read-only, so there are never unsaved changes to post.
    dataSet.setSort(buildSortText(grid, dataSet));
}

TDBGridEhDataService::TDBGridEhDataService()
{
    registerDatasetFeaturesEh(TADOQuery::staticType(),
                              std::make_shared<TADOSQLDatasetFeaturesEh>());
}

TDBGridEhDataService& TDBGridEhDataService::instance()
{
    static TDBGridEhDataService service;
    return service;
}

void TDBGridEhDataService::registerDatasetFeaturesEh(const DataSetType& dataSetType,
                                                     std::shared_ptr<TDatasetFeaturesEh> features)
{
    registry_.removeIf([&](const auto& entry) { return entry.first == &dataSetType; });
    registry_.push_back({&dataSetType, std::move(features)});
}

TDatasetFeaturesEh*
TDBGridEhDataService::getDatasetFeaturesForDataSet(const TCustomADODataSet& dataSet) const
{
    for (const DataSetType* c = &dataSet.dataSetType(); c; c = c->parent)
        for (const auto& entry : registry_)
            if (entry.first == c)
                return entry.second.get();
    return nullptr;
}

void TDBGridEhDataService::SortDatasetByMarkers(TCustomDBGridEh& grid)
{
    TCustomADODataSet* dataSet = grid.dataSet();
    if (!dataSet)
        return;
    if (TDatasetFeaturesEh* features = getDatasetFeaturesForDataSet(*dataSet))
        features->applySorting(grid, *dataSet);
}
