#include "DBErrors.h"
#include "Driver.h"

// Placeholder until the ODBC driver lands.
std::unique_ptr<Driver> makeOdbcDriver(const QString&)
{
    throw EConnectionError(QStringLiteral("SQL Server driver not available"));
}
