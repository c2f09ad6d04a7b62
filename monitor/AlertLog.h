#pragma once
#include "ADODataSet.h"
#include "AlertBook.h"
#include "Connection.h"
#include "DataSource.h"

#include <memory>

// The robots of an open result of the fleet statement (statements::fleetState).
QVector<FleetRobot> readFleetRobots(TCustomADODataSet& fleet);

// This run's alerts as a dataset, newest first, so that the page shows them in a grid like
// the others: a driver answers its statement from the book instead of a database.
class AlertLog {
public:
    explicit AlertLog(const AlertBook& book);
    TADOQuery* query() const { return query_.get(); }
    TDataSource* source() const { return source_.get(); }
    // Reads the book again, keeping the operator's row.
    void refresh();

private:
    std::unique_ptr<DirectConnection> connection_;
    std::unique_ptr<TADOQuery> query_;
    std::unique_ptr<TDataSource> source_;
};
