#include "DBGridEhDataService.h"

#include "ADODataSet.h"
#include "DBGridEh.h"

namespace {
// "F1 DESC, F2" from the grid's sort-marked columns whose fields the dataset knows.
QString buildSortText(const TCustomDBGridEh& grid, const TCustomADODataSet& dataSet)
{
    QString text;
    for (const TDBGridColumnEh* column : grid.SortMarkedColumns()) {
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

void TSQLDatasetFeaturesEh::ApplySorting(TCustomDBGridEh& grid, TCustomADODataSet& dataSet)
{
    // The datasets here are read-only, so there are never unsaved changes to post.
    dataSet.SetSort(buildSortText(grid, dataSet));
}

TDBGridEhDataService::TDBGridEhDataService()
{
    RegisterDatasetFeaturesEh(TADOQuery::StaticClass(),
                              std::make_shared<TADOSQLDatasetFeaturesEh>());
}

TDBGridEhDataService& TDBGridEhDataService::instance()
{
    static TDBGridEhDataService service;
    return service;
}

void TDBGridEhDataService::RegisterDatasetFeaturesEh(const DataSetClass& dataSetClass,
                                                     std::shared_ptr<TDatasetFeaturesEh> features)
{
    registry_.removeIf([&](const auto& entry) { return entry.first == &dataSetClass; });
    registry_.push_back({&dataSetClass, std::move(features)});
}

TDatasetFeaturesEh*
TDBGridEhDataService::GetDatasetFeaturesForDataSet(const TCustomADODataSet& dataSet) const
{
    for (const DataSetClass* c = &dataSet.ClassType(); c; c = c->parent)
        for (const auto& entry : registry_)
            if (entry.first == c)
                return entry.second.get();
    return nullptr;
}

void TDBGridEhDataService::SortDatasetByMarkers(TCustomDBGridEh& grid)
{
    TCustomADODataSet* dataSet = grid.DataSet();
    if (!dataSet)
        return;
    if (TDatasetFeaturesEh* features = GetDatasetFeaturesForDataSet(*dataSet))
        features->ApplySorting(grid, *dataSet);
}
