#pragma once
#include "ADODataSet.h"
#include "Connection.h"
#include "DataSource.h"
#include "FixtureDb.h"

#include <memory>

// A query on the connection with the statement, named after it unless named otherwise.
inline std::unique_ptr<TADOQuery> query(Connection& connection, const StatementDef& statement,
                                        const QString& name = QString())
{
    auto q = std::make_unique<TADOQuery>(name.isEmpty() ? statement.queryName : name, &connection);
    q->setStatement(statement);
    return q;
}

// A fixture database with a connection on it, for tests that run the real statements.
struct DataFixture {
    FixtureDb db;
    std::unique_ptr<DirectConnection> connection = std::make_unique<DirectConnection>(
        ConnectionSettings{ConnectionSettings::Kind::Sqlite, QString(), 0, db.path()});

    std::unique_ptr<TADOQuery> query(const StatementDef& statement, const QString& name = QString())
    {
        return ::query(*connection, statement, name);
    }
};

// Counts what a data source forwards.
struct CountingLink : DataLink {
    int active = 0, scrolled = 0, changed = 0;
    void activeChanged() override { ++active; }
    void dataSetScrolled() override { ++scrolled; }
    void dataSetChanged() override { ++changed; }
};
