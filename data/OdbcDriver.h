#pragma once
#include "Driver.h"

#include <QString>
#include <functional>

// How long the SQL Server driver waits, in seconds. The defaults are the product's; tests
// pass shorter ones so that a silent server costs them little.
struct OdbcTimeouts {
    int loginSeconds = 15;
    int statementSeconds = 30;
};

// `explainRefusal`, when given, says why a connect was refused before its login, which the
// driver reports only as "connection failed"; it gets the login timeout in milliseconds.
using RefusalExplainer = std::function<QString(int timeoutMs)>;
std::unique_ptr<Driver> makeOdbcDriver(const QString& odbcConnectionText,
                                       const OdbcTimeouts& timeouts,
                                       RefusalExplainer explainRefusal = {});

// One diagnostic record of an ODBC call.
struct OdbcDiagnostic {
    QString sqlState;
    int nativeError = 0;
    QString message; // without the "[vendor][component]" prefixes
};

// The driver's verdict on an error: is the link to the server gone? FreeTDS keeps reporting
// the connection as open after the socket died, so the error itself has to tell.
bool odbcLinkLost(const OdbcDiagnostic& diagnostic);

// "[FreeTDS][SQL Server]Invalid object name 'x'." -> "Invalid object name 'x'."
QString odbcStripPrefixes(const QString& message);
